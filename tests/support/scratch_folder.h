// A scratch folder for a test: a new empty folder under /tmp, removed with
// everything in it when the object goes.
//
//   ScratchFolder dir;
//   const std::string path = dir.Write("a.ZDF", "> x<1\r\n");  // dir / "a.ZDF"
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace zemu {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = "/tmp/zemu_test_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("zemu tests: mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Writes `bytes` as the file `name` inside the folder; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string file = *this / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  std::string path_;
};

}  // namespace zemu
