// The search side of the handheld application: `search-fields` edits the
// application-info block of "VlmrSearchDB" (creating the database as the
// application does), `results` lists the result records and `select` picks
// the ones to fetch.
#include <iostream>

#include "handheld/companion.h"
#include "handheld_records.h"  // records/

namespace handheld {
namespace {

using platform::pdb::PalmDatabase;
using platform::pdb::PalmRecord;
using records::SearchAppInfo;

constexpr uint32_t kSearchDatabaseType = 0x53726368;  // 'Srch'

struct TextField {
  std::string_view option;
  size_t room;  // the most characters the field holds
  void (SearchAppInfo::*set)(const std::string&);
};

// The search spec may fill its field without a NUL, as the handheld allows.
constexpr TextField kTextFields[] = {
    {"--spec", SearchAppInfo::kSearchSpecSize, &SearchAppInfo::SetSearchSpec},
    {"--text", SearchAppInfo::kSearchTextSize - 1, &SearchAppInfo::SetSearchText},
    {"--fax", SearchAppInfo::kAddressSize - 1, &SearchAppInfo::SetFaxNumber},
    {"--email", SearchAppInfo::kAddressSize - 1, &SearchAppInfo::SetEmailAddress},
    {"--third", SearchAppInfo::kAddressSize - 1, &SearchAppInfo::SetThirdText},
};

struct FlagField {
  std::string_view option;
  void (SearchAppInfo::*set)(bool);
};

constexpr FlagField kFlagFields[] = {
    {"--text-search", &SearchAppInfo::SetTextSearchOn},
    {"--list-only", &SearchAppInfo::SetListOnly},
    {"--subfolders", &SearchAppInfo::SetIncludeSubFolders},
    {"--whole-category", &SearchAppInfo::SetReceiveWholeCategory},
};

PalmDatabase NewSearchDatabase() {
  PalmDatabase database;
  database.name = records::kSearchDatabaseName;
  database.creator = records::kCreatorId;
  database.type = kSearchDatabaseType;
  database.attributes = platform::pdb::kDbAttrBackup;
  database.created = database.modified = time(nullptr);
  return database;
}

// Checks every option's value before anything is written; the block is
// changed only when all of them are good.
int ApplyFields(const Arguments& arguments, SearchAppInfo& fields) {
  for (const TextField& field : kTextFields) {
    std::optional<std::string> value = arguments.Value(field.option);
    if (!value) continue;
    if (value->size() > field.room) {
      return UsageFail(std::string(field.option) + " holds at most " + std::to_string(field.room) +
                       " characters");
    }
    (fields.*field.set)(*value);
  }
  for (const FlagField& field : kFlagFields) {
    std::optional<std::string> value = arguments.Value(field.option);
    if (!value) continue;
    std::optional<bool> on = ParseOnOff(*value);
    if (!on) return UsageFail(std::string(field.option) + " takes on or off");
    (fields.*field.set)(*on);
  }
  if (std::optional<std::string> value = arguments.Value("--receive-selector")) {
    std::optional<int64_t> selector = ParseNumber(*value, 0, UINT32_MAX);
    if (!selector) return UsageFail("--receive-selector takes a number from 0 to 4294967295");
    fields.SetReceiveSelector(static_cast<uint32_t>(*selector));
  }
  return kExitOk;
}

void PrintFields(const SearchAppInfo& fields) {
  auto text = [](const std::string& field) {
    // Built in place: GCC 12 warns falsely about a literal added to a
    // temporary string in optimised builds.
    std::string quoted = "\"";
    quoted += field;
    quoted += '"';
    return quoted;
  };
  auto flag = [](bool on) { return on ? "on" : "off"; };
  std::cout << "spec: " << text(fields.SearchSpec()) << "\ntext: " << text(fields.SearchText())
            << "\nlast spec: " << text(fields.LastSearchSpec())
            << "\ntext search: " << flag(fields.TextSearchOn())
            << "\nlist only: " << flag(fields.ListOnly())
            << "\nsubfolders: " << flag(fields.IncludeSubFolders())
            << "\nfax: " << text(fields.FaxNumber()) << "\nemail: " << text(fields.EmailAddress())
            << "\nthird: " << text(fields.ThirdText())
            << "\nwhole category: " << flag(fields.ReceiveWholeCategory())
            << "\nreceive selector: " << fields.WholeReceiveSelector() << "\n";
}

int SearchFields(const Arguments& arguments) {
  auto image = OpenImage(arguments.Positional()[0]);
  if (!image) return kExitFailed;
  std::optional<PalmDatabase> database;
  if (image->HasDatabase(records::kSearchDatabaseName)) {
    if (!(database = LoadDatabase(*image, records::kSearchDatabaseName))) return kExitFailed;
  } else {
    database = NewSearchDatabase();
  }
  std::vector<uint8_t>& block = database->appInfo;
  if (block.size() < SearchAppInfo::kSize) block.resize(SearchAppInfo::kSize, 0);
  const std::vector<uint8_t> before = block;
  SearchAppInfo fields = SearchAppInfo::FromBytes(block);
  if (int status = ApplyFields(arguments, fields); status != kExitOk) return status;
  fields.EncodeInto(block);
  if (block != before || !image->HasDatabase(records::kSearchDatabaseName)) {
    database->modified = time(nullptr);
    if (!SaveDatabase(*image, *database)) return kExitFailed;
  }
  PrintFields(fields);
  return kExitOk;
}

int Results(const Arguments& arguments) {
  std::optional<ImageDatabase> opened =
      OpenImageDatabase(arguments.Positional()[0], records::kSearchDatabaseName, true);
  if (!opened) return kExitFailed;
  const std::vector<PalmRecord>& records = opened->database.records;
  std::cout << "index\tselected\tpath\tcreated\tmodified\tsize\n";
  for (size_t i = 0; i < records.size(); ++i) {
    const std::vector<uint8_t>& data = records[i].data;
    const std::optional<records::SearchResult> result = records::SearchResult::Decode(data);
    if (!result) {
      std::cout << i << "\t-\t(short record of " << data.size() << " bytes)\n";
      continue;
    }
    std::cout << i << "\t" << (result->selected != 0 ? "yes" : "no") << "\t"
              << EscapeField(result->path) << "\t" << FormatSearchResultStamp(result->created)
              << "\t" << FormatSearchResultStamp(result->modified) << "\t" << result->size << "\n";
  }
  return kExitOk;
}

// The selection asked for: every record, none, or exactly the listed ones.
std::optional<std::vector<bool>> WantedSelection(const std::vector<std::string>& words,
                                                 size_t count) {
  if (words.size() == 1 && (words[0] == "all" || words[0] == "none")) {
    return std::vector<bool>(count, words[0] == "all");
  }
  std::vector<bool> wanted(count, false);
  for (const std::string& word : words) {
    std::optional<size_t> index = ParseIndex(word, count);
    if (!index) return std::nullopt;
    wanted[*index] = true;
  }
  return wanted;
}

int Select(const Arguments& arguments) {
  std::optional<ImageDatabase> opened =
      OpenImageDatabase(arguments.Positional()[0], records::kSearchDatabaseName);
  if (!opened) return kExitFailed;
  std::vector<PalmRecord>& records = opened->database.records;
  const std::vector<std::string> words(arguments.Positional().begin() + 1,
                                       arguments.Positional().end());
  std::optional<std::vector<bool>> wanted = WantedSelection(words, records.size());
  if (!wanted) return kExitFailed;
  size_t selected = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    PalmRecord& record = records[i];
    if (record.data.empty()) continue;
    const uint8_t value = (*wanted)[i] ? 1 : 0;
    selected += value;
    if (record.data[records::SearchResult::kSelectedOffset] == value) continue;
    record.data[records::SearchResult::kSelectedOffset] = value;
    record.attributes |= platform::pdb::kRecordDirty;  // changed on the handheld
  }
  if (!SaveDatabase(opened->image, opened->database)) return kExitFailed;
  std::cout << selected << " of " << records.size() << " results selected.\n";
  return kExitOk;
}

constexpr char kSearchFieldsUsage[] =
    "Usage: handheld search-fields IMAGE [--spec S] [--text T] [--text-search on|off]\n"
    "           [--list-only on|off] [--subfolders on|off] [--fax N] [--email A]\n"
    "           [--third T] [--receive-selector N] [--whole-category on|off]\n"
    "\n"
    "Sets the given fields of the search block of \"VlmrSearchDB\" (creating the\n"
    "database when it is missing) and shows every field.\n"
    "\n"
    "  --spec S              folder and file pattern, such as /home/ada/Documents/*.txt\n"
    "                        (at most 128 characters)\n"
    "  --text T              text a found file must contain\n"
    "  --text-search on|off  on: find only the files that contain that text\n"
    "  --list-only on|off    on: only list the results; off: fetch them at once\n"
    "  --subfolders on|off   search the sub-folders too\n"
    "  --fax N, --email A    destination of a fax or e-mail request\n"
    "  --third T             third text sent along with fax and e-mail\n"
    "  --receive-selector N  what a receive request brings: the record with\n"
    "                        index N of \"VlmrFilesDB\", or with --whole-category\n"
    "                        on every record of category N\n"
    "  --whole-category on|off\n";

constexpr char kResultsUsage[] =
    "Usage: handheld results IMAGE\n"
    "\n"
    "Lists the search results of \"VlmrSearchDB\", separated by tabs: index,\n"
    "selected, PC path, created, modified, size.\n";

constexpr char kSelectUsage[] =
    "Usage: handheld select IMAGE all|none|N...\n"
    "\n"
    "Picks the search results to fetch: all, none, or exactly the results with\n"
    "the given indexes (the others are cleared).\n";

}  // namespace

