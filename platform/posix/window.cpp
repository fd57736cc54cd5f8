// The headless window layer: windows as objects, the messages of the stub's
// controls, dialogs made from the templates of ui/resources.rc, the posted
// message queue and message boxes. Modal dialogs are driven by the script of
// platform/posix/headless.h instead of a person.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/posix/window_internal.h"

#include "headless_templates.h"  // generated from ui/resources.rc

HeadlessState& Headless() {
    static HeadlessState state;
    return state;
}

void RecordFailure(const std::string& what) {
    Headless().failures.push_back(what);
    std::fprintf(stderr, "headless window layer: %s\n", what.c_str());
}

namespace {

bool IsResourceName(LPCSTR name) { return name != nullptr && reinterpret_cast<UINT_PTR>(name) >= 0x10000; }

WindowKind KindOfClass(const char* className) {
    if (strcasecmp(className, "EDIT") == 0) return WindowKind::Edit;
    if (strcasecmp(className, "BUTTON") == 0) return WindowKind::Button;
    if (strcasecmp(className, "STATIC") == 0) return WindowKind::Static;
    if (strcasecmp(className, "LISTBOX") == 0) return WindowKind::ListBox;
    return WindowKind::Other;
}

bool IsMultipleSelection(const Window* list) { return (list->style & (ListMultipleSel | ListExtendedSel)) != 0; }

// Copies a text into a caller's buffer of `size` bytes, cut to fit; returns the characters copied.
LRESULT CopyText(const std::string& text, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<LRESULT>(n);
}

LRESULT TextMessage(Window* window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT:
            window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            return TRUE;
        case WM_GETTEXT:
            return CopyText(window->text, reinterpret_cast<char*>(lParam), wParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(window->text.size());
        default:
            return 0;
    }
}

LRESULT EditMessage(Window* edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const int length = static_cast<int>(edit->text.size());
    switch (message) {
        case WM_SETTEXT:
            TextMessage(edit, message, wParam, lParam);
            edit->selectionStart = edit->selectionEnd = 0;
            // A single-line field tells its dialog of every change, set text included.
            if (!(edit->style & EditMultiLine)) NotifyParent(edit, EditChange);
            return TRUE;
        case EM_SETSEL: {
            int start = static_cast<int>(wParam);
            int end = static_cast<int>(lParam);
            if (start == -1) {
                edit->selectionStart = edit->selectionEnd;
                return TRUE;
            }
            if (end < 0 || end > length) end = length;
            if (start > length) start = length;
            if (start > end) std::swap(start, end);
            edit->selectionStart = start;
            edit->selectionEnd = end;
            return TRUE;
        }
        case EM_LIMITTEXT:
            edit->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam);
            return 0;
        default:
            return TextMessage(edit, message, wParam, lParam);
    }
}

LRESULT ButtonMessage(Window* button, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case BM_SETCHECK:
            button->check = static_cast<int>(wParam);
            return 0;
        case BM_GETCHECK:
            return button->check;
        case BM_CLICK:
            if (button->enabled && button->visible) NotifyParent(button, ButtonClicked);
            return 0;
        default:
            return TextMessage(button, message, wParam, lParam);
    }
}

