// Replays inputs through a fuzz target's entry point, without libFuzzer:
//
//   fuzz_replay TARGET PATH...
//
// Each PATH is an input file or a folder whose files (and subfolders') are
// inputs, taken in name order. Every input is named on stderr before it
// runs, so that a crash or a hang points at it. The exit status is 0 when
// all inputs ran, 2 for a bad command line or an unreadable input.
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/entries.h"

namespace {

// Adds `path`, or the files under it, to `inputs` as absolute paths: the
// targets change the working folder.
bool Collect(const std::string& path, std::vector<std::string>& inputs) {
  char resolved[PATH_MAX];
  struct stat info {};
  if (realpath(path.c_str(), resolved) == nullptr || stat(resolved, &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) {
    inputs.push_back(resolved);
    return true;
  }
  DIR* dir = opendir(resolved);
  if (dir == nullptr) return false;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with('.')) names.emplace_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  bool ok = true;
  for (const std::string& name : names)
    ok = Collect(std::string(resolved) + "/" + name, inputs) && ok;
  return ok;
}

bool ReadInput(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes.clear();
  std::uint8_t buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const zemu::fuzz::Target* target = nullptr;
  for (const zemu::fuzz::Target& t : zemu::fuzz::Targets()) {
    if (argc > 1 && std::string_view(argv[1]) == t.name) target = &t;
  }
  if (target == nullptr || argc < 3) {
    std::fprintf(stderr, "usage: fuzz_replay statements|sheet|help PATH...\n");
    return 2;
  }
  std::vector<std::string> inputs;
  bool ok = true;
  for (int i = 2; i < argc; ++i) {
    if (!Collect(argv[i], inputs)) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      ok = false;
    }
  }
  std::vector<std::uint8_t> bytes;
  for (const std::string& path : inputs) {
    if (!ReadInput(path, bytes)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      ok = false;
      continue;
    }
    std::fprintf(stderr, "%s\n", path.c_str());
    target->run(bytes.data(), bytes.size());
  }
  std::printf("%s: %zu inputs replayed\n", target->name, inputs.size());
  return ok ? 0 : 2;
}
