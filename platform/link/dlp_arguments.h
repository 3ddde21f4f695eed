// What every DLP argument layout shares: finding an argument and checking
// its size, the dates and texts inside arguments, and the failures a
// malformed layout gives.
//
// Each layout (dlp_system_layouts.h, dlp_database_layouts.h,
// dlp_record_layouts.h) is a value type with
//   Encode() -> DlpArguments, or Result<DlpArguments> where a field can
//               overflow its length field (a failure then has code
//               kDlpErrParameter)
//   static Decode(const DlpArguments&) -> Result<layout>, whose failure
//               has code kDlpErrArgumentMissing or kDlpErrBadArgumentSize.
// Decoding ignores arguments it does not know, so a newer handheld's
// additions do no harm.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/bytes.h"
#include "link/dlp_functions.h"
#include "link/dlp_message.h"
#include "result/result.h"

namespace platform::link {

using DlpArguments = std::vector<DlpArgument>;

// Argument ids past the first, for layouts that choose their form by id.
constexpr uint8_t kDlpSecondArgument = kDlpFirstArgument + 1;
constexpr uint8_t kDlpThirdArgument = kDlpFirstArgument + 2;

// A read of "up to the end" in read requests.
constexpr uint16_t kDlpReadToEnd = 0xFFFF;
// The longest database name, without its NUL.
constexpr size_t kDlpMaxDbNameLength = 31;

// A reader over argument `id`, which must be there and hold at least
// `minimumSize` bytes; `what` names it in the failure.
Result<ByteReader> ReadArgument(const DlpArguments& arguments, uint8_t id, size_t minimumSize,
                                const char* what);
// As ReadArgument, for an argument that may be left out: no reader when
// it is absent.
Result<std::optional<ByteReader>> ReadOptionalArgument(const DlpArguments& arguments, uint8_t id,
                                                       size_t minimumSize, const char* what);
bool HasArgument(const DlpArguments& arguments, uint8_t id);
// The first argument of `arguments` that has one of two ids (a layout
// whose form is chosen by id), or null.
const DlpArgument* FindEither(const DlpArguments& arguments, uint8_t first, uint8_t second);

Failure ArgumentMissing(const char* what);
Failure BadArgumentSize(const char* what);
// A field that does not fit its length on the wire.
Failure TooLong(const char* what, size_t size, size_t limit);

// An entry of a list inside an argument (a card, a database): a size byte
// counting the whole entry, rounded up to even, then the entry. Reading
// gives a reader over the entry after its size byte, which must hold at
// least `minimumSize` bytes in all; EvenSize is the size to write.
Result<ByteReader> ReadEntry(ByteReader& reader, size_t minimumSize, const char* what);
constexpr size_t EvenSize(size_t size) {
  return size + size % 2;
}

// Dates: 8 bytes (dlp_message.h).
DlpDate ReadDate(ByteReader& reader);
void WriteDate(ByteWriter& writer, const DlpDate& date);

// A NUL-terminated text that runs to the end of the argument.
std::string ReadTextToEnd(ByteReader& reader);
void WriteText(ByteWriter& writer, std::string_view text);  // the text and its NUL

// The bytes from the cursor to the end of the argument.
std::vector<uint8_t> ReadBytesToEnd(ByteReader& reader);

// A database name, refused when longer than kDlpMaxDbNameLength.
Result<void> CheckDbName(std::string_view name);

// One argument holding what `writer` wrote.
DlpArgument MakeArgument(uint8_t id, ByteWriter& writer);

// A layout with no arguments: requests and replies that carry nothing.
struct NoArguments {
  DlpArguments Encode() const { return {}; }
  static Result<NoArguments> Decode(const DlpArguments&) { return NoArguments{}; }
  bool operator==(const NoArguments&) const = default;
};

}  // namespace platform::link
