// Names for the cases of parameterised suites, so that the test list reads
// the same on every build: a case is named by its number in the suite and the
// ASCII letters and digits of the texts that tell it apart, every other run of
// bytes (blanks, operators, double-byte characters) becoming one "_".
//
//   INSTANTIATE_TEST_SUITE_P(Lists, PrintedTest, testing::Values(...),
//                            NameBy<&PrintedCase::formula>());
//   // "max(1,2)" as case 3 is named 3_max_1_2
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemu {

// Letters and digits of the texts kept in a name; the number keeps it unique.
inline constexpr std::size_t kCaseNameTextMax = 40;

inline std::string CaseName(std::size_t index, std::string_view text) {
  std::string name = std::to_string(index);
  const std::size_t limit = name.size() + kCaseNameTextMax;
  bool gap = true;
  for (char c : text) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum) {
      gap = true;
      continue;
    }
    if (name.size() + (gap ? 2 : 1) > limit) break;
    if (gap) name += '_';
    name += c;
    gap = false;
  }
  return name;
}

// A name generator for INSTANTIATE_TEST_SUITE_P from text members of the case.
template <auto... Fields>
struct NameBy {
  template <typename Info>
  std::string operator()(const Info& info) const {
    std::string text;
    ((text += std::string_view(info.param.*Fields), text += ' '), ...);
    return CaseName(info.index, text);
  }
};

}  // namespace zemu
