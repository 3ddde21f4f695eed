// Test support for conversions through LibreOffice: documents made by
// LibreOffice itself, a LibreOffice that stalls on one document, and the
// office processes left running.
#pragma once

#include <string>
#include <vector>

#include "testing/temp_folder.h"

namespace vlmtest {

// True when LibreOffice (soffice) is on PATH.
bool HaveLibreOffice();

// Has LibreOffice convert `sources` (in `folder`) to `format` beside them,
// with a profile of its own in the folder; fails the test when it cannot.
void ConvertWithLibreOffice(const TempFolder& folder, const std::string& format,
                            const std::vector<std::string>& sources);

// Writes `folder`/soffice: the real LibreOffice, except that the moment
// anything opens the file `stalled`, every process of its process group
// (the office server and LibreOffice) stops, as a LibreOffice that hangs on
// a document does. Put `folder` first on PATH to use it.
void WriteStallingOffice(const TempFolder& folder, const std::string& stalled);

// Makes this process the one that orphans among its descendants are given
// to, so that RunningOfficeProcesses finds what a program it ran left behind.
void AdoptOrphans();

// The office server (vlmoffice) and LibreOffice (soffice.bin) processes
// descended from this one that still run (zombies not counted).
std::vector<int> RunningOfficeProcesses();

}  // namespace vlmtest