LRESULT ListMessage(Window* list, UINT message, WPARAM wParam, LPARAM lParam) {
    SelectionRows& rows = list->rows;
    const int count = static_cast<int>(rows.rows.size());
    const int row = static_cast<int>(wParam);
    switch (message) {
        case LB_ADDSTRING: {
            const char* name = reinterpret_cast<const char*>(lParam);
            if (name == nullptr) return LB_ERR;
            if (list->style & ListSort) return InsertRow(rows, name);
            rows.rows.push_back(new SelectionRow{name, false});
            return count;
        }
        case LB_RESETCONTENT:
            rows.ClearRows();
            return 0;
        case LB_SETSEL:
            if (!IsMultipleSelection(list)) return LB_ERR;
            return SetRowSelected(rows, static_cast<int>(lParam), wParam != 0) ? 0 : LB_ERR;
        case LB_GETSEL:
            if (row < 0 || row >= count) return LB_ERR;
            return rows.rows[static_cast<std::size_t>(row)]->selected ? 1 : 0;
        case LB_GETTEXT:
            if (row < 0 || row >= count) return LB_ERR;
            return CopyText(rows.rows[static_cast<std::size_t>(row)]->name, reinterpret_cast<char*>(lParam),
                            static_cast<std::size_t>(-1));
        case LB_GETTEXTLEN:
            if (row < 0 || row >= count) return LB_ERR;
            return static_cast<LRESULT>(rows.rows[static_cast<std::size_t>(row)]->name.size());
        case LB_GETCOUNT:
            return count;
        case LB_GETSELCOUNT:
            return IsMultipleSelection(list) ? CountSelectedRows(rows) : LB_ERR;
        case LB_FINDSTRINGEXACT: {
            const char* name = reinterpret_cast<const char*>(lParam);
            if (name == nullptr) return LB_ERR;
            const int found = FindRowExact(rows, row, name);
            return found < 0 ? LB_ERR : found;
        }
        default:
            return TextMessage(list, message, wParam, lParam);
    }
}

LRESULT DefaultDialogMessage(Window* dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // As the platform's default: the close box is the Cancel command,
        // unless a Cancel button is there and disabled.
        Window* cancel = FindChild(dialog, IDCANCEL);
        if (cancel == nullptr || cancel->enabled)
            SendMessageA(AsHandle(dialog), WM_COMMAND, MAKEWPARAM(IDCANCEL, ButtonClicked),
                         reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    return TextMessage(dialog, message, wParam, lParam);
}

Window* NewWindow() {
    Headless().windows.push_back(std::make_unique<Window>());
    return Headless().windows.back().get();
}

bool IsInside(const Window* window, const Window* ancestor) {
    for (; window != nullptr; window = window->parent)
        if (window == ancestor) return true;
    return false;
}

Window* FirstTabStop(Window* dialog) {
    for (Window* child : dialog->children)
        if ((child->style & StyleTabStop) && child->visible && child->enabled) return child;
    return nullptr;
}

// The first scripted action for a template; a one-shot entry is taken off the script.
bool TakeScriptedAction(const std::string& templateName, headless::DialogAction& action) {
    auto& script = Headless().dialogScript;
    for (auto entry = script.begin(); entry != script.end(); ++entry) {
        if (strcasecmp(entry->templateName.c_str(), templateName.c_str()) != 0) continue;
        action = entry->action;
        if (!entry->everyTime) script.erase(entry);
        return true;
    }
    return false;
}

}  // namespace

// ------------------------------------------------------------ templates --
const HeadlessDialogTemplate* FindDialogTemplate(LPCSTR name) {
    if (!IsResourceName(name)) return nullptr;
    for (const HeadlessDialogTemplate& dialogTemplate : HeadlessDialogTemplates)
        if (strcasecmp(dialogTemplate.name, name) == 0) return &dialogTemplate;
    return nullptr;
}

bool IsIconResource(LPCSTR name) {
    if (!IsResourceName(name)) return false;
    for (const char* const* icon = HeadlessIconNames; *icon != nullptr; ++icon)
        if (strcasecmp(*icon, name) == 0) return true;
    return false;
}

// The layer's font has the base units 6 x 13 pixels: 4 horizontal and 8
// vertical dialog units per base unit, rounded as MulDiv rounds.
int DialogUnitsToPixelsX(int units) { return (units * 6 + (units >= 0 ? 2 : -2)) / 4; }
int DialogUnitsToPixelsY(int units) { return (units * 13 + (units >= 0 ? 4 : -4)) / 8; }

// -------------------------------------------------------------- windows --
Window* AsWindow(HWND handle) {
    if (handle == nullptr) return nullptr;
    for (const auto& window : Headless().windows)
        if (AsHandle(window.get()) == handle) return window->alive ? window.get() : nullptr;
    return nullptr;
}

Window* FindChild(Window* dialog, int id) {
    if (dialog == nullptr) return nullptr;
    for (Window* child : dialog->children)
        if (static_cast<WORD>(child->id) == static_cast<WORD>(id)) return child;
    return nullptr;
}

