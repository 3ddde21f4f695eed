// The import filters LibreOffice may open a file with, chosen by the file
// name's extension: a file is read only as the format its name says, so
// that bytes which are not that format fail to open instead of arriving as
// whatever LibreOffice's type detection makes of them (plain text, most
// often).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "result/result.h"

namespace office {

// An import filter, and the text a file must begin with to be given to it
// (empty: any). A few filters take whatever bytes they are given as their
// format's text; those are given only files that begin as their format
// does.
struct ImportFilter {
  std::string_view name;
  std::string_view signature;
};

// The filters to try for `path`, in order; none for an extension LibreOffice
// reads no format of (such a file is not opened at all). A path without an
// extension is left to LibreOffice's detection: `detect` is set.
std::span<const ImportFilter> ImportFiltersOf(std::string_view path, bool& detect);

// Whether the file at `path` begins with `signature` (any readable file
// begins with an empty one); why not when it cannot be read.
platform::Result<bool> BeginsWith(const std::string& path, std::string_view signature);

}  // namespace office
