// The handheld companion: plays the handheld application on an image
// folder. Each command is described by a CommandSpec (name, help text,
// options, number of positional words) and run on parsed arguments; the
// helpers here are what the commands share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handheld/arguments.h"
#include "handheld_date_time.h"
#include "pdb/handheld_image.h"

namespace handheld {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the image, a database or a file could not be used
constexpr int kExitUsage = 2;   // bad command line

struct CommandSpec {
  std::string_view name;
  const char* usage;
  std::vector<OptionSpec> options;
  size_t minPositional;
  size_t maxPositional;  // SIZE_MAX: any number
  int (*run)(const Arguments& arguments);
  // The command writes into the image: it runs holding the image's lock,
  // and says the handheld is busy while a HotSync holds it.
  bool changesImage = false;
};

// The commands, by group.
void AddRequestCommands(std::vector<CommandSpec>& commands);
void AddSearchCommands(std::vector<CommandSpec>& commands);
void AddFilesCommands(std::vector<CommandSpec>& commands);
void AddConnectCommand(std::vector<CommandSpec>& commands);

// Prints "handheld: <message>" on standard error; returns kExitFailed or
// kExitUsage.
int Fail(const std::string& message);
int UsageFail(const std::string& message);

// Takes the lock of the image in `folder` for a command that changes it.
// False after a message when a HotSync holds it. A folder that does not
// exist yet, or cannot be locked at all, is no reason to stop: the command
// itself then creates it or reports what is wrong.
bool LockImageForChange(const std::string& folder, platform::FileLock& lock);

// A text for one field of a tab-separated listing: a backslash, tab, line
// break and every other control character is written as an escape (\\,
// \t, \n, \r, \xNN), so each record stays on one line and no byte reaches
// the terminal as a control sequence.
std::string EscapeField(std::string_view text);

// The image in `folder`; nothing after a message when it is no folder.
std::optional<platform::pdb::HandheldImage> OpenImage(const std::string& folder);

// Database `name` of the image; nothing after a message when it is missing
// or damaged.
std::optional<platform::pdb::PalmDatabase> LoadDatabase(const platform::pdb::HandheldImage& image,
                                                        std::string_view name);
// An image together with one of its databases, for the commands that read
// or change that database.
struct ImageDatabase {
  platform::pdb::HandheldImage image;
  platform::pdb::PalmDatabase database;
};

// The image in `folder` and its database `name`; nothing after a message
// when either cannot be used. With `missingIsEmpty`, an image without the
// database gives an empty one of that name, for commands that list it.
std::optional<ImageDatabase> OpenImageDatabase(const std::string& folder, std::string_view name,
                                               bool missingIsEmpty = false);

// Writes what a receive request brings to the PC into the search block of
// "VlmrSearchDB" (created when missing): the record with index `selector`,
// or with `wholeCategory` every record of category `selector`. False after
// a message.
bool WriteReceiveChoice(const platform::pdb::HandheldImage& image, bool wholeCategory,
                        uint32_t selector);

// The PNG picture of a bitmap record (content kind 2), in the colours the
// PC gives its pixels. Nothing, with `why` set, for any other record or a
// bitmap shorter than its depth needs.
std::optional<std::vector<uint8_t>> BitmapRecordAsPng(const std::vector<uint8_t>& record,
                                                      std::string& why);

// Writes the database back; false after a message.
bool SaveDatabase(const platform::pdb::HandheldImage& image,
                  const platform::pdb::PalmDatabase& database);

// A record index given on the command line, checked against `count`.
std::optional<size_t> ParseIndex(std::string_view text, size_t count);

// "2001-03-05 14:07:00" for a stamp; "-" for an unset one.
std::string FormatStamp(const store::HandheldDateTime& stamp);
// The same for the search-result form, whose byte 0 is the century's year
// modulo 256.
std::string FormatSearchResultStamp(const store::HandheldDateTime& stamp);

}  // namespace handheld
