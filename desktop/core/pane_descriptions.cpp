// The content pane's descriptions of PC entries and received PC-format files.
#include "pane_descriptions.h"

#include "view_formats.h"

namespace desktop {
namespace {

constexpr char kBlankLine[] = "\r\n\r\n";

const char* SendActionText(uint16_t action) {
  switch (action) {
    case store::kActionAlways:
      return "Always send to handheld";
    case store::kActionDontSend:
      return "Do not send to handheld";
    case store::kActionOneTime:
      return "Send to handheld one time only";
    case store::kActionIfChanged:
      return "Send to handheld if file has changed";
    default:
      return "Unknown";
  }
}

// The content kinds read alike for both kinds of entry but for the case of
// one word (the PC format of a PC entry has the same code); other codes read
// `otherText`.
std::string FormatText(uint16_t format, const char* pcFormatText, const char* otherText) {
  switch (format) {
    case store::kContentText:
      return "Text";
    case store::kContentBitmap:
      return "Picture";
    case store::kContentPcFormat:
      return pcFormatText;
    default:
      return otherText;
  }
}

// Path, the two dates and the size, as both descriptions give them.
std::string FileFacts(const store::FileListEntry& entry) {
  std::string text = "Path:  " + entry.path + kBlankLine;
  text += "Date Created:  " + FormatDateTime(entry.created);
  text += "Date Modified:  " + FormatDateTime(entry.modified);
  text += "Size:  " + FormatSize(entry.size) + kBlankLine;
  return text;
}

bool NeverStamped(const store::HandheldDateTime& stamp) {
  return stamp.bytes[0] == 0;
}

}  // namespace

std::string PcFilePaneTitle(const store::FileListEntry& entry) {
  return entry.title + " - PC File";
}

std::string HandheldFilePaneTitle(const store::FileListEntry& entry) {
  return entry.title + " - Handheld File";
}

std::string DescribePcFile(const store::FileListEntry& entry) {
  std::string text = std::string("FILE DESCRIPTION") + kBlankLine;
  text += std::string("Action:  ") + SendActionText(entry.action) + kBlankLine;
  text += FileFacts(entry);
  text += "Format:  " +
          FormatText(entry.format, "Original PC format (may not be viewable on Palm)",
                     "Use best format for handheld") +
          kBlankLine;
  text += "Last sent to handheld:  ";
  text += NeverStamped(entry.lastSent) ? "File has not been sent to handheld"
                                       : FormatDateTime(entry.lastSent);
  return text;
}

std::string DescribeReceivedFile(const store::FileListEntry& entry) {
  std::string text = std::string("FILE DESCRIPTION") + kBlankLine;
  text += std::string("File was received from handheld") + kBlankLine;
  text += FileFacts(entry);
  text += "Format:  " +
          FormatText(entry.format, "Original PC Format (may not be viewable on Palm)", "Unknown") +
          kBlankLine;
  text += "Last received by PC:  ";
  text +=
      NeverStamped(entry.lastSent) ? "File has not been received" : FormatDateTime(entry.lastSent);
  return text;
}

}  // namespace desktop
