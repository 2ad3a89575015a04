// Reading keys from INI-style sections of a text file: the window layout that
// definition files carry beside their statements.
//
// A section starts at a line that holds its name in square brackets; within
// it a line made of a key, "=" and a value sets that key; every other line is
// ignored. Section and key names compare without regard to ASCII case, blanks
// around names and values are dropped, and the first occurrence of a key
// wins. Lines may end in CR LF, LF or a lone CR.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/layout.h"

namespace zemu {

// Only this much of a line is looked at: keys and values are short, and a
// binary file cannot make the reader hold more.
inline constexpr std::size_t kIniLineMax = 1999;
// At most this many keys are kept from one section, for the same reason.
inline constexpr std::size_t kIniMaxKeys = 256;

// The keys of one section in file order, duplicates dropped.
struct IniSection {
  std::vector<std::pair<std::string, std::string>> keys;
};

// Reads the section `name` from the file. A file that is missing, is not a
// regular file or cannot be read, and a missing section, give no keys.
IniSection ReadIniSection(const std::string& fileName, std::string_view name);

// The same from the text of a file already read.
IniSection ParseIniSection(std::string_view text, std::string_view name);

// A line "[name]" (blanks allowed around): true, with the name.
bool IniSectionHeading(std::string_view line, std::string_view& name);
// The key of a line "key=value" (blanks around it dropped); empty for any
// other line.
std::string_view IniKeyOf(std::string_view line);
// Section and key names compare without regard to ASCII case.
bool IniSameName(std::string_view a, std::string_view b);

// The value of `key` as a decimal integer (optional sign, digits, nothing
// else); `fallback` when the key is missing or its value is not such an
// integer or does not fit an int.
int IniInteger(const IniSection& section, std::string_view key, int fallback);

// The value of `key` as text (one pair of enclosing double quotes removed);
// `fallback` when the key is missing.
std::string IniText(const IniSection& section, std::string_view key, std::string fallback);

// Reads the keys Top, Left, Height and Width into `place` (a key that is
// missing or not an integer leaves its value) and says which were there.
PlaceGiven ReadIniPlace(const IniSection& section, WindowPlace& place);

// Reads `text` as an INI integer value into `value`; false when it is none.
bool ParseIniInteger(std::string_view text, int& value);

}  // namespace zemu
