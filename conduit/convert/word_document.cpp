// Word-processor documents: the word processor's automation server opens
// the document and hands back its text, which goes into a text record of at
// most 30,000 bytes. When the server is not installed, cannot open the
// document or fails, the dispatcher sends the document in PC format.
#include "automation/office_dispids.h"
#include "convert/convert.h"
#include "convert/office_text.h"
#include "fs/fs.h"

namespace conduit {
namespace {

namespace automation = platform::automation;
using automation::InvokeKind;
using automation::Variant;

namespace dispid = automation::word_basic;
constexpr int16_t kCloseWithoutSaving = 2;
constexpr int kOmittedOpenArguments = 5;

std::vector<Variant> OpenArguments(const std::string& fullPath) {
  std::vector<Variant> args = {Variant::String(fullPath), Variant::I2(0), Variant::I2(1),
                               Variant::I2(0)};
  args.insert(args.end(), kOmittedOpenArguments, Variant::Omitted());
  return args;
}

// Opens the document and reads its text; on failure the status and why.
ConversionResult ReadDocumentText(automation::Dispatch& word, const std::string& fullPath,
                                  std::string& text) {
  word.Invoke(dispid::kFirstCall, InvokeKind::kMethod, {Variant::String({})});
  const automation::InvokeResult opened =
      word.Invoke(dispid::kOpen, InvokeKind::kMethod, OpenArguments(fullPath));
  if (!opened.Succeeded()) {
    return ConversionFailure(kConvDocumentNotOpened,
                             Because("the word processor cannot open it", opened.description));
  }
  const automation::InvokeResult selected =
      word.Invoke(dispid::kSelectAll, InvokeKind::kMethod, {});
  if (!selected.Succeeded()) {
    return ConversionFailure(
        kConvSelectionFailed,
        Because("the word processor cannot select its text", selected.description));
  }
  automation::InvokeResult read = word.Invoke(dispid::kReadText, InvokeKind::kMethod, {});
  if (!read.Succeeded() || read.value.type != automation::VarType::kString) {
    return ConversionFailure(kConvTextNotRead,
                             Because("the word processor gave no text", read.description));
  }
  text = std::move(read.value.text);
  word.Invoke(dispid::kCloseDocument, InvokeKind::kMethod, {Variant::I2(kCloseWithoutSaving)});
  return ConversionResult{};
}

}  // namespace

ConversionResult ConvertWordDocument(const std::string& path) {
  const std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
  // A pipe or a device would hold the word processor until its time limit.
  if (!status || !status->isRegularFile) {
    return ConversionFailure(kConvDocumentNotOpened, "it is not a regular file");
  }
  AutomationUse use;
  if (!use.Ok())
    return ConversionFailure(kConvAutomationNotStarted, "automation cannot be started");
  automation::ClassId classId;
  if (automation::Failed(automation::ClassIdFromProgId("Word.Basic", classId))) {
    return ConversionFailure(kConvWordClassNotFound, "no word processor is installed");
  }
  automation::DispatchPtr word;
  std::string why;
  if (automation::Failed(automation::CreateInstance(classId, word, why))) {
    return ConversionFailure(kConvWordNotCreated, "the word processor did not start: " + why);
  }
  const std::string fullPath = FullPathOf(path);
  if (fullPath.empty())
    return ConversionFailure(kConvFullPathNotObtained, "its full path is unknown");
  std::string text;
  ConversionResult result = ReadDocumentText(*word, fullPath, text);
  if (result.status == kConvOk) {
    result =
        BuildDocumentTextRecord(path, text, "- Cut", status->creationTime, status->lastWriteTime);
  }
  word->Invoke(dispid::kCloseServer, InvokeKind::kMethod, {Variant::String({})});
  return result;
}

}  // namespace conduit
