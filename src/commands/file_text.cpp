// Reading definition and procedure files as Shift-JIS.
#include "commands/file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "base/encoding.h"
#include "base/sjis_literal.h"
#include "host/context.h"
#include "host/output.h"
#include "platform/files.h"

namespace zemu {

namespace {

// How much of a file is looked at to tell a text file from other bytes.
constexpr std::size_t kSniffSize = 65536;

constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

bool HasUtf16Mark(std::string_view bytes) {
  return bytes.starts_with(kUtf16LeBom) || bytes.starts_with(kUtf16BeBom);
}

FileText ClassifyUtf16(std::string_view bytes, std::string& sjis) {
  const char* from = bytes.starts_with(kUtf16LeBom) ? "UTF-16LE" : "UTF-16BE";
  std::string utf8;
  if (!ConvertText(bytes.substr(2), from, "UTF-8", utf8)) return FileText::Neither;
  return Utf8ToSjis(utf8, sjis) ? FileText::Utf16 : FileText::Unconvertible;
}

// The problem a strict reader sees in the first bytes of a file.
FileProblem SniffProblem(std::string_view bytes) {
  if (HasUtf16Mark(bytes)) return FileProblem::None;
  const std::string_view sample = bytes.substr(0, kSniffSize);
  if (sample.find('\0') != std::string_view::npos) return FileProblem::Binary;
  if (sample.find('\r') != std::string_view::npos && sample.find('\n') == std::string_view::npos) {
    return FileProblem::CrOnly;
  }
  return FileProblem::None;
}

FileProblem ProblemOf(FileText text) {
  switch (text) {
    case FileText::Neither:
      return FileProblem::Neither;
    case FileText::Unconvertible:
      return FileProblem::Unconvertible;
    default:
      return FileProblem::None;
  }
}

}  // namespace

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

FileText ClassifyFileText(std::string_view bytes, std::string& sjis) {
  if (HasUtf16Mark(bytes)) return ClassifyUtf16(bytes, sjis);
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
    case FileText::Utf16:
      ScreenOut(ctx, ChannelError,
                "  " + name + " は UTF-16 で書かれています。シフトJISに直して読みます。\r\n"_sj);
      break;
    case FileText::Neither:
      ErrorOut(ctx,
               "  ERROR: " + name + "は、シフトJISでもUTF-8でもないので、読み込みません。\r\n"_sj);
      break;
    case FileText::Unconvertible:
      ErrorOut(ctx, "  ERROR: " + name +
                        "は、シフトJISにない文字を含むファイルなので、読み込みません。\r\n"_sj);
      break;
  }
}

FileRead ReadFileText(Context& ctx, const std::string& name, bool strict) {
  FileRead read;
  const std::string disk = DiskName(ctx.files, name);
  read.stamp = StampOf(ctx.files, name);
  if (!read.stamp.exists) {
    read.problem = FileProblem::Missing;
    return read;
  }
  if (!read.stamp.regular) {
    read.problem = FileProblem::Unopenable;
    return read;
  }
  FileHandle file(std::fopen(disk.c_str(), "rb"));
  struct stat info {};
  if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
    read.error = file ? 0 : errno;
    read.problem = FileProblem::Unopenable;
    return read;
  }
  std::string bytes;
  ReadRestOfFile(file.get(), bytes);
  if (std::ferror(file.get())) {
    read.error = errno;
    read.problem = FileProblem::Unopenable;
    return read;
  }
  if (strict && (read.problem = SniffProblem(bytes)) != FileProblem::None) return read;
  std::string converted;
  read.encoding = ClassifyFileText(bytes, converted);
  read.problem = ProblemOf(read.encoding);
  if (read.encoding == FileText::ShiftJis) {
    read.text = std::move(bytes);
  } else if (read.problem == FileProblem::None) {
    read.text = std::move(converted);
  }
  return read;
}

void ReportFileRead(Context& ctx, const std::string& name, const FileRead& read) {
  switch (read.problem) {
    case FileProblem::None:
      ReportFileText(ctx, name, read.encoding);
      break;
    case FileProblem::Binary:
      ErrorOut(ctx, "  ERROR: " + name + "は、テキストファイルではありません。\r\n"_sj);
      break;
    case FileProblem::CrOnly:
      ErrorOut(ctx, "  ERROR: " + name + "は、改行がCRだけのファイルです。読み込めません。\r\n"_sj);
      break;
    case FileProblem::Neither:
    case FileProblem::Unconvertible:
      ReportFileText(ctx, name, read.encoding);
      break;
    case FileProblem::Missing:
    case FileProblem::Unopenable:
      // The words .do uses for a file it cannot open, with the system's
      // reason where it gave one.
      ScreenOut(ctx, ChannelLine,
                "  ERROR: " + name + "を開けません。"_sj +
                    (read.error != 0 ? "(" + ErrorText(read.error) + ")" : std::string()) + "\n",
                true);
      break;
  }
}

}  // namespace zemu
