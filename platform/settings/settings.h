// The current user's registry, kept where and how Qt's QSettings keeps the
// same settings on Linux, so that a Qt program and this library read and
// write one another's values.
//
// Keys are registry paths below the current user, separated by '\':
//
//   "Software"                         the folder ConfigRoot()
//   "Software\<Company>"               the folder <root>/<Company>; its own
//                                      values go to <root>/<Company>.conf
//   "Software\<Company>\<Program>"     the file <root>/<Company>/<Program>.conf,
//                                      values in its [General] group
//   "...\<Program>\<Section>"          group [<Section>] of that file
//   "...\<Program>\<Section>\<Sub>"    group [<Section>], keys "<Sub>\<value>"
//
// The sub-keys of "Software" and of a company are the folders and the .conf
// files in its folder; those of a program or section are the groups and key
// paths in the file. A trailing '\' is allowed. Names are UTF-8 and compared
// exactly (case matters, as it does for QSettings on Linux); a name holding
// '/' or NUL, an empty name, and "." or ".." as a company or program are
// refused. Values are byte strings (see ini_escape.h for how they are
// stored).
//
// Reads take no lock: files are only ever replaced whole (temporary file and
// rename). Every change runs under an exclusive lock on a hidden lock file
// beside the .conf file (".<Program>.conf.lock"), reads the file, changes it
// and replaces it, so concurrent writers never lose one another's values.
// QSettings' own lock file ("<Program>.conf.lock") is a different file, which
// these locks leave alone. A lock file goes with the file it guards.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::settings {

// The value `value` of `key`; nothing when the key, the value or the file
// does not exist, or the names are not valid.
std::optional<std::string> QueryValue(std::string_view key, std::string_view value);

// Sets `value` of `key` to `data`, creating the key (its folders and file)
// when needed. Returns 0, EINVAL for a key or value name that cannot be
// stored, or the errno of the file operation that failed.
int SetValue(std::string_view key, std::string_view value, std::string_view data);

// True when `key` exists: its folder or file, or at least one value below it.
bool KeyExists(std::string_view key);

// The names of the sub-keys of `key`, in byte order; empty when it has none
// or does not exist.
std::vector<std::string> EnumKeys(std::string_view key);

// The names of the values of `key`, in byte order.
std::vector<std::string> EnumValues(std::string_view key);

// Removes one value. Returns 0, ENOENT when it was not there, EINVAL for bad
// names, or the errno of the failed file operation.
int DeleteValue(std::string_view key, std::string_view value);

// Removes `key` with all its values and everything below it. For a company
// or a program that is its .conf file and, in the folder of the same name,
// every settings file (.conf files with their locks and temporaries) and the
// folders left empty; links and files of other programs stay where they are,
// and so do the folders holding them. Returns 0, ENOENT when it did not
// exist, EINVAL for a bad key, EPERM for "Software" itself (the whole
// configuration folder is never removed), or an errno.
int DeleteKey(std::string_view key);

// The file that holds the values of `key` ("<root>/<Company>.conf" or
// "<root>/<Company>/<Program>.conf"); "" for "Software" or a bad key.
std::string FileOfKey(std::string_view key);

// $XDG_CONFIG_HOME when it is set to an absolute path, else $HOME/.config
// (the home folder from the password database when HOME is unset).
std::string ConfigRoot();

}  // namespace platform::settings
