// The test-facing side of the headless window layer: records, the script
// and the actions of a person.
#include "platform/posix/headless.h"

#include <strings.h>

#include "platform/posix/window_internal.h"

namespace headless {

namespace {

bool IsShown(const Window* window) {
    for (; window != nullptr; window = window->parent)
        if (!window->visible) return false;
    return true;
}

// A control a person can reach: it and its dialog are shown and enabled.
Window* Reachable(HWND dialog, int id) {
    Window* dialogWindow = AsWindow(dialog);
    Window* control = FindChild(dialogWindow, id);
    if (control == nullptr || !dialogWindow->enabled || !control->enabled || !IsShown(control)) return nullptr;
    return control;
}

Window* ReachableDialog(HWND dialog) {
    Window* window = AsWindow(dialog);
    return (window != nullptr && window->kind == WindowKind::Dialog && window->enabled && window->visible) ? window
                                                                                                         : nullptr;
}

bool IsPushButton(const Window* window) {
    return window != nullptr && window->kind == WindowKind::Button && (window->style & ButtonTypeMask) <= ButtonDefPush;
}

void SendCommand(Window* dialog, int id, Window* control) {
    SendMessageA(AsHandle(dialog), WM_COMMAND, MAKEWPARAM(id, ButtonClicked), reinterpret_cast<LPARAM>(AsHandle(control)));
}

}  // namespace

void Reset() {
    HeadlessState& state = Headless();
    state.windows.clear();
    state.focus = nullptr;
    state.dialogClassIcon = 0;
    state.posted.clear();
    state.messageBoxes.clear();
    state.shellCalls.clear();
    state.browseCalls.clear();
    state.failures.clear();
    state.dialogsOpened.clear();
    state.echoMessageBoxes = false;
    state.messageBoxObserver = nullptr;
    state.dialogScript.clear();
    state.browseAnswers.clear();
    FreeItemLists();
    state.loadedLibraries = 0;
    state.zOrderChanges = 0;
}

const std::vector<MessageBoxRecord>& MessageBoxes() { return Headless().messageBoxes; }
const std::vector<ShellExecuteRecord>& ShellCalls() { return Headless().shellCalls; }
const std::vector<BrowseRecord>& BrowseCalls() { return Headless().browseCalls; }
const std::vector<std::string>& Failures() { return Headless().failures; }
const std::vector<std::string>& DialogsOpened() { return Headless().dialogsOpened; }
void EchoMessageBoxes(bool on) { Headless().echoMessageBoxes = on; }
void WhenMessageBoxShows(std::function<void(const MessageBoxRecord&)> observer) {
    Headless().messageBoxObserver = std::move(observer);
}
int LoadedLibraries() { return Headless().loadedLibraries; }
int UnfreedItemLists() { return static_cast<int>(Headless().itemLists.size()); }
int ZOrderChanges() { return Headless().zOrderChanges; }
HICON DialogClassIcon() { return reinterpret_cast<HICON>(static_cast<UINT_PTR>(Headless().dialogClassIcon)); }

void WhenDialogOpens(const std::string& templateName, DialogAction action, bool everyTime) {
    Headless().dialogScript.push_back(HeadlessState::ScriptedDialog{templateName, std::move(action), everyTime});
}
void AnswerBrowse(const std::string& path) { Headless().browseAnswers.push_back({false, path}); }
void CancelBrowse() { Headless().browseAnswers.push_back({true, std::string()}); }

HWND FindDialog(const std::string& templateName) {
    const auto& windows = Headless().windows;
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        if ((*window)->alive && (*window)->kind == WindowKind::Dialog &&
            strcasecmp((*window)->templateName.c_str(), templateName.c_str()) == 0)
            return AsHandle(window->get());
    return nullptr;
}

HWND FindWindowByCaption(const std::string& caption) {
    const auto& windows = Headless().windows;
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        if ((*window)->alive && (*window)->parent == nullptr && (*window)->text == caption) return AsHandle(window->get());
    return nullptr;
}

std::string TemplateOf(HWND dialog) {
    const Window* window = AsWindow(dialog);
    return window ? window->templateName : std::string();
}

std::string TextOf(HWND handle) {
    const Window* window = AsWindow(handle);
    return window ? window->text : std::string();
}

std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

bool IsItemVisible(HWND dialog, int id) {
    const Window* control = FindChild(AsWindow(dialog), id);
    return control != nullptr && control->visible;
}

bool IsItemEnabled(HWND dialog, int id) {
    const Window* control = FindChild(AsWindow(dialog), id);
    return control != nullptr && control->enabled;
}

std::pair<int, int> Selection(HWND edit) {
    const Window* window = AsWindow(edit);
    return window ? std::make_pair(window->selectionStart, window->selectionEnd) : std::make_pair(0, 0);
}

int TextLimit(HWND edit) {
    const Window* window = AsWindow(edit);
    return window ? window->limit : 0;
}

std::vector<Row> Rows(HWND dialog, int listId) {
    std::vector<Row> rows;
    const Window* list = FindChild(AsWindow(dialog), listId);
    if (list != nullptr)
        for (const auto& row : list->rows.rows) rows.push_back(Row{row->name, row->selected});
    return rows;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

int ScreenWidth() { return ScreenPixelsX; }
int ScreenHeight() { return ScreenPixelsY; }
int WorkAreaHeight() { return WorkAreaPixelsY; }
int PixelsX(int dialogUnits) { return DialogUnitsToPixelsX(dialogUnits); }
int PixelsY(int dialogUnits) { return DialogUnitsToPixelsY(dialogUnits); }

bool Click(HWND dialog, int id) {
    Window* control = Reachable(dialog, id);
    if (control == nullptr) return false;
    switch (control->kind) {
        case WindowKind::Button:
            Headless().focus = control;
            if ((control->style & ButtonTypeMask) == ButtonAutoCheck)
                control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            NotifyParent(control, ButtonClicked);
            return true;
        case WindowKind::Edit:
        case WindowKind::ListBox:
            Headless().focus = control;
            return true;
        default:
            return true;
    }
}

bool ToggleRow(HWND dialog, int listId, int row) {
    Window* list = Reachable(dialog, listId);
    if (list == nullptr || list->kind != WindowKind::ListBox || !(list->style & (ListMultipleSel | ListExtendedSel)))
        return false;
    if (row < 0 || row >= static_cast<int>(list->rows.rows.size())) return false;
    SelectionRow& target = *list->rows.rows[static_cast<std::size_t>(row)];
    target.selected = !target.selected;
    Headless().focus = list;
    if (list->style & ListNotify) NotifyParent(list, ListSelectionChange);
    return true;
}

bool Type(HWND dialog, int id, const std::string& text) {
    Window* edit = Reachable(dialog, id);
    if (edit == nullptr || edit->kind != WindowKind::Edit) return false;
    Headless().focus = edit;
    if (edit->style & EditReadOnly) return false;
    std::string& content = edit->text;
    const std::size_t start = static_cast<std::size_t>(edit->selectionStart);
    const std::size_t end = static_cast<std::size_t>(edit->selectionEnd);
    const std::size_t kept = content.size() - (end - start);
    const std::size_t room = static_cast<std::size_t>(edit->limit) > kept ? static_cast<std::size_t>(edit->limit) - kept : 0;
    const std::string typed = text.substr(0, room);
    content = content.substr(0, start) + typed + content.substr(end);
    edit->selectionStart = edit->selectionEnd = static_cast<int>(start + typed.size());
    NotifyParent(edit, EditChange);
    return true;
}

bool PressEnter(HWND dialog) {
    Window* dialogWindow = ReachableDialog(dialog);
    if (dialogWindow == nullptr) return false;
    // A focused push button takes the Enter key; otherwise the default button does.
    Window* button = Headless().focus;
    if (!IsPushButton(button) || button->parent != dialogWindow) {
        button = nullptr;
        for (Window* child : dialogWindow->children)
            if (child->kind == WindowKind::Button && (child->style & ButtonTypeMask) == ButtonDefPush) button = child;
    }
    if (button != nullptr && (!button->enabled || !button->visible)) return false;
    SendCommand(dialogWindow, button ? button->id : IDOK, button);
    return true;
}

bool PressEscape(HWND dialog) {
    Window* dialogWindow = ReachableDialog(dialog);
    if (dialogWindow == nullptr) return false;
    Window* cancel = FindChild(dialogWindow, IDCANCEL);
    if (cancel != nullptr && !cancel->enabled) return false;
    SendCommand(dialogWindow, IDCANCEL, cancel);
    return true;
}

bool PressCloseBox(HWND dialog) {
    Window* dialogWindow = ReachableDialog(dialog);
    if (dialogWindow == nullptr || !(dialogWindow->style & StyleSysMenu)) return false;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    return true;
}

}  // namespace headless
