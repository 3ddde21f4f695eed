// What every object of the LibreOffice servers shares: answers, argument
// checks, and the answer of a call that fills the caller's clipboard.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "automation/wire.h"
#include "office_session.h"

namespace office {

// The servers speak the automation layer's vocabulary throughout.
using namespace platform::automation;

// An object of the servers. A call that fills the caller's clipboard says so
// in its reply, which is what the request loop sends; every other call
// answers through Invoke alone.
class ServerObject : public Dispatch {
 public:
  virtual Reply Call(int32_t dispid, InvokeKind kind, const std::vector<Variant>& args) {
    return Reply{Invoke(dispid, kind, args), std::nullopt};
  }
};

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

// The application objects of the two classes.
DispatchPtr CreateWordBasic(OfficeSession& session);
DispatchPtr CreateExcelApplication(OfficeSession& session);

}  // namespace office
