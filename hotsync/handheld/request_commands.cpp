// The handheld's identity and its request preference: `create`,
// `request` and `show-request`. The request is the 18-byte preference of
// creator 'Vlmr', ID 0, in "Saved Preferences": request code at byte 0,
// status at byte 1, image mode at byte 16; the other bytes are the
// handheld application's and are kept.
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "common/hotsync_home.h"
#include "file_list_entry.h"
#include "handheld/companion.h"
#include "handheld_records.h"  // records/
#include "text/transcode.h"

namespace handheld {
namespace {

using platform::pdb::AppPreference;
using platform::pdb::ImageError;
using records::RequestPreference;

constexpr uint16_t kRequestPreferenceId = 0;
constexpr uint16_t kNewPreferenceVersion = 1;

struct RequestName {
  std::string_view word;
  uint8_t code;
  const char* asked;
  const char* done;
};

constexpr RequestName kRequests[] = {
    {"search", records::kRequestSearch, "search asked", "search done"},
    {"fetch", records::kRequestFetch, "fetch asked", "fetch done"},
    {"fax", records::kRequestFax, "fax asked", "fax done"},
    {"email", records::kRequestEmail, "e-mail asked", "e-mail done"},
    {"pcformat", records::kRequestPcFormat, "fetch in PC format asked", "fetch in PC format done"},
    {"receive", records::kRequestReceive, "receive asked", "receive done"},
};

const char* RequestInWords(uint8_t code) {
  for (const RequestName& request : kRequests) {
    if (code == request.code) return request.asked;
    if (code == request.code + 1) return request.done;
  }
  return "nothing requested";
}

const char* StatusInWords(uint8_t status) {
  switch (status) {
    case RequestPreference::kStatusPending:
      return "pending";
    case RequestPreference::kStatusSuccess:
      return "success";
    case RequestPreference::kStatusFailure:
      return "failure";
    case RequestPreference::kStatusNoSearchPath:
      return "search path does not exist";
    default:
      return "unknown";
  }
}

const char* ImageModeInWords(uint8_t mode) {
  if (mode == 2) return "16 greys";
  if (mode == 3) return "256 colours";
  return "4 greys, the default";
}

// The stored preference; a missing one reads as 18 zero bytes, a short one
// is padded. Nothing after a message when it cannot be read.
std::optional<AppPreference> ReadRequestPreference(const platform::pdb::HandheldImage& image) {
  AppPreference preference;
  const ImageError error =
      image.ReadPreference(records::kCreatorId, kRequestPreferenceId, true, &preference);
  if (error == ImageError::kNotFound) {
    preference = AppPreference{kNewPreferenceVersion, {}};
  } else if (error != ImageError::kNone) {
    Fail(std::string("cannot read the request preference: ") + platform::pdb::Describe(error));
    return std::nullopt;
  }
  if (preference.data.size() < RequestPreference::kSize) {
    preference.data.resize(RequestPreference::kSize, 0);
  }
  return preference;
}

// A HotSync user name longer than this would be cut in the file list's user
// field and in the conduit's properties, and no listed file would reach it.
constexpr size_t kMaxUserNameLength = store::FileListEntry::kUserSize - 1;  // 39

// Why `user` cannot name a HotSync user; empty when it can.
std::string UserNameProblem(const std::string& user) {
  if (user.empty() || user.find_first_of("\r\n") != std::string::npos) {
    return "--user needs a one-line user name";
  }
  if (user.size() > kMaxUserNameLength) {
    return "the user name is " + std::to_string(user.size()) +
           " bytes long; a HotSync user name holds at most 39";
  }
  if (hotsync::FolderNameOfUser(user).size() > NAME_MAX) {
    return "the user name is too long for the HotSync user's folder name";
  }
  return {};
}

int Create(const Arguments& arguments) {
  const std::string& folder = arguments.Positional()[0];
  const std::string user = arguments.Value("--user").value_or("");
  if (std::string problem = UserNameProblem(user); !problem.empty()) return UsageFail(problem);
  const platform::pdb::HandheldImage existing(folder);
  const std::optional<std::string> owner =
      existing.Exists() ? existing.ReadUserName() : std::nullopt;
  if (owner && !owner->empty() && *owner != user && !arguments.Has("--force")) {
    return Fail("\"" + folder + "\" is already the handheld of \"" + *owner +
                "\"; give --force to make it the handheld of \"" + user + "\"");
  }
  if (!platform::pdb::HandheldImage::Create(folder, user)) {
    return Fail("cannot create the handheld image \"" + folder + "\"");
  }
  std::cout << "Handheld image " << folder << " for user \"" << user << "\".\n";
  return kExitOk;
}

// How --record names a record of "VlmrFilesDB": by its index ("3"), by its
// unique record ID ("id:0x6F0001" or "id:7274497") or by its title
// ("title:Memo", or the title alone when it is not a number).
struct RecordName {
  enum class Kind { kIndex, kId, kTitle } kind = Kind::kIndex;
  uint32_t number = 0;  // the index or the ID
  std::string title;
};

constexpr std::string_view kIdPrefix = "id:";
constexpr std::string_view kTitlePrefix = "title:";
constexpr uint32_t kMaxRecordId = 0xFFFFFF;  // unique IDs have 24 bits

std::optional<uint32_t> ParseRecordId(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  uint32_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      id > kMaxRecordId) {
    return std::nullopt;
  }
  return id;
}

std::optional<RecordName> ParseRecordName(std::string_view text) {
  if (text.starts_with(kIdPrefix)) {
    const std::optional<uint32_t> id = ParseRecordId(text.substr(kIdPrefix.size()));
    if (!id) return std::nullopt;
    return RecordName{RecordName::Kind::kId, *id, {}};
  }
  const bool numeric = !text.empty() && text.find_first_not_of("0123456789") == text.npos;
  if (numeric) {
    const std::optional<int64_t> index = ParseNumber(text, 0, UINT16_MAX);
    if (!index) return std::nullopt;
    return RecordName{RecordName::Kind::kIndex, static_cast<uint32_t>(*index), {}};
  }
  if (text.starts_with(kTitlePrefix)) text.remove_prefix(kTitlePrefix.size());
  if (text.empty()) return std::nullopt;
  return RecordName{RecordName::Kind::kTitle, 0, std::string(text)};
}

// What a receive request is to bring: --record R or --category N. Nothing
// when neither is given; kExitUsage in `status` after a message when they
// are misused.
struct ReceiveChoice {
  bool wholeCategory = false;
  uint32_t category = 0;
  RecordName record;
};

std::optional<ReceiveChoice> ReadReceiveChoice(const Arguments& arguments, uint8_t request,
                                               int& status) {
  const std::optional<std::string> record = arguments.Value("--record");
  const std::optional<std::string> category = arguments.Value("--category");
  if (!record && !category) return std::nullopt;
  if (request != records::kRequestReceive || (record && category)) {
    status = UsageFail("--record or --category goes with a receive request, one of them");
    return std::nullopt;
  }
  if (category) {
    const std::optional<int64_t> number = ParseNumber(*category, 0, 15);
    if (!number) {
      status = UsageFail("--category takes a number from 0 to 15");
      return std::nullopt;
    }
    return ReceiveChoice{true, static_cast<uint32_t>(*number), {}};
  }
  std::optional<RecordName> name = ParseRecordName(*record);
  if (!name) {
    status = UsageFail(
        "--record takes a record index from 0 to 65535, id: and a record ID up to 0xFFFFFF, "
        "or a title");
    return std::nullopt;
  }
  return ReceiveChoice{false, 0, std::move(*name)};
}

// True when `record` has the ID `name` gives, or its title; `handheldTitle`
// is that title in the handheld's character set.
bool IsNamed(const platform::pdb::PalmRecord& record, const RecordName& name,
             const std::string& handheldTitle) {
  if (name.kind == RecordName::Kind::kId) return record.uniqueId == name.number;
  const std::optional<records::HandheldFileHead> head =
      records::HandheldFileHead::Decode(record.data);
  return head && head->title == handheldTitle;
}

// The index of the live record of "VlmrFilesDB" that `name` names, as the
// conduit's receive takes it; nothing after a message when no record or
// more than one has that ID or title. A title is compared as the handheld
// keeps it, in its own character set.
std::optional<uint32_t> FindReceivedRecord(const platform::pdb::HandheldImage& image,
                                           const RecordName& name) {
  if (name.kind == RecordName::Kind::kIndex) return name.number;
  const std::optional<platform::pdb::PalmDatabase> files =
      LoadDatabase(image, records::kFilesDatabaseName);
  if (!files) return std::nullopt;
  const std::string title = platform::text::TranscodeUtf8ToWindows1252(name.title);
  std::vector<uint32_t> found;
  for (size_t i = 0; i < files->records.size(); ++i) {
    const platform::pdb::PalmRecord& record = files->records[i];
    if (record.IsDeleted()) continue;
    if (IsNamed(record, name, title)) found.push_back(static_cast<uint32_t>(i));
  }
  char id[16];
  std::snprintf(id, sizeof id, "0x%06X", name.number);
  const std::string what = name.kind == RecordName::Kind::kId ? std::string("the record ID ") + id
                                                              : "the title \"" + name.title + "\"";
  if (found.empty()) {
    Fail("no record of \"VlmrFilesDB\" has " + what);
    return std::nullopt;
  }
  if (found.size() > 1) {
    Fail(std::to_string(found.size()) + " records have " + what + "; give the index or ID of one");
    return std::nullopt;
  }
  std::cout << "Record " << found[0] << " has " << what << ".\n";
  return found[0];
}

int Request(const Arguments& arguments) {
  const std::string& word = arguments.Positional()[1];
  const RequestName* request = nullptr;
  for (const RequestName& candidate : kRequests) {
    if (candidate.word == word) request = &candidate;
  }
  if (request == nullptr) {
    return UsageFail("unknown request '" + word + "' (search, fetch, fax, email, pcformat, " +
                     "receive)");
  }
  std::optional<int64_t> imageMode;
  if (auto text = arguments.Value("--image-mode")) {
    if (!(imageMode = ParseNumber(*text, 0, 255))) {
      return UsageFail("--image-mode takes a number from 0 to 255");
    }
  }
  int status = kExitOk;
  const std::optional<ReceiveChoice> receive = ReadReceiveChoice(arguments, request->code, status);
  if (status != kExitOk) return status;
  auto image = OpenImage(arguments.Positional()[0]);
  if (!image) return kExitFailed;
  if (receive) {
    const std::optional<uint32_t> selector =
        receive->wholeCategory ? receive->category : FindReceivedRecord(*image, receive->record);
    if (!selector || !WriteReceiveChoice(*image, receive->wholeCategory, *selector)) {
      return kExitFailed;
    }
  }
  std::optional<AppPreference> preference = ReadRequestPreference(*image);
  if (!preference) return kExitFailed;
  RequestPreference asked =
      RequestPreference::Decode(preference->data).value_or(RequestPreference{});
  asked.SetRequest(request->code);
  asked.SetStatus(RequestPreference::kStatusPending);
  if (imageMode) asked.SetImageMode(static_cast<uint8_t>(*imageMode));
  asked.EncodeInto(preference->data);
  const ImageError error =
      image->WritePreference(records::kCreatorId, kRequestPreferenceId, true, *preference);
  if (error != ImageError::kNone) {
    return Fail(std::string("cannot write the request preference: ") +
                platform::pdb::Describe(error));
  }
  std::cout << "Request " << unsigned{request->code} << " (" << request->asked << ") is pending.\n";
  return kExitOk;
}

int ShowRequest(const Arguments& arguments) {
  auto image = OpenImage(arguments.Positional()[0]);
  if (!image) return kExitFailed;
  AppPreference preference;
  const ImageError error =
      image->ReadPreference(records::kCreatorId, kRequestPreferenceId, true, &preference);
  if (error == ImageError::kNotFound) {
    std::cout << "No request preference.\n";
    return kExitOk;
  }
  if (error != ImageError::kNone) {
    return Fail(std::string("cannot read the request preference: ") +
                platform::pdb::Describe(error));
  }
  const std::optional<RequestPreference> stored = RequestPreference::Decode(preference.data);
  if (!stored) {
    return Fail("the request preference is " + std::to_string(preference.data.size()) +
                " bytes long, not 18");
  }
  const uint8_t request = stored->Request();
  const uint8_t status = stored->Status();
  const uint8_t mode = stored->ImageMode();
  std::cout << "request: " << unsigned{request} << " (" << RequestInWords(request) << ")\n"
            << "status: " << unsigned{status} << " (" << StatusInWords(status) << ")\n"
            << "image mode: " << unsigned{mode} << " (" << ImageModeInWords(mode) << ")\n";
  return kExitOk;
}

constexpr char kCreateUsage[] =
    "Usage: handheld create IMAGE --user NAME [--force]\n"
    "\n"
    "Makes the handheld image folder IMAGE (and its parents) with the HotSync\n"
    "user NAME (at most 39 bytes) in handheld.ini. An image that already has\n"
    "another user is left alone unless --force is given; it then keeps its\n"
    "databases and gets the new name.\n";

constexpr char kRequestUsage[] =
    "Usage: handheld request IMAGE search|fetch|fax|email|pcformat|receive\n"
    "                        [--image-mode N] [--record R | --category N]\n"
    "\n"
    "Asks for work at the next HotSync: writes the request code (1, 3, 5, 7, 9\n"
    "or 11) with status 0xFF (pending) into the preference of creator Vlmr,\n"
    "ID 0, keeping its other bytes.\n"
    "\n"
    "  --image-mode N   also set the image mode byte (2: 16 greys,\n"
    "                   3: 256 colours, other values: 4 greys)\n"
    "  --record R       receive: bring one record of \"VlmrFilesDB\", named by\n"
    "                   its index (a number, as \"handheld files\" lists it),\n"
    "                   its record ID (id:0x6F0001 or id:7274497, as listed)\n"
    "                   or its title (title:Memo, or Memo alone when the title\n"
    "                   is not a number)\n"
    "  --category N     receive: bring every record of category N (0 to 15)\n"
    "\n"
    "An index is taken as given; an ID or a title must name exactly one record\n"
    "that is not deleted, and is turned into that record's index now.\n"
    "Without --record or --category a receive request brings what the search\n"
    "block already names (see search-fields).\n";

constexpr char kShowRequestUsage[] =
    "Usage: handheld show-request IMAGE\n"
    "\n"
    "Shows the request code, the status and the image mode of the request\n"
    "preference, in numbers and words.\n";

}  // namespace

void AddRequestCommands(std::vector<CommandSpec>& commands) {
  commands.push_back(
      {"create", kCreateUsage, {{"--user", true}, {"--force", false}}, 1, 1, &Create, true});
  commands.push_back({"request",
                      kRequestUsage,
                      {{"--image-mode", true}, {"--record", true}, {"--category", true}},
                      2,
                      2,
                      &Request,
                      true});
  commands.push_back({"show-request", kShowRequestUsage, {}, 1, 1, &ShowRequest});
}

}  // namespace handheld
