// What the converters of documents read by other programs share (the word
// processor, the spreadsheet program and the PDF reader): the text record
// with its 30,000-byte bound, the full path the programs are given, and the
// scoped use of the automation layer. Internal to the conversions.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "automation/automation.h"
#include "convert/convert.h"

namespace conduit {

// The most a document's text takes in its record, its zero included.
constexpr size_t kMaxDocumentTextWithZero = 30000;

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

// A failed conversion: no record, `status` and why.
ConversionResult ConversionFailure(int status, std::string reason);

// Begins the use of the automation layer and ends it when it goes.
class AutomationUse {
 public:
  AutomationUse() : m_status(platform::automation::Initialise()) {}
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
