// A server program for the automation layer's own tests, installed under
// the LibreOffice server's name in a folder of its own. Its application
// object answers:
//   1  the text "answer", and "copied" on the clipboard
//   2  never (it hangs)
//   3  never (it dies)
// and reports every other call as not found.
#include <unistd.h>

#include "automation/wire.h"

using namespace platform::automation;

int main() {
  Reply started;
  if (!WriteFrame(STDOUT_FILENO, EncodeReply(started, nullptr))) return 1;
  std::vector<uint8_t> frame;
  while (ReadFrame(STDIN_FILENO, frame, std::nullopt) == FrameOutcome::kOk) {
    const std::optional<Request> request = DecodeRequest(frame);
    if (!request || request->op == RequestOp::kRelease) continue;
    Reply reply;
    switch (request->dispid) {
      case 1:
        reply.result.value = Variant::String("answer");
        reply.clipboard = {{ClipboardEntry{1, {'c', 'o', 'p', 'i', 'e', 'd', 0}}}};
        break;
      case 2:
        pause();
        break;
      case 3:
        _exit(3);
      default:
        reply.result.code = kMemberNotFound;
    }
    WriteFrame(STDOUT_FILENO, EncodeReply(reply, nullptr));
  }
  return 0;
}
