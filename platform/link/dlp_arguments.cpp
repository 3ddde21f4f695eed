// Helpers shared by the DLP argument layouts.
#include "link/dlp_arguments.h"

namespace platform::link {

Result<ByteReader> ReadArgument(const DlpArguments& arguments, uint8_t id, size_t minimumSize,
                                const char* what) {
  for (const DlpArgument& argument : arguments) {
    if (argument.id != id) continue;
    if (argument.data.size() < minimumSize) return BadArgumentSize(what);
    return ByteReader(argument.data);
  }
  return ArgumentMissing(what);
}

Result<std::optional<ByteReader>> ReadOptionalArgument(const DlpArguments& arguments, uint8_t id,
                                                       size_t minimumSize, const char* what) {
  if (!HasArgument(arguments, id)) return std::optional<ByteReader>();
  Result<ByteReader> reader = ReadArgument(arguments, id, minimumSize, what);
  if (!reader) return reader.Error();
  return std::optional<ByteReader>(*reader);
}

bool HasArgument(const DlpArguments& arguments, uint8_t id) {
  return FindEither(arguments, id, id) != nullptr;
}

const DlpArgument* FindEither(const DlpArguments& arguments, uint8_t first, uint8_t second) {
  for (const DlpArgument& argument : arguments) {
    if (argument.id == first || argument.id == second) return &argument;
  }
  return nullptr;
}

Failure ArgumentMissing(const char* what) {
  return Failure{std::string("the ") + what + " argument is missing", kDlpErrArgumentMissing};
}

Failure BadArgumentSize(const char* what) {
  return Failure{std::string("the ") + what + " argument has the wrong size",
                 kDlpErrBadArgumentSize};
}

Failure TooLong(const char* what, size_t size, size_t limit) {
  return Failure{std::string("the ") + what + " is " + std::to_string(size) +
                     " bytes long, more than the " + std::to_string(limit) + " it may have",
                 kDlpErrParameter};
}

Result<ByteReader> ReadEntry(ByteReader& reader, size_t minimumSize, const char* what) {
  const uint8_t size = reader.U8();
  if (size < minimumSize || reader.Remaining() + 1 < size) return BadArgumentSize(what);
  return ByteReader(reader.Bytes(size - 1));
}

DlpDate ReadDate(ByteReader& reader) {
  const ByteSpan bytes = reader.Bytes(DlpDate::kSize);
  if (bytes.size() != DlpDate::kSize) return {};
  return DlpDate::Decode(bytes.first<DlpDate::kSize>());
}

void WriteDate(ByteWriter& writer, const DlpDate& date) {
  writer.Bytes(date.Encode());
}

std::string ReadTextToEnd(ByteReader& reader) {
  return reader.FixedText(reader.Remaining());
}

void WriteText(ByteWriter& writer, std::string_view text) {
  writer.Bytes(ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  writer.U8(0);
}

std::vector<uint8_t> ReadBytesToEnd(ByteReader& reader) {
  const ByteSpan bytes = reader.Bytes(reader.Remaining());
  return {bytes.begin(), bytes.end()};
}

Result<void> CheckDbName(std::string_view name) {
  if (name.size() > kDlpMaxDbNameLength) {
    return TooLong("database name", name.size(), kDlpMaxDbNameLength);
  }
  return {};
}

DlpArgument MakeArgument(uint8_t id, ByteWriter& writer) {
  return {id, writer.Take()};
}

}  // namespace platform::link
