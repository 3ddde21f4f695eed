// The automation layer: classes looked up by programmatic identifier
// ("Word.Basic"), their instances created as servers in processes of their
// own, and calls made on the servers' objects by dispatch identifier with
// positional VARIANT-style arguments.
//
// An object is held through a DispatchPtr; the last reference to an object
// releases it in its server. A server whose objects are all released is
// kept for the next instance of a class it serves, so that a run of
// conversions starts the program behind it once; it ends (with everything
// it started) after a short idle time, or at once at EndKeptServers. A process
// that dies, however it dies, takes its servers and everything they started
// with it. Every call to a server has a time limit: a server that does not
// answer in time, or that dies, is killed, and the call and every later
// call on its objects fail with an error code.
//
// Nothing here throws; every failure is an HRESULT-style code.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::automation {

using HResult = int32_t;

constexpr HResult kOk = 0;
constexpr HResult kClassNotRegistered = static_cast<HResult>(0x80040154);
constexpr HResult kServerExecFailure = static_cast<HResult>(0x80080005);
constexpr HResult kNotInitialised = static_cast<HResult>(0x800401F0);
constexpr HResult kMemberNotFound = static_cast<HResult>(0x80020003);
constexpr HResult kParamNotFound = static_cast<HResult>(0x80020004);
constexpr HResult kTypeMismatch = static_cast<HResult>(0x80020005);
constexpr HResult kException = static_cast<HResult>(0x80020009);
constexpr HResult kBadParamCount = static_cast<HResult>(0x8002000E);
constexpr HResult kCallTimedOut = static_cast<HResult>(0x8001011F);
constexpr HResult kDisconnected = static_cast<HResult>(0x80010108);
constexpr HResult kServerUnavailable = static_cast<HResult>(0x800706BA);

inline bool Failed(HResult code) {
  return code < 0;
}

// The VARIANT types the layer carries.
enum class VarType : uint16_t {
  kEmpty = 0,
  kI2 = 2,
  kI4 = 3,
  kString = 8,  // UTF-8 text
  kDispatch = 9,
  kError = 10,  // an error code; kParamNotFound marks an omitted argument
  kBool = 11,
};

class Dispatch;
using DispatchPtr = std::shared_ptr<Dispatch>;

struct Variant {
  VarType type = VarType::kEmpty;
  int32_t integer = 0;  // kI2, kI4, kError (the code) and kBool
  std::string text;     // kString
  DispatchPtr object;   // kDispatch

  static Variant String(std::string text);
  static Variant I2(int16_t value);
  static Variant I4(int32_t value);
  static Variant Bool(bool value);
  static Variant Object(DispatchPtr object);
  // An optional argument that is not given.
  static Variant Omitted();
};

enum class InvokeKind : uint8_t { kMethod = 1, kPropertyGet = 2 };

struct InvokeResult {
  HResult code = kOk;
  Variant value;
  std::string description;  // why the call failed, for a person

  bool Succeeded() const { return !Failed(code); }
};

// An automation object: a server's own object, or the stand-in for one that
// lives in another process.
class Dispatch {
 public:
  virtual ~Dispatch() = default;
  virtual InvokeResult Invoke(int32_t dispid, InvokeKind kind,
                              const std::vector<Variant>& args) = 0;
};

// A registered class: its programmatic identifier and the server program
// that makes its instances.
struct ClassId {
  std::string progId;
  std::string serverProgram;
  std::string programPath;  // the program behind the class, as found on PATH
};

// Begins and ends the use of the layer on this thread; calls in between.
HResult Initialise();
void Uninitialise();

// Registers `progId` as made by `serverProgram`, a program in the server
// folder, while `requiredProgram` is installed (on PATH); replaces an
// earlier registration of `progId`.
void RegisterClass(std::string_view progId, std::string_view requiredProgram,
                   std::string_view serverProgram);

// The class registered under `progId`; kClassNotRegistered when there is
// none (or its program is not installed).
HResult ClassIdFromProgId(std::string_view progId, ClassId& classId);

// Gives a new application object of the class: from a kept server of the
// class when one runs, else from a server started for it; the server's
// start counts as one call for the time limit.
HResult CreateInstance(const ClassId& classId, DispatchPtr& object, std::string& description);

// Ends every kept server now (a server still holding an object ends when
// its last object is released).
void EndKeptServers();

// Ends the kept servers when it goes: the servers a job started end with
// the job.
class KeptServersScope {
 public:
  KeptServersScope() = default;
  ~KeptServersScope() { EndKeptServers(); }
  KeptServersScope(const KeptServersScope&) = delete;
  KeptServersScope& operator=(const KeptServersScope&) = delete;
};

// The longest any one call, or a server's start, may take.
void SetCallTimeLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds CallTimeLimit();

// The folder holding the server programs; by default the folder of the
// module that holds this code.
void SetServerFolder(std::string folder);

}  // namespace platform::automation