void NotifyParent(Window* control, WORD code) {
    if (control->parent == nullptr) return;
    SendMessageA(AsHandle(control->parent), WM_COMMAND, MAKEWPARAM(control->id, code),
                 reinterpret_cast<LPARAM>(AsHandle(control)));
}

void DestroyWindowTree(Window* window) {
    if (window == nullptr || !window->alive) return;
    for (Window* child : std::vector<Window*>(window->children)) DestroyWindowTree(child);
    window->alive = false;
    window->visible = false;
    if (IsInside(Headless().focus, window)) Headless().focus = nullptr;
    if (window->parent != nullptr) {
        auto& siblings = window->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
}

Window* CreateDialogFromTemplate(const HeadlessDialogTemplate& dialogTemplate, HWND owner, DLGPROC proc,
                                 LPARAM initParam, bool modal) {
    Window* dialog = NewWindow();
    dialog->kind = WindowKind::Dialog;
    dialog->className = "#32770";
    dialog->templateName = dialogTemplate.name;
    dialog->text = dialogTemplate.caption;
    dialog->style = dialogTemplate.style;
    dialog->enabled = !(dialogTemplate.style & StyleDisabled);
    dialog->proc = proc;
    dialog->modal = modal;

    const int width = DialogUnitsToPixelsX(dialogTemplate.cx);
    const int height = DialogUnitsToPixelsY(dialogTemplate.cy);
    int x, y;
    if (dialogTemplate.style & StyleDsCenter) {
        // Centred on the work area, as the platform does for DS_CENTER.
        x = (ScreenPixelsX - width) / 2;
        y = (WorkAreaPixelsY - height) / 2;
    } else {
        const Window* ownerWindow = AsWindow(owner);
        x = DialogUnitsToPixelsX(dialogTemplate.x) + (ownerWindow ? ownerWindow->rect.left : 0);
        y = DialogUnitsToPixelsY(dialogTemplate.y) + (ownerWindow ? ownerWindow->rect.top : 0);
    }
    dialog->rect = RECT{x, y, x + width, y + height};

    for (int i = 0; i < dialogTemplate.controlCount; ++i) {
        const HeadlessControlTemplate& item = dialogTemplate.controls[i];
        Window* control = NewWindow();
        control->kind = KindOfClass(item.className);
        control->className = item.className;
        control->id = item.id;
        control->text = item.text;
        control->style = item.style;
        control->visible = (item.style & StyleVisible) != 0;
        control->enabled = !(item.style & StyleDisabled);
        const int left = DialogUnitsToPixelsX(item.x);
        const int top = DialogUnitsToPixelsY(item.y);
        control->rect = RECT{left, top, left + DialogUnitsToPixelsX(item.cx), top + DialogUnitsToPixelsY(item.cy)};
        control->parent = dialog;
        dialog->children.push_back(control);
    }

    Window* firstTabStop = FirstTabStop(dialog);
    const INT_PTR setFocus = proc ? proc(AsHandle(dialog), WM_INITDIALOG,
                                         reinterpret_cast<WPARAM>(AsHandle(firstTabStop)), initParam)
                                  : TRUE;
    if (setFocus && dialog->alive && firstTabStop != nullptr && firstTabStop->alive) Headless().focus = firstTabStop;
    // A visible dialog shows once it is initialised.
    if (dialog->alive && !dialog->ended && (dialog->style & StyleVisible)) dialog->visible = true;
    return dialog;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = AsWindow(handle);
    if (window == nullptr) return 0;
    switch (window->kind) {
        case WindowKind::Dialog:
            if (window->proc != nullptr) {
                const INT_PTR handled = window->proc(handle, message, wParam, lParam);
                if (handled) return handled;
                if (!AsWindow(handle)) return 0;
            }
            return DefaultDialogMessage(window, message, wParam, lParam);
        case WindowKind::Edit:
            return EditMessage(window, message, wParam, lParam);
        case WindowKind::Button:
            return ButtonMessage(window, message, wParam, lParam);
        case WindowKind::ListBox:
            return ListMessage(window, message, wParam, lParam);
        default:
            return TextMessage(window, message, wParam, lParam);
    }
}

// -------------------------------------------------------------- dialogs --
INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    const HeadlessDialogTemplate* dialogTemplate = FindDialogTemplate(templateName);
    if (dialogTemplate == nullptr) {
        RecordFailure(std::string("no dialog template ") + (IsResourceName(templateName) ? templateName : "#"));
        return -1;
    }
    Headless().dialogsOpened.push_back(dialogTemplate->name);
    Window* dialog = CreateDialogFromTemplate(*dialogTemplate, owner, dialogProc, initParam, true);
    const HWND handle = AsHandle(dialog);

    // The owner takes no input while its modal dialog is open.
    Window* ownerWindow = AsWindow(owner);
    const bool ownerWasEnabled = ownerWindow != nullptr && ownerWindow->enabled;
    if (ownerWasEnabled) EnableWindow(owner, FALSE);

    if (dialog->alive && !dialog->ended) {
        headless::DialogAction action;
        const bool scripted = TakeScriptedAction(dialogTemplate->name, action);
        if (scripted) {
            action(handle);
            MSG message;
            while (AsWindow(handle) && !dialog->ended && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
        }
        if (dialog->alive && !dialog->ended) {
            RecordFailure(std::string("modal dialog ") + dialogTemplate->name +
                          (scripted ? " is still open after its scripted action" : " has no scripted action left"));
            dialog->ended = true;
            dialog->result = -1;
        }
    }
    const INT_PTR result = dialog->result;
    DestroyWindowTree(dialog);
    if (ownerWasEnabled && AsWindow(owner)) EnableWindow(owner, TRUE);
    return result;
}

HWND CreateDialogParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    const HeadlessDialogTemplate* dialogTemplate = FindDialogTemplate(templateName);
    if (dialogTemplate == nullptr) return nullptr;
    Window* dialog = CreateDialogFromTemplate(*dialogTemplate, owner, dialogProc, initParam, false);
    return dialog->alive ? AsHandle(dialog) : nullptr;
}

