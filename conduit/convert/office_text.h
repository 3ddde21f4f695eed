// What the converters of documents read by other programs share (the word
// processor, the spreadsheet program and the PDF reader): the text record
// with its 30,000-byte bound, the full path the programs are given, and the
// scoped use of the automation layer. Internal to the conversions.
#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "automation/automation.h"
#include "convert/convert.h"

namespace conduit {

// The most a document's text takes in its record, its zero included.
constexpr size_t kMaxDocumentTextWithZero = 30000;
// UTF-8 text from which the record's text is certainly full: a character
// of the handheld's takes at most four bytes of UTF-8 (one without a form
// there becomes '?'), and a CR LF pair becomes one line feed. Reading more
// of a document than this gains nothing.
constexpr size_t kEnoughDocumentText = 4 * kMaxDocumentTextWithZero;

// How long another program may take over one step of a conversion (its
// start, one call, a whole pdftotext run): the value "ConversionTimeLimit"
// of "Software\Olvenmark\Vellamore\Parameters" in seconds, 1 to 3600;
// 30 seconds when it is not set or not such a number.
std::chrono::seconds ConversionTimeLimit();

// The record of a UTF-8 text another program gave for the file at `path`:
// transcoded for the handheld, line breaks normalised, then cut to 29,999
// characters (titled with `cutSuffix` when it was); the size field counts
// the text's zero.
ConversionResult BuildDocumentTextRecord(const std::string& path, std::string_view utf8Text,
                                         std::string_view cutSuffix, time_t created,
                                         time_t modified);

// The absolute path of `path`, as another program must be given it; empty
// when it cannot be had.
std::string FullPathOf(const std::string& path);

// "what: description", or `what` alone when there is no description.
std::string Because(std::string_view what, std::string_view description);

// A failed conversion: no record, `status` and why.
ConversionResult ConversionFailure(ConversionStatus status, std::string reason);

// Registers the office classes with the server program that answers them.
void RegisterOfficeClasses();

// Begins the use of the automation layer, with the office classes
// registered and the conversion time limit on every call, and ends it when
// it goes.
class AutomationUse {
 public:
  AutomationUse() : m_status(platform::automation::Initialise()) {
    RegisterOfficeClasses();
    platform::automation::SetCallTimeLimit(ConversionTimeLimit());
  }
  ~AutomationUse() {
    if (Ok()) platform::automation::Uninitialise();
  }
  AutomationUse(const AutomationUse&) = delete;
  AutomationUse& operator=(const AutomationUse&) = delete;
  bool Ok() const { return !platform::automation::Failed(m_status); }

 private:
  platform::automation::HResult m_status;
};

}  // namespace conduit
