// INI-style key reading: one pass over the file, read in chunks, keeping
// the keys of the section asked for.
#include "sheet/ini.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/scan.h"
#include "platform/files.h"

namespace zemu {

namespace {

// Only regular files are read: a FIFO or a device could block or never end.
FileHandle OpenRegularFile(const std::string& fileName) {
  struct stat info {};
  if (fileName.empty() || stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return nullptr;
  }
  return FileHandle(std::fopen(fileName.c_str(), "rb"));
}

// Appends `piece` to the line being read, which keeps its first kIniLineMax bytes.
void AppendCapped(std::string& line, std::string_view piece) {
  if (line.size() < kIniLineMax) line.append(piece.substr(0, kIniLineMax - line.size()));
}

// Where the line that begins at `from` ends: its CR or LF, or the chunk's end.
std::size_t LineEnd(std::string_view chunk, std::size_t from) {
  const char* begin = chunk.data() + from;
  const std::size_t rest = chunk.size() - from;
  const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', rest));
  const std::size_t beforeLf = lf != nullptr ? static_cast<std::size_t>(lf - begin) : rest;
  const auto* cr = static_cast<const char*>(std::memchr(begin, '\r', beforeLf));
  return from + (cr != nullptr ? static_cast<std::size_t>(cr - begin) : beforeLf);
}

// Calls `take` with each line of the file (ended by CR LF, LF or a lone CR;
// a last line without an end counts when it is not empty), reading the file
// in chunks.
template <class Take>
void ForEachIniLine(std::FILE* file, Take take) {
  constexpr std::size_t kChunk = 65536;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
  std::string line;
  bool open = false;     // some bytes of a line not yet ended were read
  bool afterCr = false;  // the last chunk ended in a CR: an LF here belongs to it
  for (std::size_t n; (n = std::fread(buffer.get(), 1, kChunk, file)) > 0;) {
    const std::string_view chunk(buffer.get(), n);
    std::size_t pos = afterCr && chunk[0] == '\n' ? 1 : 0;
    afterCr = false;
    while (pos < n) {
      const std::size_t end = LineEnd(chunk, pos);
      const std::string_view piece = chunk.substr(pos, end - pos);
      if (end == n) {
        AppendCapped(line, piece);
        open = true;
        break;
      }
      if (open) {
        AppendCapped(line, piece);
        take(std::string_view(line));
        line.clear();
      } else {
        take(piece.substr(0, kIniLineMax));  // the whole line is in this chunk
      }
      open = false;
      pos = end + 1;
      if (chunk[end] == '\r') {
        if (pos == n)
          afterCr = true;
        else if (chunk[pos] == '\n')
          ++pos;
      }
    }
  }
  if (open) take(std::string_view(line));
}

bool IsIniBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsIniBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsIniBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// "[name]" with blanks around: true and the name; otherwise false.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

void AddKey(IniSection& section, std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  const std::string_view key = Trim(line.substr(0, equals));
  if (key.empty() || section.keys.size() >= kIniMaxKeys) return;
  for (const auto& entry : section.keys) {
    if (SameName(entry.first, key)) return;
  }
  section.keys.emplace_back(std::string(key), std::string(Trim(line.substr(equals + 1))));
}

const std::string* FindKey(const IniSection& section, std::string_view key) {
  for (const auto& entry : section.keys) {
    if (SameName(entry.first, key)) return &entry.second;
  }
  return nullptr;
}

// The keys of section `name` from an open file.
IniSection ReadSection(std::FILE* file, std::string_view name) {
  IniSection section;
  bool inside = false;
  ForEachIniLine(file, [&](std::string_view line) {
    std::string_view heading;
    if (SectionName(line, heading)) {
      inside = SameName(heading, name);
    } else if (inside) {
      AddKey(section, line);
    }
  });
  return section;
}

}  // namespace

IniSection ReadIniSection(const std::string& fileName, std::string_view name) {
  FileHandle file = OpenRegularFile(fileName);
  if (!file) return {};
  return ReadSection(file.get(), name);
}

IniSection ParseIniSection(std::string_view text, std::string_view name) {
  if (text.empty()) return {};
  FileHandle file(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
  if (!file) return {};
  return ReadSection(file.get(), name);
}

bool IniSectionHeading(std::string_view line, std::string_view& name) {
  return SectionName(line, name);
}

std::string_view IniKeyOf(std::string_view line) {
  const std::size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : Trim(line.substr(0, equals));
}

bool IniSameName(std::string_view a, std::string_view b) { return SameName(a, b); }

bool ParseIniInteger(std::string_view text, int& value) {
  text = Trim(text);
  std::size_t digitsFrom = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (digitsFrom >= text.size()) return false;
  for (std::size_t i = digitsFrom; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  const std::string digits(text);
  errno = 0;
  const long long parsed = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

int IniInteger(const IniSection& section, std::string_view key, int fallback) {
  const std::string* text = FindKey(section, key);
  int value = fallback;
  if (text == nullptr || !ParseIniInteger(*text, value)) return fallback;
  return value;
}

PlaceGiven ReadIniPlace(const IniSection& section, WindowPlace& place) {
  const auto read = [&section](std::string_view key, int& value) {
    const std::string* text = FindKey(section, key);
    return text != nullptr && ParseIniInteger(*text, value);
  };
  PlaceGiven given;
  given.position = read("Top", place.top);
  given.position = read("Left", place.left) || given.position;
  given.size = read("Height", place.height);
  given.size = read("Width", place.width) || given.size;
  return given;
}

std::string IniText(const IniSection& section, std::string_view key, std::string fallback) {
  const std::string* text = FindKey(section, key);
  if (text == nullptr) return fallback;
  if (text->size() >= 2 && text->front() == '"' && text->back() == '"') {
    return text->substr(1, text->size() - 2);
  }
  return *text;
}

}  // namespace zemu
