// Reading definition and procedure files as Shift-JIS.
#include "commands/file_text.h"

#include <sys/stat.h>

#include "console/encoding.h"
#include "console/output.h"
#include "context.h"
#include "engine/sjis_literal.h"

namespace zemu {

namespace {}  // namespace

void ReadRestOfFile(std::FILE* file, std::string& bytes) {
  // On the heap: .do files run inside each other, close to the stack's end.
  // A regular file is asked for what it still holds and one byte more (to
  // meet its end), so that a short file does not take a whole chunk of
  // fresh memory; a file that grew meanwhile, and any other file, is read
  // on in chunks.
  constexpr std::size_t kChunk = 65536;
  std::size_t want = kChunk;
  struct stat info {};
  if (const int fd = fileno(file); fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    const long at = std::ftell(file);
    if (at >= 0 && info.st_size >= at) want = static_cast<std::size_t>(info.st_size - at) + 1;
  }
  std::size_t size = bytes.size();
  for (;;) {
    bytes.resize(size + want);
    const std::size_t n = std::fread(bytes.data() + size, 1, want, file);
    size += n;
    if (n < want) break;  // the end, or a read error
    want = kChunk;
  }
  bytes.resize(size);
}

namespace {

// A stream that reads `text`; its buffer belongs to the stream.
std::FILE* MemoryStream(const std::string& text) {
  std::FILE* stream = fmemopen(nullptr, text.size() + 1, "w+");
  if (stream == nullptr) return nullptr;
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) {
    std::fclose(stream);
    return nullptr;
  }
  std::rewind(stream);
  return stream;
}

}  // namespace

FileText ClassifyFileText(std::string_view bytes, std::string& sjis) {
  switch (DetectTextEncoding(bytes)) {
    case TextEncoding::ShiftJis:
      return FileText::ShiftJis;
    case TextEncoding::Neither:
      return FileText::Neither;
    case TextEncoding::Utf8:
      break;
  }
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  return Utf8ToSjis(bytes, sjis) ? FileText::Utf8 : FileText::Unconvertible;
}

void ReportFileText(Context& ctx, const std::string& name, FileText text) {
  switch (text) {
    case FileText::ShiftJis:
      break;
    case FileText::Utf8:
      ScreenOut(ctx, ChannelError,
                "  " + name + " は UTF-8 で書かれています。シフトJISに直して読みます。\r\n"_sj);
      break;
    case FileText::Neither:
      ScreenOut(ctx, ChannelError,
                "  ERROR: " + name + "は、シフトJISでもUTF-8でもないので、読み込みません。\r\n"_sj);
      break;
    case FileText::Unconvertible:
      ScreenOut(
          ctx, ChannelError,
          "  ERROR: " + name +
              "は、シフトJISにない文字を含む UTF-8 のファイルなので、読み込みません。\r\n"_sj);
      break;
  }
}

std::FILE* ShiftJisStream(Context& ctx, const std::string& name, std::FILE* file) {
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return file;
  std::string bytes;
  ReadRestOfFile(file, bytes);
  std::string sjis;
  const bool known = std::ferror(file) || bytes == ctx.checkedShiftJisText;
  const FileText text = known ? FileText::ShiftJis : ClassifyFileText(bytes, sjis);
  ReportFileText(ctx, name, text);
  switch (text) {
    case FileText::ShiftJis:
      std::rewind(file);
      return file;
    case FileText::Utf8:
      if (std::FILE* converted = MemoryStream(sjis)) return converted;
      ScreenOut(ctx, ChannelLine, "  ERROR: " + name + "を開けません。\n"_sj);
      return nullptr;
    default:
      return nullptr;
  }
}

}  // namespace zemu
