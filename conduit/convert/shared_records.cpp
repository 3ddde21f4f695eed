// The records every route shares: the PC-format record that carries a
// file's bytes unchanged and the message record that tells the handheld
// user what happened to a file; the date-time stamp and the file name of a
// path that every builder writes into the head.
#include <algorithm>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "handheld_date_time.h"
#include "handheld_records.h"  // records/

namespace conduit {
namespace {

constexpr std::string_view kPcFormatSuffix = " - PC Format";
constexpr std::string_view kPcFormatCutSuffix = " - PC Format, Cut";
constexpr std::string_view kUnnamedFile = "unnamed";

}  // namespace

ConversionResult SendAsPcFormat(const std::string& path) {
  return CatchNoMemory([&] {
    FileContents file = ReadFileForConversion(path, records::file_record::kMaxContentBytes);
    if (file.status != kConvOk) return UnreadFile(file);
    const std::string_view suffix = file.cut ? kPcFormatCutSuffix : kPcFormatSuffix;
    records::HandheldFileHead head = NewHead(path, suffix, records::kContentPcFormat);
    head.created = HeadStamp(file.creationTime);
    head.modified = HeadStamp(file.lastWriteTime);
    head.size = static_cast<uint32_t>(file.bytes.size());
    std::vector<uint8_t> record =
        records::EncodeFileRecord(head, file.bytes, records::file_record::kPcFormatZeros);
    return ConversionResult{std::move(record), kConvOk, {}, std::string(suffix)};
  });
}

ConversionResult BuildMessageRecord(std::string_view message, std::string_view titleSuffix,
                                    const std::string& path) {
  return CatchNoMemory([&] {
    std::vector<uint8_t> record =
        records::EncodeFileRecord(NewHead(path, titleSuffix, records::kContentText), message,
                                  records::file_record::kMessageZeros);
    return ConversionResult{std::move(record), kConvOk, {}, std::string(titleSuffix)};
  });
}

void StampDateTime(time_t pcTime, std::span<uint8_t> eightBytes) {
  if (eightBytes.size() < store::HandheldDateTime::kSize) return;
  const store::HandheldDateTime stamp = store::HandheldDateTime::FromPcTime(pcTime, false);
  std::copy(stamp.bytes.begin(), stamp.bytes.end(), eightBytes.begin());
}

std::string FileNameOfHandheldPath(std::string_view path) {
  const bool driveLetter =
      path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (driveLetter) path.remove_prefix(2);
  while (!path.empty()) {
    const size_t separator = path.find_last_of("/\\");
    const std::string_view part =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    if (!part.empty() && part != "." && part != "..") return std::string(part);
    path = path.substr(0, separator == std::string_view::npos ? 0 : separator);
  }
  return std::string(kUnnamedFile);
}

void RetitleRecord(ConversionResult& result, std::string_view name) {
  if (!result.record) return;
  records::ChangeFileHead(*result.record, [&](records::HandheldFileHead& head) {
    head.title = HandheldTitle(name, result.titleSuffix);
  });
}

}  // namespace conduit