BOOL EndDialog(HWND handle, INT_PTR result) {
    Window* dialog = AsWindow(handle);
    if (dialog == nullptr || dialog->kind != WindowKind::Dialog) return FALSE;
    dialog->ended = true;
    dialog->result = result;
    dialog->visible = false;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) { return AsHandle(FindChild(AsWindow(dialog), id)); }

int GetDlgCtrlID(HWND handle) {
    const Window* window = AsWindow(handle);
    return window ? window->id : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageA(item, message, wParam, lParam) : 0;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
    const HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) {
        if (text != nullptr && maxCount > 0) text[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(
        SendMessageA(item, WM_GETTEXT, static_cast<WPARAM>(maxCount < 0 ? 0 : maxCount), reinterpret_cast<LPARAM>(text)));
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    const HWND item = GetDlgItem(dialog, id);
    return item ? static_cast<BOOL>(SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text))) : FALSE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    return AsWindow(window) ? static_cast<BOOL>(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)))
                            : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    if (!AsWindow(window)) {
        if (text != nullptr && maxCount > 0) text[0] = '\0';
        return 0;
    }
    return static_cast<int>(
        SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount < 0 ? 0 : maxCount), reinterpret_cast<LPARAM>(text)));
}

// ----------------------------------------------------- state and place --
BOOL ShowWindow(HWND handle, int command) {
    Window* window = AsWindow(handle);
    if (window == nullptr) return FALSE;
    const BOOL wasVisible = window->visible;
    window->visible = command != SW_HIDE;
    return wasVisible;
}

BOOL IsWindowVisible(HWND handle) {
    for (const Window* window = AsWindow(handle); window != nullptr; window = window->parent)
        if (!window->visible) return FALSE;
    return AsWindow(handle) != nullptr;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* window = AsWindow(handle);
    if (window == nullptr) return FALSE;
    const BOOL wasDisabled = !window->enabled;
    window->enabled = enable != FALSE;
    // A window that is disabled loses the keyboard focus.
    if (!enable && IsInside(Headless().focus, window)) Headless().focus = nullptr;
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND handle) {
    const Window* window = AsWindow(handle);
    return window != nullptr && window->enabled;
}

