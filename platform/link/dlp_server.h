// Serving DLP on the handheld's end of a link: each request is decoded,
// handed to a DlpHandheld and its answer encoded, until the desktop ends
// the HotSync.
//
// A request for a function this system does not serve is answered with
// kDlpErrIllegalRequest; a request whose arguments do not parse with
// kDlpErrBadWrapper, kDlpErrArgumentMissing or kDlpErrBadArgumentSize.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link/dlp_handheld.h"
#include "link/dlp_link.h"

namespace platform::link {

// Answers requests until EndOfSync has been answered (success) or the
// link fails (its failure: the desktop went away or stopped talking).
Result<void> ServeDlp(HandheldLink& link, DlpHandheld& handheld);

// The reply to one request message, whatever its bytes.
std::vector<uint8_t> AnswerDlp(std::span<const uint8_t> request, DlpHandheld& handheld);

}  // namespace platform::link
