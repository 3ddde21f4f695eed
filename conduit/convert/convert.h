// Conversion of one PC file into one handheld file record: the dispatcher
// that picks a route from the file name's extension, the converters of each
// route, and the builders every converter shares (the PC-format record, the
// message record, the date-time stamp and the file name of a path).
//
// Every converter takes a full PC path and returns a ConversionResult: the
// record (its length is record->size()) or none, and a ConversionStatus.
// Status 0 means the record was built; any other value is a failure, after
// which the dispatcher sends the file in PC format. Only the two message
// cases of the dispatcher (file type not supported, file not found) return a
// record together with a non-zero status. Callers decide by the record.
//
// Records follow the HandheldFileRecord layout of handheld_records.h: a
// 201-byte head, then the content; every byte a builder does not set is 0.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fs/fs.h"

namespace conduit {

enum ConversionStatus : int {
  kConvOk = 0,
  kConvNoMemory = 1,
  kConvNotSupported = 2,
  kConvCannotOpen = 3,
  kConvCannotRead = 4,
  kConvAutomationNotStarted = 5,
  kConvWordClassNotFound = 6,
  kConvWordNotCreated = 7,
  kConvFullPathNotObtained = 8,
  kConvDocumentNotOpened = 9,
  kConvSelectionFailed = 10,
  kConvTextNotRead = 11,
  kConvPictureNotLoaded = 12,
  kConvFileNotFound = 14,
  kConvOtherFailure = 16,
};

struct ConversionResult {
  std::optional<std::vector<uint8_t>> record;
  ConversionStatus status = kConvOk;
  std::string failure;  // why the file was not delivered as asked ("it is a folder"), else empty
  std::string titleSuffix;  // what follows the file name in the record's title
};

enum ConversionRoute : int {
  kRoutePcFormatDefault = 0,
  kRouteRefused = 1,
  kRouteUnchanged = 2,
  kRoutePlainText = 3,
  kRoutePicture = 4,
  kRouteWordDocument = 5,
  kRouteInstall = 6,
  kRouteSpreadsheet = 7,
  kRouteHtml = 8,
  kRoutePdf = 9,
};

// One row of the file type table: an upper-case extension without its dot.
struct FileTypeRow {
  const char* extension;
  ConversionRoute route;
};

// The rows of the file type table, searched in order: the 83 first rows,
// then the formats that came after them.
std::span<const FileTypeRow> FileTypeTable();

// ---- Dispatcher and shared builders ----

// The record of the file at `path`, converted by the route of its extension,
// or in PC format when the route has no converter or the converter fails.
ConversionResult ConvertForHandheld(const std::string& path);

// The file's bytes unchanged (content kind 3), at most 64,798 of them.
ConversionResult SendAsPcFormat(const std::string& path);

// The route of the path's extension: the text after the last '.' that comes
// after the last '/', compared without regard to case.
ConversionRoute ClassifyFileType(std::string_view path);

// A text record (content kind 1) carrying `message`, titled with the file
// name followed by `titleSuffix`; 202 + message length bytes.
ConversionResult BuildMessageRecord(std::string_view message, std::string_view titleSuffix,
                                    const std::string& path);

// Writes the local-time stamp of `pcTime` (without seconds) into the first
// 8 bytes of `eightBytes`; writes nothing when fewer are given.
void StampDateTime(time_t pcTime, std::span<uint8_t> eightBytes);

// The part of `path` after its last '/', or the whole path when it has none.
// For the PC's own paths, where '\' and ':' are ordinary characters.
using platform::FileNameOfPath;

// The file name in a path that came from the handheld, which may have been
// made on Windows: both '/' and '\' end the folder part and a leading drive
// letter and colon are dropped. Never empty, "." or "..": a path that ends
// in a separator or in such a part gives the last part before it that is a
// name, and a path with none gives "unnamed".
std::string FileNameOfHandheldPath(std::string_view path);

// Titles the record of `result` with `name` in place of the file name of
// its path, keeping the suffix its builder gave it.
void RetitleRecord(ConversionResult& result, std::string_view name);

// ---- Plain text and HTML ----

ConversionResult ConvertPlainText(const std::string& path);
ConversionResult ConvertHtml(const std::string& path);

// Turns CR LF, LF CR and lone CR into LF (in that order) and every tab into
// four spaces. The text ends at its first NUL, as a record's text does.
void NormaliseLineBreaks(std::string& text);

// Turns HTML into handheld text: source line breaks become spaces, a few
// tags become line breaks or list bullets, every other tag is removed, and
// five entities are replaced. The text ends at its first NUL.
void HtmlToText(std::string& text);

enum class HtmlTokenKind { kTextRun, kTag, kEnd };

struct HtmlToken {
  HtmlTokenKind kind = HtmlTokenKind::kEnd;
  // A text run, or a tag from its '<' through its '>' (to the end of the
  // text when no '>' follows; the tag then counts as closed there).
  std::string_view text;
  bool closed = true;
};

// The token that starts at `position` in `text`; `position` moves past it
// (to text.size() + 1 after a tag that has no '>').
HtmlToken NextHtmlToken(std::string_view text, size_t& position);

// The replacement of a whole tag, "<" through ">", compared without regard
// to case: line breaks for a few tags, nothing for every other.
std::string_view HtmlTagText(std::string_view tag);

// ---- Converters of the later routes ----

ConversionResult ConvertWordDocument(const std::string& path);
ConversionResult ConvertSpreadsheet(const std::string& path);
// A picture as a 160 x 160 bitmap in the depth of the synchronisation's
// imageMode (ConvertImage) or of the one given.
ConversionResult ConvertImage(const std::string& path);
ConversionResult ConvertImageAtMode(const std::string& path, uint8_t imageMode);
// The text of a PDF document, read by pdftotext, packed like a
// word-processor document's.
ConversionResult ConvertPdf(const std::string& path);

// ---- Install and mail requests ----

// Hands a handheld program or database to the Install Aide and returns a
// message record reporting the outcome (status 0 either way).
ConversionResult InstallOnHandheld(const std::string& path);

// Sends the file by e-mail (any mode but 3) or fax (mode 3) to `address` and
// returns a message record reporting the outcome (status 0 either way).
ConversionResult RequestMailOrFax(int mode, std::string_view address, std::string_view thirdText,
                                  const std::string& path);

constexpr int kRequestModeEmail = 2;
constexpr int kRequestModeFax = 3;

// The HotSync user's name; empty when the Sync Manager cannot report it.
std::string GetHandheldUserName();

}  // namespace conduit
