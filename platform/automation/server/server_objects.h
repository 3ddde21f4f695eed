// What every object of the LibreOffice servers shares: answers, argument
// checks, and the clipboard that a call fills for the caller.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "automation/server/office_session.h"
#include "automation/wire.h"

namespace platform::automation::server {

InvokeResult Answer(Variant value = {});
InvokeResult Failure(HResult code, std::string description);
// A UNO exception as the failure of a call.
InvokeResult Failure(const css::uno::Exception& exception);

// kBadParamCount unless `args` has from `least` to `most` arguments.
std::optional<InvokeResult> CheckCount(const std::vector<Variant>& args, size_t least, size_t most);
// An I2 or I4 argument.
std::optional<int32_t> IntegerOf(const Variant& arg);

// `text` cut to the most text one call hands back, at a character's start.
std::string BoundedCallText(std::string text);

// What the current call puts on the caller's clipboard.
void SetCallClipboard(std::vector<ClipboardEntry> entries);
std::optional<std::vector<ClipboardEntry>> TakeCallClipboard();

// The application objects of the two classes.
DispatchPtr CreateWordBasic(OfficeSession& session);
DispatchPtr CreateExcelApplication(OfficeSession& session);

}  // namespace platform::automation::server
