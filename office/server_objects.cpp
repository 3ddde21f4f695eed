// Answers and argument checks shared by the servers' objects.
#include "server_objects.h"

#include "automation/office_dispids.h"

namespace office {

InvokeResult Answer(Variant value) {
  InvokeResult result;
  result.value = std::move(value);
  return result;
}

InvokeResult Failure(HResult code, std::string description) {
  InvokeResult result;
  result.code = code;
  result.description = std::move(description);
  return result;
}

InvokeResult Failure(const css::uno::Exception& exception) {
  return Failure(kException, "LibreOffice failed: " + Utf8Of(exception.Message));
}

std::optional<InvokeResult> CheckCount(const std::vector<Variant>& args, size_t least,
                                       size_t most) {
  if (args.size() >= least && args.size() <= most) return std::nullopt;
  return Failure(kBadParamCount, "wrong number of arguments");
}

std::optional<int32_t> IntegerOf(const Variant& arg) {
  if (arg.type == VarType::kI2 || arg.type == VarType::kI4) return arg.integer;
  return std::nullopt;
}

std::string BoundedCallText(std::string text) {
  if (text.size() <= kLargestCallText) return text;
  size_t end = kLargestCallText;
  // UTF-8 continuation bytes (10xxxxxx) belong to the character before.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace office
