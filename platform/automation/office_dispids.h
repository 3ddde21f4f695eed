// The dispatch identifiers of the two automation classes, shared by the
// converters that call them and the server that answers them, as a type
// library would be: one table, so the two sides cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::automation {

// The most text one call hands back (a document's text, a range's copy),
// in bytes of UTF-8; the rest is left out, so that a document of millions
// of lines or cells costs no more than its first pages. Callers keep far
// less than this.
constexpr size_t kLargestCallText = 128 * 1024;

// "Word.Basic": one application object that opens, reads and closes a
// document.
namespace word_basic {
constexpr int32_t kFirstCall = 0x810A;
constexpr int32_t kOpen = 0x50;
constexpr int32_t kSelectAll = 0xED;
constexpr int32_t kReadText = 0x8015;
constexpr int32_t kCloseDocument = 0x80A0;
constexpr int32_t kCloseServer = 0x8107;
}  // namespace word_basic

// "Excel.Application": the application, its workbook collection, a
// workbook, its worksheet collection, a sheet and a range.
namespace excel {
constexpr int32_t kWorkbooks = 572;
constexpr int32_t kQuit = 302;
constexpr int32_t kOpen = 682;
constexpr int32_t kWorksheets = 494;
constexpr int32_t kClose = 277;
constexpr int32_t kCount = 118;
constexpr int32_t kItem = 170;
constexpr int32_t kName = 110;
constexpr int32_t kCodeName = static_cast<int32_t>(0x80010000);
constexpr int32_t kUsedRange = 412;
constexpr int32_t kCopy = 551;
}  // namespace excel

}  // namespace platform::automation
