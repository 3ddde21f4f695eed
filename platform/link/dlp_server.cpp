// The handheld's DLP loop and the table that routes each function to its
// DlpHandheld method through the call's layouts (dlp_calls.h).
#include "link/dlp_server.h"

#include <iterator>
#include <type_traits>

namespace platform::link {
namespace {

constexpr int kLastDlpError = 127;

DlpReply ErrorReply(uint8_t function, int code) {
  const bool isDlpError = code > kDlpErrNone && code <= kLastDlpError;
  return DlpReply{function, static_cast<uint16_t>(isDlpError ? code : kDlpErrSystem), {}};
}

// Decodes the call's request, calls `Method` and encodes its answer. The
// static checks keep each method's types those of its call.
template <typename Call, auto Method>
DlpReply Serve(const DlpRequest& request, DlpHandheld& handheld) {
  using Request = typename Call::Request;
  using Reply = typename Call::Reply;
  constexpr bool kTakesNothing = std::is_invocable_v<decltype(Method), DlpHandheld&>;
  static_assert(!kTakesNothing || std::is_same_v<Request, NoArguments>);

  Result<Request> decoded = Request::Decode(request.arguments);
  if (!decoded) return ErrorReply(request.function, decoded.Code());
  auto answer = [&] {
    if constexpr (kTakesNothing) {
      return (handheld.*Method)();
    } else {
      return (handheld.*Method)(*decoded);
    }
  }();
  if (!answer) return ErrorReply(request.function, answer.Code());

  if constexpr (std::is_same_v<Reply, NoArguments>) {
    static_assert(std::is_same_v<decltype(answer), Result<void>>);
    return DlpReply{request.function, kDlpErrNone, {}};
  } else {
    static_assert(std::is_same_v<decltype(answer), Result<Reply>>);
    Result<DlpArguments> arguments = EncodedArguments(answer->Encode());
    if (!arguments) return ErrorReply(request.function, kDlpErrSystem);
    return DlpReply{request.function, kDlpErrNone, std::move(arguments).Value()};
  }
}

struct Route {
  DlpFunction function;
  DlpReply (*answer)(const DlpRequest&, DlpHandheld&);
};

template <typename Call, auto Method>
constexpr Route RouteTo() {
  return {Call::kFunction, &Serve<Call, Method>};
}

using H = DlpHandheld;

constexpr Route kRoutes[] = {
    RouteTo<calls::ReadSysInfo, &H::ReadSysInfo>(),
    RouteTo<calls::ReadUserInfo, &H::ReadUserInfo>(),
    RouteTo<calls::WriteUserInfo, &H::WriteUserInfo>(),
    RouteTo<calls::GetSysDateTime, &H::GetSysDateTime>(),
    RouteTo<calls::SetSysDateTime, &H::SetSysDateTime>(),
    RouteTo<calls::ReadStorageInfo, &H::ReadStorageInfo>(),
    RouteTo<calls::ReadNetSyncInfo, &H::ReadNetSyncInfo>(),
    RouteTo<calls::WriteNetSyncInfo, &H::WriteNetSyncInfo>(),
    RouteTo<calls::OpenConduit, &H::OpenConduit>(),
    RouteTo<calls::AddSyncLogEntry, &H::AddSyncLogEntry>(),
    RouteTo<calls::EndOfSync, &H::EndOfSync>(),
    RouteTo<calls::ReadDBList, &H::ReadDBList>(),
    RouteTo<calls::FindDB, &H::FindDB>(),
    RouteTo<calls::OpenDB, &H::OpenDB>(),
    RouteTo<calls::CreateDB, &H::CreateDB>(),
    RouteTo<calls::CloseDB, &H::CloseDB>(),
    RouteTo<calls::DeleteDB, &H::DeleteDB>(),
    RouteTo<calls::ReadOpenDBInfo, &H::ReadOpenDBInfo>(),
    RouteTo<calls::ReadAppBlock, &H::ReadAppBlock>(),
    RouteTo<calls::WriteAppBlock, &H::WriteAppBlock>(),
    RouteTo<calls::ReadSortBlock, &H::ReadSortBlock>(),
    RouteTo<calls::WriteSortBlock, &H::WriteSortBlock>(),
    RouteTo<calls::CleanUpDatabase, &H::CleanUpDatabase>(),
    RouteTo<calls::ResetSyncFlags, &H::ResetSyncFlags>(),
    RouteTo<calls::ResetRecordIndex, &H::ResetRecordIndex>(),
    RouteTo<calls::ReadRecord, &H::ReadRecord>(),
    RouteTo<calls::ReadNextModifiedRec, &H::ReadNextModifiedRec>(),
    RouteTo<calls::ReadNextRecInCategory, &H::ReadNextRecInCategory>(),
    RouteTo<calls::WriteRecord, &H::WriteRecord>(),
    RouteTo<calls::DeleteRecord, &H::DeleteRecord>(),
    RouteTo<calls::ReadRecordIDList, &H::ReadRecordIDList>(),
    RouteTo<calls::ReadResource, &H::ReadResource>(),
    RouteTo<calls::WriteResource, &H::WriteResource>(),
    RouteTo<calls::ReadAppPreference, &H::ReadAppPreference>(),
    RouteTo<calls::WriteAppPreference, &H::WriteAppPreference>(),
};

static_assert(std::size(kRoutes) == std::tuple_size_v<AllDlpCalls>, "every call has its route");

DlpReply Answer(const DlpRequest& request, DlpHandheld& handheld) {
  for (const Route& route : kRoutes) {
    if (static_cast<uint8_t>(route.function) == request.function) {
      return route.answer(request, handheld);
    }
  }
  return ErrorReply(request.function, kDlpErrIllegalRequest);
}

}  // namespace

std::vector<uint8_t> AnswerDlp(std::span<const uint8_t> message, DlpHandheld& handheld) {
  Result<DlpRequest> request = DlpRequest::Decode(message);
  if (!request) {
    const uint8_t function = message.empty() ? 0 : message[0] & ~kDlpReplyBit;
    return ErrorReply(function, kDlpErrBadWrapper).Encode();
  }
  return Answer(*request, handheld).Encode();
}

Result<void> ServeDlp(HandheldLink& link, DlpHandheld& handheld) {
  constexpr uint8_t kEndOfSync = static_cast<uint8_t>(DlpFunction::kEndOfSync);
  for (;;) {
    Result<std::vector<uint8_t>> request = link.NextRequest();
    if (!request) return request.Error();
    if (Result<void> sent = link.Reply(AnswerDlp(*request, handheld)); !sent) return sent;
    if (!request->empty() && (*request)[0] == kEndOfSync) return {};
  }
}

}  // namespace platform::link
