// The window operations that every dialog uses.
#include "archive/driver.h"
#include "archive/paths.h"
#include "runtime/string.h"
#include "startup/startup.h"
#include "ui/dialogs.h"

INT_PTR RunModalDialog(LPCSTR templateName, HWND owner, DLGPROC dialogProc) {
    return DialogBoxParamA(InstanceHandle, templateName, owner, dialogProc, 0);
}

void CentreOnScreen(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    // The whole primary screen, not its work area; signed division, so a
    // window larger than the screen gets a negative position.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

namespace {

void EnableCommands(HWND dialog, const int* commandIds, int commandCount, BOOL enable) {
    for (int i = 0; i < commandCount; ++i) EnableWindow(GetDlgItem(dialog, commandIds[i]), enable);
}

}  // namespace

void RunGuardedPass(HWND dialog, int listId, bool listMode, const int* commandIds, int commandCount) {
    // Disabling the focused button takes the focus away; it comes back after the pass.
    const HWND focus = GetFocus();
    EnableCommands(dialog, commandIds, commandCount, FALSE);
    ExtractEntries(dialog, listId, listMode);
    EnableCommands(dialog, commandIds, commandCount, TRUE);
    if (focus != nullptr && IsWindow(focus)) SetFocus(focus);
}

bool TakeFolder(const char* text) {
    const unsigned length = TextLength(text);
    if (length > MaxExtractFolderText) {
        String message("Folder path too long ");
        message += text;
        MessageBoxA(nullptr, message.c_str(), "Kovarin Browser", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    for (unsigned i = 0; i <= length; ++i) ExtractFolder[i] = text[i];
    return true;
}

bool TakeCurrentFolder() {
    // Read into the larger browse buffer, so that a folder too long for
    // ExtractFolder can be named in the refusal.
    const DWORD length = GetCurrentDirectoryA(TextBufferSize, browseBuffer);
    if (length == 0 || length >= TextBufferSize) browseBuffer[0] = '\0';
    if (length >= TextBufferSize) {
        MessageBoxA(nullptr, "Folder path too long ", "Kovarin Browser", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return TakeFolder(browseBuffer);
}
