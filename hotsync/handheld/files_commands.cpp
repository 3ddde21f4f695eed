// The files side of the handheld application: `files` lists "VlmrFilesDB",
// `extract` writes a record's content to a PC file, `add-text` and
// `add-bitmap` make records as the handheld user would, and `edit` plays a
// change made on the handheld (the record becomes dirty).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <span>

#include "bytes/bytes.h"
#include "fs/fs.h"
#include "handheld/companion.h"
#include "handheld_bitmap.h"   // records/
#include "handheld_records.h"  // records/
#include "picture_to_bitmap.h"  // imaging/
#include "text/transcode.h"

namespace handheld {
namespace {

namespace layout = records::file_record;
using platform::pdb::PalmDatabase;
using platform::pdb::PalmRecord;

namespace bitmap = records::bitmap;

std::string AttributesInWords(uint8_t attributes) {
  std::string words;
  auto add = [&](uint8_t bit, const char* word) {
    if (attributes & bit) words += words.empty() ? word : std::string(",") + word;
  };
  add(platform::pdb::kRecordDeleted, "deleted");
  add(platform::pdb::kRecordDirty, "dirty");
  add(platform::pdb::kRecordBusy, "busy");
  add(platform::pdb::kRecordSecret, "secret");
  return words.empty() ? "-" : words;
}

const char* KindInWords(uint8_t kind) {
  switch (kind) {
    case records::kContentText:
      return "text";
    case records::kContentBitmap:
      return "bitmap";
    case records::kContentPcFormat:
      return "PC format";
    default:
      return "unknown";
  }
}

int Files(const Arguments& arguments) {
  std::optional<ImageDatabase> opened =
      OpenImageDatabase(arguments.Positional()[0], records::kFilesDatabaseName, true);
  if (!opened) return kExitFailed;
  const std::vector<PalmRecord>& records = opened->database.records;
  std::cout << "index\tfile ID\ttitle\tkind\tsize\trecord size\tcategory\tattributes\trecord ID\n";
  for (size_t i = 0; i < records.size(); ++i) {
    const PalmRecord& record = records[i];
    const std::vector<uint8_t>& data = record.data;
    char attributes[8];
    std::snprintf(attributes, sizeof attributes, "0x%02X", record.attributes & 0xF0u);
    char uniqueId[16];
    std::snprintf(uniqueId, sizeof uniqueId, "0x%06X", record.uniqueId);
    std::cout << i << "\t";
    if (const auto head = records::HandheldFileHead::Decode(data)) {
      std::cout << head->fileId << "\t"
                << EscapeField(platform::text::Windows1252ToUtf8(head->title)) << "\t"
                << unsigned{head->contentKind} << " (" << KindInWords(head->contentKind) << ")\t"
                << head->size;
    } else {
      std::cout << "-\t(short record)\t-\t-";
    }
    std::cout << "\t" << data.size() << "\t" << unsigned{record.Category()} << "\t" << attributes
              << " (" << AttributesInWords(record.attributes) << ")\t" << uniqueId << "\n";
  }
  return kExitOk;
}

// The content bytes of a record: a text up to its NUL; other kinds as many
// bytes as the size field gives, never more than the record holds.
std::vector<uint8_t> ContentOf(const std::vector<uint8_t>& data) {
  const auto head = records::HandheldFileHead::Decode(data);
  if (!head) return {};
  const std::span<const uint8_t> content = records::FileRecordContent(data);
  auto end = content.end();
  if (head->contentKind == records::kContentText) {
    end = std::find(content.begin(), content.end(), uint8_t{0});
  } else if (head->size < content.size()) {
    end = content.begin() + static_cast<ptrdiff_t>(head->size);
  }
  return std::vector<uint8_t>(content.begin(), end);
}

// "VlmrFilesDB" of the image named by the first word, and the record index
// named by the second; nothing after a message.
std::optional<ImageDatabase> OpenFilesRecord(const Arguments& arguments, size_t* index) {
  std::optional<ImageDatabase> opened =
      OpenImageDatabase(arguments.Positional()[0], records::kFilesDatabaseName);
  if (!opened) return std::nullopt;
  std::optional<size_t> parsed =
      ParseIndex(arguments.Positional()[1], opened->database.records.size());
  if (!parsed) return std::nullopt;
  *index = *parsed;
  return opened;
}

int Extract(const Arguments& arguments) {
  size_t index = 0;
  std::optional<ImageDatabase> opened = OpenFilesRecord(arguments, &index);
  if (!opened) return kExitFailed;
  const std::vector<uint8_t>& data = opened->database.records[index].data;
  if (data.size() < layout::kHeadSize) return Fail("record " + std::to_string(index) + " is short");
  std::vector<uint8_t> content;
  if (arguments.Has("--png")) {
    std::string why;
    std::optional<std::vector<uint8_t>> png = BitmapRecordAsPng(data, why);
    if (!png) return Fail("cannot show record " + std::to_string(index) + " as a picture: " + why);
    content = std::move(*png);
  } else {
    content = ContentOf(data);
  }
  const std::string& out = arguments.Positional()[2];
  if (int error = platform::WriteFileAtomically(out, content); error != 0) {
    return Fail("cannot write \"" + out + "\": " + std::strerror(error));
  }
  std::cout << "Wrote " << content.size() << " bytes to " << out << ".\n";
  return kExitOk;
}

// Options shared by add-text and add-bitmap.
struct NewRecordOptions {
  std::string title;
  std::string source;
  uint8_t category = 0;
  bool secret = false;
  std::vector<uint8_t> content;
};

// Reads --file, --title, --source, --category and --secret; kExitOk or
// the exit status after a message.
int ReadNewRecordOptions(const Arguments& arguments, NewRecordOptions* options) {
  const std::string file = arguments.Value("--file").value_or("");
  if (file.empty()) return UsageFail("--file is needed");
  int error = 0;
  std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile(file, platform::kDefaultReadLimit, &error);
  if (!bytes) return Fail("cannot read \"" + file + "\": " + platform::DescribeReadError(error));
  options->content = std::move(*bytes);
  const std::string typedTitle =
      arguments.Value("--title").value_or(platform::FileNameOfPath(file));
  // The handheld keeps its titles and source paths in its own character set.
  options->title = platform::text::TranscodeUtf8ToWindows1252(typedTitle);
  options->source = platform::text::TranscodeUtf8ToWindows1252(
      arguments.Value("--source").value_or(typedTitle));
  if (options->title.size() > layout::kMaxTitleLength) {
    return UsageFail("a title holds at most 39 characters");
  }
  if (options->source.size() > layout::kMaxPathLength) {
    return UsageFail("a source path holds at most 127 characters");
  }
  if (auto text = arguments.Value("--category")) {
    std::optional<int64_t> category = ParseNumber(*text, 0, 15);
    if (!category) return UsageFail("--category takes a number from 0 to 15");
    options->category = static_cast<uint8_t>(*category);
  }
  options->secret = arguments.Has("--secret");
  return kExitOk;
}

// A record made on the handheld now: the head, the content and a NUL (the
// end of a text, the spare byte after a bitmap).
std::vector<uint8_t> NewRecordData(const NewRecordOptions& options, uint8_t kind,
                                   uint16_t depthCode) {
  const store::HandheldDateTime now = store::HandheldDateTime::FromPcTime(time(nullptr), true);
  records::HandheldFileHead head;
  head.fileId = 0;  // made on the handheld, not sent from the PC list
  head.title = options.title;
  head.sourcePath = options.source;
  head.created = head.modified = head.sent = now;
  head.depthCode = depthCode;
  head.size = static_cast<uint32_t>(options.content.size());
  head.contentKind = kind;
  return records::EncodeFileRecord(head, options.content, layout::kHandheldZeros);
}

// Appends the record to "VlmrFilesDB", creating the database when missing.
int AppendRecord(const std::string& folder, const NewRecordOptions& options,
                 std::vector<uint8_t> data) {
  if (data.size() > layout::kMaxRecordSize) {
    return Fail("the record would be " + std::to_string(data.size()) +
                " bytes; a handheld record holds at most 65000");
  }
  auto image = OpenImage(folder);
  if (!image) return kExitFailed;
  std::optional<PalmDatabase> database;
  if (image->HasDatabase(records::kFilesDatabaseName)) {
    if (!(database = LoadDatabase(*image, records::kFilesDatabaseName))) return kExitFailed;
  } else {
    database.emplace();
    database->name = records::kFilesDatabaseName;
    database->creator = records::kCreatorId;
    database->type = records::kFilesDatabaseType;
    database->created = time(nullptr);
  }
  PalmRecord record;
  record.attributes = static_cast<uint8_t>(platform::pdb::kRecordDirty | options.category |
                                           (options.secret ? platform::pdb::kRecordSecret : 0));
  record.uniqueId = database->NextUniqueId();
  record.data = std::move(data);
  database->records.push_back(std::move(record));
  database->modified = time(nullptr);
  if (!SaveDatabase(*image, *database)) return kExitFailed;
  std::cout << "Added record " << database->records.size() - 1 << " \""
            << platform::text::Windows1252ToUtf8(options.title) << "\".\n";
  return kExitOk;
}

int AddText(const Arguments& arguments) {
  NewRecordOptions options;
  if (int status = ReadNewRecordOptions(arguments, &options); status != kExitOk) return status;
  // The text ends at its first NUL, as the handheld keeps it.
  auto nul = std::find(options.content.begin(), options.content.end(), uint8_t{0});
  options.content.erase(nul, options.content.end());
  return AppendRecord(arguments.Positional()[0], options,
                      NewRecordData(options, records::kContentText, 0));
}

// A PNG or JPEG picture, by the signature its bytes begin with.
bool IsPngOrJpeg(const std::vector<uint8_t>& bytes) {
  static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static constexpr uint8_t kJpeg[] = {0xFF, 0xD8, 0xFF};
  auto startsWith = [&](std::span<const uint8_t> signature) {
    return bytes.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin());
  };
  return startsWith(kPng) || startsWith(kJpeg);
}

// The handheld bitmap of the picture in `bytes` at the depth of
// `depthCode`, made as the conduit makes the bitmaps it fetches: scaled to
// fit the 160 x 160 screen, centred on black and reduced to the depth.
// Nothing, with `why` set, when the picture cannot be decoded.
std::optional<std::vector<uint8_t>> PictureAsBitmap(std::span<const uint8_t> bytes,
                                                    uint16_t depthCode, std::string& why) {
  // The bytes begin with a PNG or JPEG signature, which names their format
  // without an extension. The imaging library's warnings are the HotSync
  // log's; the companion has none.
  platform::Result<std::vector<uint8_t>> made =
      imaging::PictureToBitmap(bytes, {}, bitmap::DepthForCode(depthCode), nullptr);
  if (!made) {
    why = made.Reason();
    return std::nullopt;
  }
  return std::move(made).Value();
}

int AddBitmap(const Arguments& arguments) {
  NewRecordOptions options;
  if (int status = ReadNewRecordOptions(arguments, &options); status != kExitOk) return status;
  std::optional<uint16_t> givenDepth;
  if (auto text = arguments.Value("--depth")) {
    std::optional<int64_t> given = ParseNumber(*text, 1, 3);
    if (!given) return UsageFail("--depth takes 1, 2 or 3");
    givenDepth = static_cast<uint16_t>(*given);
  }
  const std::string file = *arguments.Value("--file");
  uint16_t depth = 0;
  if (std::optional<bitmap::Depth> header = bitmap::DepthOfBitmap(options.content)) {
    // Kept as it is; the depth code follows its header unless given.
    depth = givenDepth.value_or(header->code);
  } else if (IsPngOrJpeg(options.content)) {
    depth = givenDepth.value_or(bitmap::kTwoBit.code);
    std::string why;
    std::optional<std::vector<uint8_t>> made = PictureAsBitmap(options.content, depth, why);
    if (!made) return Fail("cannot read the picture \"" + file + "\": " + why);
    options.content = std::move(*made);
  } else {
    return Fail("\"" + file + "\" is neither a PNG or JPEG picture nor a handheld bitmap");
  }
  return AppendRecord(arguments.Positional()[0], options,
                      NewRecordData(options, records::kContentBitmap, depth));
}

int Edit(const Arguments& arguments) {
  size_t index = 0;
  std::optional<ImageDatabase> opened = OpenFilesRecord(arguments, &index);
  if (!opened) return kExitFailed;
  PalmRecord& record = opened->database.records[index];
  if (std::optional<std::string> file = arguments.Value("--content")) {
    const auto head = records::HandheldFileHead::Decode(record.data);
    if (!head) return Fail("the record is short");
    int error = 0;
    std::optional<std::vector<uint8_t>> content =
        platform::ReadWholeFile(*file, platform::kDefaultReadLimit, &error);
    if (!content) {
      return Fail("cannot read \"" + *file + "\": " + platform::DescribeReadError(error));
    }
    const bool text = head->contentKind == records::kContentText;
    if (text)
      content->erase(std::find(content->begin(), content->end(), uint8_t{0}), content->end());
    if (layout::kHeadSize + content->size() + 1 > layout::kMaxRecordSize) {
      return Fail("the new content does not fit a handheld record");
    }
    record.data.resize(layout::kHeadSize);
    record.data.insert(record.data.end(), content->begin(), content->end());
    record.data.push_back(0);
    records::ChangeFileHead(record.data, [&content](records::HandheldFileHead& head) {
      head.size = static_cast<uint32_t>(content->size());
      head.modified = store::HandheldDateTime::FromPcTime(time(nullptr), true);
    });
  }
  record.attributes |= platform::pdb::kRecordDirty;
  if (!SaveDatabase(opened->image, opened->database)) return kExitFailed;
  std::cout << "Record " << index << " marked as changed on the handheld.\n";
  return kExitOk;
}

constexpr char kFilesUsage[] =
    "Usage: handheld files IMAGE\n"
    "\n"
    "Lists the records of \"VlmrFilesDB\", separated by tabs: index, file ID,\n"
    "title, content kind, size field, record size, category, attributes and\n"
    "record ID. The index is the record's place in the database and changes\n"
    "when a HotSync adds or removes records; the record ID stays. A file ID is\n"
    "the PC's number for a file it sent (0 for one made on the handheld). A\n"
    "handheld without the database has no records. In a title, a backslash,\n"
    "tab, line break or other control character is shown as \\\\, \\t, \\n, \\r\n"
    "or \\xNN.\n";

constexpr char kExtractUsage[] =
    "Usage: handheld extract IMAGE INDEX OUT [--png]\n"
    "\n"
    "Writes the content of record INDEX of \"VlmrFilesDB\" to the file OUT: a\n"
    "text up to its end, other kinds as many bytes as the size field says.\n"
    "With --png a bitmap record is written as a 160 x 160 PNG picture instead,\n"
    "in the greys or colours the handheld shows.\n";

constexpr char kAddTextUsage[] =
    "Usage: handheld add-text IMAGE --file F [--title T] [--source P]\n"
    "                         [--category N] [--secret]\n"
    "\n"
    "Adds a text record made on the handheld to \"VlmrFilesDB\" (created when\n"
    "missing): the text of F, title T (default: F's file name), source path P\n"
    "(default: the title), stamps of now, content kind 1, file ID 0, category N\n"
    "(0 to 15), private with --secret. The record is new on the handheld, so it\n"
    "is dirty.\n";

constexpr char kAddBitmapUsage[] =
    "Usage: handheld add-bitmap IMAGE --file F [--title T] [--source P]\n"
    "                           [--category N] [--secret] [--depth 1|2|3]\n"
    "\n"
    "Adds a picture record made on the handheld, content kind 2, with the\n"
    "options of add-text. F is a PNG or JPEG picture, or a handheld bitmap.\n"
    "\n"
    "A picture is made into a bitmap as the conduit makes the pictures it\n"
    "fetches: scaled to fit the 160 x 160 screen, centred on black and reduced\n"
    "to the depth --depth gives (1: 4 greys, the default; 2: 16 greys; 3: 256\n"
    "colours).\n"
    "\n"
    "A handheld bitmap (16-byte header for 160 x 160 pixels of 2, 4 or 8 bits,\n"
    "the pixels, and the colour table for 8 bits) is taken as it is; its depth\n"
    "code follows the header's pixel size unless --depth gives it.\n";

constexpr char kEditUsage[] =
    "Usage: handheld edit IMAGE INDEX [--content F]\n"
    "\n"
    "Plays a change made on the handheld: record INDEX of \"VlmrFilesDB\" becomes\n"
    "dirty. With --content its content is replaced by the bytes of F, with its\n"
    "size field and modified stamp.\n";

}  // namespace

void AddFilesCommands(std::vector<CommandSpec>& commands) {
  const std::vector<OptionSpec> newRecord = {{"--file", true},
                                             {"--title", true},
                                             {"--source", true},
                                             {"--category", true},
                                             {"--secret", false}};
  std::vector<OptionSpec> newBitmap = newRecord;
  newBitmap.push_back({"--depth", true});
  commands.push_back({"files", kFilesUsage, {}, 1, 1, &Files});
  commands.push_back({"extract", kExtractUsage, {{"--png", false}}, 3, 3, &Extract});
  commands.push_back({"add-text", kAddTextUsage, newRecord, 1, 1, &AddText, true});
  commands.push_back({"add-bitmap", kAddBitmapUsage, newBitmap, 1, 1, &AddBitmap, true});
  commands.push_back({"edit", kEditUsage, {{"--content", true}}, 2, 2, &Edit, true});
}

}  // namespace handheld