bool WriteReceiveChoice(const platform::pdb::HandheldImage& image, bool wholeCategory,
                        uint32_t selector) {
  std::optional<PalmDatabase> database;
  if (image.HasDatabase(records::kSearchDatabaseName)) {
    if (!(database = LoadDatabase(image, records::kSearchDatabaseName))) return false;
  } else {
    database = NewSearchDatabase();
  }
  SearchAppInfo fields = SearchAppInfo::FromBytes(database->appInfo);
  fields.SetReceiveWholeCategory(wholeCategory);
  fields.SetReceiveSelector(selector);
  fields.EncodeInto(database->appInfo);
  database->modified = time(nullptr);
  return SaveDatabase(image, *database);
}

void AddSearchCommands(std::vector<CommandSpec>& commands) {
  std::vector<OptionSpec> fieldOptions = {{"--receive-selector", true}};
  for (const TextField& field : kTextFields) fieldOptions.push_back({field.option, true});
  for (const FlagField& field : kFlagFields) fieldOptions.push_back({field.option, true});
  commands.push_back(
      {"search-fields", kSearchFieldsUsage, fieldOptions, 1, 1, &SearchFields, true});
  commands.push_back({"results", kResultsUsage, {}, 1, 1, &Results});
  commands.push_back({"select", kSelectUsage, {}, 2, SIZE_MAX, &Select, true});
}

}  // namespace handheld
