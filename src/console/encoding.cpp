// Shift-JIS <-> UTF-8 through glibc's iconv ("CP932").
#include "console/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace zemu {

namespace {

// Converts with iconv, writing `replacement` for each byte that cannot be
// converted and stepping over it. Returns false when anything was replaced.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::string_view replacement) {
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    out.assign(in);
    return false;
  }
  bool clean = true;
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: an invalid or incomplete sequence.
    clean = false;
    out.append(replacement);
    ++src;
    --srcLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return clean;
}

}  // namespace

bool SjisToUtf8(std::string_view sjis, std::string& utf8) {
  return Convert("UTF-8", "CP932", sjis, utf8, "\xEF\xBF\xBD");
}

std::string SjisToUtf8(std::string_view sjis) {
  std::string out;
  SjisToUtf8(sjis, out);
  return out;
}

bool Utf8ToSjis(std::string_view utf8, std::string& sjis) {
  return Convert("CP932", "UTF-8", utf8, sjis, "?");
}

std::string Utf8ToSjis(std::string_view utf8) {
  std::string out;
  Utf8ToSjis(utf8, out);
  return out;
}

}  // namespace zemu
