#pragma once
// The extraction driver: the one routine that walks the archive for the dialogs.
#include "platform/platform.h"
#include "runtime/string.h"

constexpr int MainListId = 301;
constexpr int SecondListId = 302;
constexpr int ProgressFieldId = 55;

extern bool ExtractSucceeded;
// The password kept for the whole run and tried first on every encrypted entry.
extern String CurrentPassword;

// list mode: adds every entry name to the dialog's list `listId`; extract
// mode: writes the entries whose rows are selected below the ExtractFolder.
// Reports every outcome itself; sets ExtractSucceeded.
void ExtractEntries(HWND dialog, int listId, bool listMode);

// True while a pass runs; the dialogs keep their commands from starting another.
bool ExtractionRunning();
