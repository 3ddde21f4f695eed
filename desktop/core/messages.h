// Fixed texts of the desktop program: window titles, message box texts and
// their captions. Kept in one place so that the windows and the tests use
// the same words.
#pragma once

namespace desktop {

inline constexpr char kMainWindowTitle[] = "Vellamore File View";
inline constexpr char kAboutLine[] = "Vellamore Version 1.0";
// What the About box says of the program and of its licence (as in the
// package's copyright file).
inline constexpr char kAboutDescription[] =
    "Vellamore sends the PC files you list to your Palm OS handheld at each HotSync, "
    "converted for reading there, and brings the texts and pictures made on the "
    "handheld back to the PC.";
inline constexpr char kAboutLicence[] =
    "Copyright 2024 Olvenmark. You may install and use Vellamore; you may not "
    "redistribute it or works derived from it without Olvenmark's written permission. "
    "It comes without any warranty.";

// Store file.
inline constexpr char kSaveErrorText[] = "Error creating the data file";
inline constexpr char kSaveErrorCaption[] = "Error";

// Caption of the program's own messages that belong to no command.
inline constexpr char kProgramCaption[] = "Vellamore";

// Main view.
inline constexpr char kNoFilesTitle[] = "No Files";
inline constexpr char kEmptyListText[] =
    "No Vellamore files are currently on the PC for this User and Category.\r\n\r\n"
    "Click Add to select files to send to your handheld, or select another User or "
    "Category.\r\n\r\n"
    "Synchronize your handheld to receive Vellamore files.";
inline constexpr char kDeleteCaption[] = "Delete File";
inline constexpr char kDeleteNoSelectionText[] = "First select an item from the list";
inline constexpr char kDeleteQuestionText[] = "Really delete this item?";
// A command asked first, and while the question was open a HotSync (or
// another program) rewrote the list without the entry the command was for.
inline constexpr char kEntryGoneText[] =
    "This item is no longer in the list: the list was changed by a HotSync or "
    "another program while the question was open.\n\nNothing was changed.";
// A change waited to be saved, and meanwhile another writer took its entry
// out of the list.
inline constexpr char kChangeDroppedText[] =
    "Your change to \"%s\" could not be saved: the list was changed by a HotSync "
    "or another program, and the item is no longer in it.";
// Closing the program while a change waits for the list.
inline constexpr char kQuitWhileWaitingText[] =
    "Your last change waits for the HotSync to finish and is not saved yet.\n\n"
    "Quit anyway and lose it?";
// Shown in the status bar while another writer holds the list.
inline constexpr char kWaitingForListText[] = "Waiting for the HotSync to finish...";
inline constexpr char kTextChangedText[] = "The text has been changed.\n\nSave the changes?";
inline constexpr char kTextChangedCaption[] = "Text Changed";

// Adding files and the PC File Details dialog.
inline constexpr char kAllFilesFilter[] = "All  Files|*.*";
inline constexpr char kDetailsCaption[] = "File Details";
inline constexpr char kSelectItemText[] = "Please select an item from the list.";
inline constexpr char kPcFileDetailsTitle[] = "PC File Details";
inline constexpr char kAddFileCaption[] = "Add File to List";
inline constexpr char kSizeWarningText[] =
    "This file is more than the maximum size of 64,000 bytes.  Only the first 64,000 bytes "
    "will be sent to the handheld.\n\nConinue?";
// A path that does not fit the store's 127 characters is refused whole: a
// shortened path would name another file.
inline constexpr char kPathTooLongText[] =
    "The file cannot be added to the list: its full path is longer than 127 "
    "characters.\n\n%s";
// The file went away or became unreadable after it was chosen.
inline constexpr char kNoFileStatusText[] =
    "The file cannot be added to the list: its size and dates cannot be read.\n\n%s";
inline constexpr char kUserEmptyText[] =
    "Please choose the HotSync user this file is sent to, or All to send it to every user.";
inline constexpr char kUserTooLongText[] =
    "The user name is too long. A user name can have at most 39 characters.";

// The content pane: received files, saving their texts and printing.
inline constexpr char kHandheldFileDetailsTitle[] = "Handheld File Details";
inline constexpr char kFileNotFoundText[] = "Error\r\n\r\nFile not found:  %s";
inline constexpr char kErrorOpeningFileText[] = "Error opening file: %s";
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kFileSaveCaption[] = "File Save";
inline constexpr char kFileSaveAsCaption[] = "File Save As";
inline constexpr char kPrintCaption[] = "Print";
// The printer, or the file a printout goes to, could not be opened.
inline constexpr char kPrintFailedText[] =
    "The text could not be printed: the printer or the output file cannot be opened.";

// Help.
inline constexpr char kHelpWindowTitle[] = "Vellamore Help";
// Followed by the places the help page was looked for, one a line.
inline constexpr char kHelpMissingText[] = "Cannot open the help file. It was looked for as:\n%s";

}  // namespace desktop
