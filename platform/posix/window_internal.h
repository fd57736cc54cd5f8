#pragma once
// Shared between the files of the headless window layer: the window objects,
// the dialog templates read from the resource script, and the recorded state
// that platform/posix/headless.h shows to tests and tools.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/selection_rows.h"
#include "platform/posix/headless.h"
#include "platform/posix/windows.h"

struct HeadlessControlTemplate {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    int x, y, cx, cy;  // dialog units
};

struct HeadlessDialogTemplate {
    const char* name;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;  // dialog units
    const char* caption;
    int fontSize;
    const char* font;
    const HeadlessControlTemplate* controls;
    int controlCount;
};

const HeadlessDialogTemplate* FindDialogTemplate(LPCSTR name);
bool IsIconResource(LPCSTR name);

// Window styles the layer acts on.
constexpr DWORD StyleVisible = 0x10000000;   // WS_VISIBLE
constexpr DWORD StyleDisabled = 0x08000000;  // WS_DISABLED
constexpr DWORD StyleSysMenu = 0x00080000;   // WS_SYSMENU
constexpr DWORD StyleTabStop = 0x00010000;   // WS_TABSTOP
constexpr DWORD EditMultiLine = 0x0004;      // ES_MULTILINE
constexpr DWORD EditReadOnly = 0x0800;       // ES_READONLY
constexpr DWORD ListNotify = 0x0001;         // LBS_NOTIFY
constexpr DWORD StyleDsCenter = 0x0800;      // DS_CENTER
constexpr DWORD ButtonTypeMask = 0x000F;
constexpr DWORD ButtonDefPush = 0x0001;      // BS_DEFPUSHBUTTON
constexpr DWORD ButtonAutoCheck = 0x0003;    // BS_AUTOCHECKBOX
constexpr DWORD ListSort = 0x0002;           // LBS_SORT
constexpr DWORD ListMultipleSel = 0x0008;    // LBS_MULTIPLESEL
constexpr DWORD ListExtendedSel = 0x0800;    // LBS_EXTENDEDSEL

enum class WindowKind { Dialog, Edit, Button, Static, ListBox, Other };

struct Window {
    WindowKind kind = WindowKind::Other;
    std::string className;
    std::string templateName;  // dialogs: the template they were made from
    int id = 0;
    std::string text;
    DWORD style = 0;
    bool visible = false;
    bool enabled = true;
    bool alive = true;
    RECT rect{};  // top-level windows: screen coordinates; controls: relative to their dialog
    Window* parent = nullptr;
    std::vector<Window*> children;

    // dialogs
    DLGPROC proc = nullptr;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;

    // edit fields
    int selectionStart = 0;
    int selectionEnd = 0;
    int limit = 30000;  // the platform's default for a new edit field

    // buttons
    int check = BST_UNCHECKED;

    // list boxes
    SelectionRows rows;
};

Window* AsWindow(HWND handle);  // null for handles that are not live windows
inline HWND AsHandle(Window* window) { return reinterpret_cast<HWND>(window); }

// The layer's process-wide state.
struct HeadlessState {
    std::vector<std::unique_ptr<Window>> windows;  // every window made since the last reset
    Window* focus = nullptr;
    LONG_PTR dialogClassIcon = 0;
    struct Posted {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::deque<Posted> posted;

    std::vector<headless::MessageBoxRecord> messageBoxes;
    std::vector<headless::ShellExecuteRecord> shellCalls;
    std::vector<headless::BrowseRecord> browseCalls;
    std::vector<std::string> failures;
    std::vector<std::string> dialogsOpened;
    bool echoMessageBoxes = false;
    std::function<void(const headless::MessageBoxRecord&)> messageBoxObserver;

    struct ScriptedDialog {
        std::string templateName;
        headless::DialogAction action;
        bool everyTime;
    };
    std::vector<ScriptedDialog> dialogScript;
    struct BrowseAnswer {
        bool cancel;
        std::string path;
    };
    std::deque<BrowseAnswer> browseAnswers;
    std::vector<ITEMIDLIST*> itemLists;  // given by the folder browser, not yet freed
    int loadedLibraries = 0;
    int zOrderChanges = 0;
};

HeadlessState& Headless();
void RecordFailure(const std::string& what);

// Dialog units to pixels with the fixed base units of the layer's font.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
constexpr int ScreenPixelsX = 1024;
constexpr int ScreenPixelsY = 768;
constexpr int WorkAreaPixelsY = 738;  // the screen less a task bar at the bottom

// Makes a dialog and its controls from a template; sends WM_INITDIALOG.
Window* CreateDialogFromTemplate(const HeadlessDialogTemplate& dialogTemplate, HWND owner, DLGPROC proc,
                                 LPARAM initParam, bool modal);
void DestroyWindowTree(Window* window);
Window* FindChild(Window* dialog, int id);
void FreeItemLists();
// Sends WM_COMMAND with a control's id and a notification code to its dialog.
void NotifyParent(Window* control, WORD code);
constexpr WORD ButtonClicked = 0;        // BN_CLICKED
constexpr WORD ListSelectionChange = 1;  // LBN_SELCHANGE
constexpr WORD EditChange = 0x0300;      // EN_CHANGE
