#pragma once
// The three dialogs and the window operations they share.
#include <cstdint>

#include "platform/platform.h"

// The target folder: at most 255 characters. Two spare bytes let a text of
// full length gain a trailing backslash without overrunning the buffer.
constexpr unsigned ExtractFolderLimit = 256;  // the length given to the window calls
constexpr unsigned MaxExtractFolderText = ExtractFolderLimit - 1;
extern char ExtractFolder[ExtractFolderLimit + 2];
extern bool OverwriteExisting;

struct PasswordEntryRecord {
    char text[80];
    std::uint32_t count;
};
extern PasswordEntryRecord PasswordEntry;

INT_PTR RunModalDialog(LPCSTR templateName, HWND owner, DLGPROC dialogProc);
void CentreOnScreen(HWND window);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FileListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ------------------------------------------- shared by the dialog procedures --
// Runs one pass of the driver with the dialog's commands disabled, so that
// the messages the driver lets through cannot start a second pass; the
// controls named in `commandIds` are enabled again afterwards.
void RunGuardedPass(HWND dialog, int listId, bool listMode, const int* commandIds, int commandCount);

// Puts a folder text into ExtractFolder. One longer than the buffer holds is
// refused with a message and leaves ExtractFolder as it was: a cut path would
// name another folder.
bool TakeFolder(const char* text);
// The current folder into ExtractFolder, refused as TakeFolder refuses.
bool TakeCurrentFolder();