BOOL DestroyWindow(HWND handle) {
    Window* window = AsWindow(handle);
    if (window == nullptr) return FALSE;
    if (window->modal) {
        // A modal dialog ends through EndDialog; destroying it ends its loop.
        window->ended = true;
        return TRUE;
    }
    DestroyWindowTree(window);
    return TRUE;
}

BOOL IsWindow(HWND handle) { return AsWindow(handle) != nullptr; }

HWND SetFocus(HWND handle) {
    const HWND previous = AsHandle(Headless().focus);
    Headless().focus = AsWindow(handle);
    return previous;
}

HWND GetFocus() { return AsHandle(Headless().focus); }

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    const Window* window = AsWindow(handle);
    if (window == nullptr || rect == nullptr) return FALSE;
    *rect = window->rect;
    for (const Window* parent = window->parent; parent != nullptr; parent = parent->parent) {
        rect->left += parent->rect.left;
        rect->right += parent->rect.left;
        rect->top += parent->rect.top;
        rect->bottom += parent->rect.top;
    }
    return TRUE;
}

BOOL SetWindowPos(HWND handle, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window* window = AsWindow(handle);
    if (window == nullptr) return FALSE;
    RECT& rect = window->rect;
    const LONG width = (flags & SWP_NOSIZE) ? rect.right - rect.left : cx;
    const LONG height = (flags & SWP_NOSIZE) ? rect.bottom - rect.top : cy;
    if (!(flags & SWP_NOMOVE)) {
        rect.left = x;
        rect.top = y;
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    if (!(flags & SWP_NOZORDER)) ++Headless().zOrderChanges;
    return TRUE;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN: return ScreenPixelsX;
        case SM_CYSCREEN: return ScreenPixelsY;
        default: return 0;
    }
}

HICON LoadIconA(HINSTANCE, LPCSTR iconName) {
    if (!IsIconResource(iconName)) return nullptr;
    // A small handle value, so that it survives the 32-bit class long.
    std::size_t index = 0;
    while (strcasecmp(HeadlessIconNames[index], iconName) != 0) ++index;
    return reinterpret_cast<HICON>(static_cast<UINT_PTR>(0x7100 + 4 * index));
}

DWORD SetClassLongA(HWND handle, int index, LONG newLong) {
    const Window* window = AsWindow(handle);
    if (window == nullptr || window->kind != WindowKind::Dialog || index != GCL_HICON) return 0;
    const DWORD previous = static_cast<DWORD>(Headless().dialogClassIcon);
    Headless().dialogClassIcon = newLong;
    return previous;
}

// ------------------------------------------------------------- messages --
BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
    auto& queue = Headless().posted;
    for (auto posted = queue.begin(); posted != queue.end(); ++posted) {
        if (window != nullptr && posted->window != window) continue;
        if ((filterMin != 0 || filterMax != 0) && (posted->message < filterMin || posted->message > filterMax)) continue;
        if (msg != nullptr) *msg = MSG{posted->window, posted->message, posted->wParam, posted->lParam, 0, POINT{0, 0}};
        if (removeMessage & PM_REMOVE) queue.erase(posted);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }  // no keyboard messages are ever queued

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || !AsWindow(msg->hwnd)) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && !AsWindow(window)) return FALSE;
    Headless().posted.push_back(HeadlessState::Posted{window, message, wParam, lParam});
    return TRUE;
}

// -------------------------------------------------------- message boxes --
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    headless::MessageBoxRecord record{owner, text ? text : "", caption ? caption : "Error", type};
    Headless().messageBoxes.push_back(record);
    if (Headless().echoMessageBoxes) std::fprintf(stderr, "[%s] %s\n", record.caption.c_str(), record.text.c_str());
    if (Headless().messageBoxObserver) Headless().messageBoxObserver(record);
    return IDOK;
}
