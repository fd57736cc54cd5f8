#pragma once
// The headless window layer seen from tests and native tools: what the
// layer recorded (message boxes, shell calls, folder browser requests), the
// windows it holds, and the script that stands in for the user. Not a Windows
// service: the stub's own code never includes this header.
//
// A modal dialog (DialogBoxParamA) is made from its template in
// ui/resources.rc and initialised with WM_INITDIALOG; then the first scripted
// action queued for its template runs with the dialog's handle, posted
// messages are dispatched, and the dialog must have ended. A dialog with no
// action left, or still open after its action, is ended with -1 and the
// problem is recorded in Failures() (and written to stderr). Message boxes
// are answered OK at once.
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/windows.h"

namespace headless {

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct ShellExecuteRecord {
    HWND owner;
    bool verbNull, fileNull, parametersNull, directoryNull;
    std::string verb, file, parameters, directory;
    int show;
};

struct BrowseRecord {
    HWND owner;
    bool hasRoot;
    bool hasDisplayName;
    std::string title;
    UINT flags;
    bool hasCallback;
    LPARAM callbackParameter;
};

// Forgets every window, record, script entry and posted message, and turns
// the echo of message boxes off.
void Reset();

// ------------------------------------------------------------------ records --
const std::vector<MessageBoxRecord>& MessageBoxes();
const std::vector<ShellExecuteRecord>& ShellCalls();
const std::vector<BrowseRecord>& BrowseCalls();
// Problems of the script: a modal dialog with no action left, a dialog still
// open after its action, a folder browser with no answer queued.
const std::vector<std::string>& Failures();
// Template names of the modal dialogs opened since the reset, in order.
const std::vector<std::string>& DialogsOpened();
// Writes each message box to stderr as it shows: "[caption] text".
void EchoMessageBoxes(bool on);
// Called with each message box while it shows (after it is recorded).
void WhenMessageBoxShows(std::function<void(const MessageBoxRecord&)> observer);
// Libraries loaded and not yet freed.
int LoadedLibraries();
// Item lists that the folder browser gave and nobody freed.
int UnfreedItemLists();
// Moves that changed a window's place in the Z order (SetWindowPos without SWP_NOZORDER).
int ZOrderChanges();
// The icon given to the dialog window class with SetClassLongA(GCL_HICON).
HICON DialogClassIcon();

// ------------------------------------------------------------------- script --
using DialogAction = std::function<void(HWND dialog)>;
// Queues an action for the next modal dialog made from `templateName`;
// with `everyTime` the action serves every such dialog from then on.
void WhenDialogOpens(const std::string& templateName, DialogAction action, bool everyTime = false);
// Queues the folder browser's next answer: a chosen path, or a cancel.
void AnswerBrowse(const std::string& path);
void CancelBrowse();

// ------------------------------------------------------------------ windows --
// The most recently made live dialog of a template, or null.
HWND FindDialog(const std::string& templateName);
// The live top-level window with this caption, or null.
HWND FindWindowByCaption(const std::string& caption);
std::string TemplateOf(HWND dialog);
std::string TextOf(HWND window);
std::string ItemText(HWND dialog, int id);
bool IsItemVisible(HWND dialog, int id);
bool IsItemEnabled(HWND dialog, int id);
// The selected range of an edit field: {start, end}.
std::pair<int, int> Selection(HWND edit);
int TextLimit(HWND edit);
struct Row {
    std::string name;
    bool selected;
};
std::vector<Row> Rows(HWND dialog, int listId);
RECT WindowRect(HWND window);
// Screen size, work area and dialog base units of the layer.
int ScreenWidth();
int ScreenHeight();
int WorkAreaHeight();
int PixelsX(int dialogUnits);
int PixelsY(int dialogUnits);

// ------------------------------------------------------------- user actions --
// What a person can do; each answers false when the person could not (the
// control is missing, hidden or disabled, or its dialog is disabled).
// A mouse click on a control: buttons take the focus and notify their dialog
// (WM_COMMAND with BN_CLICKED); an auto check box toggles itself first.
bool Click(HWND dialog, int id);
// A click on a row of a multiple-selection list: the row's selection turns over.
bool ToggleRow(HWND dialog, int listId, int row);
// Puts the focus into an edit field and types: the text replaces the
// selection, up to the field's limit.
bool Type(HWND dialog, int id, const std::string& text);
// The Enter key: the default push button's command, unless it is disabled.
bool PressEnter(HWND dialog);
// The Escape key: command IDCANCEL, unless a button IDCANCEL is disabled.
bool PressEscape(HWND dialog);
// The close box: command IDCANCEL; only a dialog with a system menu has one.
bool PressCloseBox(HWND dialog);

}  // namespace headless
