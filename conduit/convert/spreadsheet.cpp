// Spreadsheets: the spreadsheet program's automation server opens the
// workbook read-only, and each worksheet's used range is copied to the
// clipboard and collected as text, one block per sheet:
//
//   Name (CodeName)\n\n<the range's text, or "(Empty)">\n\n\n
//
// The clipboard is saved before the first copy and restored after the last.
// The walk stops once the text is more than the record can hold.
// Any failure after the workbook was opened still restores the clipboard,
// closes the workbook and ends the server, and the dispatcher then sends
// the workbook in PC format.
#include "automation/office_dispids.h"
#include "clipboard/clipboard.h"
#include "convert/convert.h"
#include "convert/office_text.h"
#include "convert/saved_clipboard.h"
#include "fs/fs.h"

namespace conduit {
namespace {

namespace automation = platform::automation;
using automation::DispatchPtr;
using automation::InvokeKind;
using automation::InvokeResult;
using automation::Variant;
using automation::VarType;

namespace dispid = automation::excel;
constexpr int kOmittedOpenArguments = 10;
constexpr std::string_view kEmptySheet = "(Empty)";
constexpr std::string_view kCutSuffix = " - Cut";

// A property read or method call whose result must be of `type`.
bool Call(automation::Dispatch& object, int32_t dispid, InvokeKind kind,
          const std::vector<Variant>& args, VarType type, Variant& value, std::string& why) {
  InvokeResult result = object.Invoke(dispid, kind, args);
  if (!result.Succeeded() || (type != VarType::kEmpty && result.value.type != type)) {
    why =
        result.description.empty() ? "the spreadsheet program gave no answer" : result.description;
    return false;
  }
  value = std::move(result.value);
  return true;
}

bool GetObject(automation::Dispatch& object, int32_t dispid, const std::vector<Variant>& args,
               DispatchPtr& child, std::string& why) {
  Variant value;
  if (!Call(object, dispid, InvokeKind::kPropertyGet, args, VarType::kDispatch, value, why)) {
    return false;
  }
  child = std::move(value.object);
  return true;
}

// The clipboard's text, up to its first NUL, if it holds any.
std::optional<std::string> ClipboardText() {
  namespace clipboard = platform::clipboard;
  if (!clipboard::Open()) return std::nullopt;
  std::optional<std::vector<uint8_t>> block = clipboard::Get(clipboard::kFormatText);
  clipboard::Close();
  if (!block) return std::nullopt;
  std::string text(block->begin(), block->end());
  text.resize(std::min(text.size(), text.find('\0')));
  return text;
}

// Appends the block of sheet `index`; false and why when a call fails.
bool AppendSheet(automation::Dispatch& sheets, int16_t index, std::string& text, std::string& why) {
  DispatchPtr sheet, range;
  Variant name, codeName, ignored;
  if (!GetObject(sheets, dispid::kItem, {Variant::I2(index)}, sheet, why) ||
      !Call(*sheet, dispid::kName, InvokeKind::kPropertyGet, {}, VarType::kString, name, why) ||
      !Call(*sheet, dispid::kCodeName, InvokeKind::kPropertyGet, {}, VarType::kString, codeName,
            why)) {
    return false;
  }
  text.append(name.text).append(" (").append(codeName.text).append(")\n\n");
  if (!GetObject(*sheet, dispid::kUsedRange, {}, range, why) ||
      !Call(*range, dispid::kCopy, InvokeKind::kMethod, {Variant::Omitted()}, VarType::kEmpty,
            ignored, why)) {
    return false;
  }
  const std::optional<std::string> copied = ClipboardText();
  text.append(copied ? *copied : std::string(kEmptySheet)).append("\n\n\n");
  return true;
}

// The text of every worksheet of the open workbook, or false and why.
bool CollectSheets(automation::Dispatch& workbook, std::string& text, std::string& why) {
  DispatchPtr sheets;
  Variant count;
  if (!GetObject(workbook, dispid::kWorksheets, {}, sheets, why) ||
      !Call(*sheets, dispid::kCount, InvokeKind::kPropertyGet, {}, VarType::kI4, count, why)) {
    return false;
  }
  if (count.integer > INT16_MAX) {
    why = "the workbook has more sheets than can be counted";
    return false;
  }
  // Once the record is certainly full, the later sheets cannot show.
  for (int16_t index = 1; index <= count.integer && text.size() < kEnoughDocumentText; ++index) {
    if (!AppendSheet(*sheets, index, text, why)) return false;
  }
  return true;
}

std::vector<Variant> OpenArguments(const std::string& fullPath) {
  std::vector<Variant> args = {Variant::String(fullPath), Variant::I2(0), Variant::I2(1)};
  args.insert(args.end(), kOmittedOpenArguments, Variant::Omitted());
  return args;
}

// Opens the workbook, collects its sheets through the clipboard and closes
// it; the status and why when it cannot.
ConversionResult ReadWorkbookText(automation::Dispatch& excel, const std::string& fullPath,
                                  std::string& text) {
  DispatchPtr workbooks;
  std::string why;
  if (!GetObject(excel, dispid::kWorkbooks, {}, workbooks, why)) {
    return ConversionFailure(kConvOtherFailure, why);
  }
  Variant workbook;
  if (!Call(*workbooks, dispid::kOpen, InvokeKind::kMethod, OpenArguments(fullPath),
            VarType::kDispatch, workbook, why)) {
    return ConversionFailure(kConvCannotOpen, "the workbook cannot be opened: " + why);
  }
  std::vector<SavedClipboardFormat> saved = SaveClipboard();
  const bool collected = CollectSheets(*workbook.object, text, why);
  RestoreClipboard(std::move(saved));
  workbook.object->Invoke(dispid::kClose, InvokeKind::kMethod,
                          {Variant::I2(0), Variant::Omitted(), Variant::Omitted()});
  if (!collected) return ConversionFailure(kConvOtherFailure, "the sheets cannot be read: " + why);
  return ConversionResult{};
}

}  // namespace

ConversionResult ConvertSpreadsheet(const std::string& path) {
  const std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
  // A pipe or a device would hold the spreadsheet program until its time limit.
  if (!status || !status->isRegularFile) {
    return ConversionFailure(kConvCannotOpen, "it is not a regular file");
  }
  AutomationUse use;
  automation::ClassId classId;
  if (!use.Ok() ||
      automation::Failed(automation::ClassIdFromProgId("Excel.Application", classId))) {
    return ConversionFailure(kConvAutomationNotStarted, "no spreadsheet program is installed");
  }
  automation::DispatchPtr excel;
  std::string why;
  if (automation::Failed(automation::CreateInstance(classId, excel, why))) {
    return ConversionFailure(kConvAutomationNotStarted,
                             "the spreadsheet program did not start: " + why);
  }
  const std::string fullPath = FullPathOf(path);
  std::string text;
  ConversionResult result = fullPath.empty()
                                ? ConversionFailure(kConvOtherFailure, "its full path is unknown")
                                : ReadWorkbookText(*excel, fullPath, text);
  excel->Invoke(dispid::kQuit, InvokeKind::kMethod, {});
  if (result.status != kConvOk) return result;
  return BuildDocumentTextRecord(path, text, kCutSuffix, status->creationTime,
                                 status->lastWriteTime);
}

}  // namespace conduit
