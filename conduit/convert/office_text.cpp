// The text record of documents read by other programs, the full path those
// programs are given, and how long they may take.
#include "convert/office_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "convert/record_writer.h"
#include "program_names.h"  // store/
#include "settings/settings.h"
#include "sync_log.h"
#include "text/transcode.h"

namespace conduit {
namespace {

constexpr auto kDefaultTimeLimit = std::chrono::seconds(30);
constexpr long kLongestTimeLimit = 3600;

}  // namespace

std::chrono::seconds ConversionTimeLimit() {
  const std::optional<std::string> configured =
      platform::settings::QueryValue(store::kParametersKey, store::kConversionTimeLimitValue);
  if (configured) {
    char* end = nullptr;
    errno = 0;
    const long seconds = std::strtol(configured->c_str(), &end, 10);
    if (errno == 0 && end != configured->c_str() && *end == '\0' && seconds >= 1 &&
        seconds <= kLongestTimeLimit) {
      return std::chrono::seconds(seconds);
    }
    // Said once a HotSync (the conduit is loaded for each), not at every document.
    static bool s_told = false;
    if (!s_told) {
      s_told = true;
      LogWarning(("The setting ConversionTimeLimit \"" + *configured +
                  "\" is not a whole number of seconds from 1 to 3600; conversions are given " +
                  std::to_string(kDefaultTimeLimit.count()) + " seconds")
                     .c_str());
    }
  }
  return kDefaultTimeLimit;
}

ConversionResult BuildDocumentTextRecord(const std::string& path, std::string_view utf8Text,
                                         std::string_view cutSuffix, time_t created,
                                         time_t modified) {
  return CatchNoMemory([&] {
    std::string text = platform::text::TranscodeUtf8ToWindows1252(utf8Text);
    NormaliseLineBreaks(text);
    const bool cut = text.size() + 1 > kMaxDocumentTextWithZero;
    if (cut) text.resize(kMaxDocumentTextWithZero - 1);
    TextRecordFields fields;
    fields.text = text;
    fields.cut = cut;
    fields.sizeCountsZero = true;
    fields.cutSuffix = cutSuffix;
    fields.created = created;
    fields.modified = modified;
    return BuildTextRecord(path, fields);
  });
}

std::string FullPathOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error || full.native().size() >= PATH_MAX) return {};
  return full.lexically_normal().string();
}

std::string Because(std::string_view what, std::string_view description) {
  std::string reason(what);
  if (!description.empty()) reason.append(": ").append(description);
  return reason;
}

ConversionResult ConversionFailure(ConversionStatus status, std::string reason) {
  return ConversionResult{std::nullopt, status, std::move(reason), {}};
}

void RegisterOfficeClasses() {
  // Both are answered by our office server, and only where LibreOffice is
  // installed.
  platform::automation::RegisterClass("Word.Basic", "soffice", "vlmoffice");
  platform::automation::RegisterClass("Excel.Application", "soffice", "vlmoffice");
}

}  // namespace conduit
