// The main dialog: the target folder, the overwrite switch, Extract, the file
// list and the folder browser.
#include "archive/driver.h"
#include "archive/paths.h"
#include "archive/selection.h"
#include "startup/launch.h"
#include "startup/options.h"
#include "startup/startup.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

char ExtractFolder[ExtractFolderLimit + 2];
bool OverwriteExisting;

namespace {

const char BrowserCaption[] = "Kovarin Browser";

// Every control that starts work; disabled while a pass runs.
const int MainCommandIds[] = {ExtractButtonId, CancelButtonId, FileListButtonId, BrowseButtonId,
                              OverwriteCheckBoxId};
constexpr int MainCommandCount = sizeof MainCommandIds / sizeof MainCommandIds[0];

// Zero at process start, as the browser expects of the fields not set below.
BROWSEINFOA BrowseRequest;

void RunPass(HWND dialog, int listId, bool listMode) {
    RunGuardedPass(dialog, listId, listMode, MainCommandIds, MainCommandCount);
}

void ShowFolder(HWND dialog) {
    SendDlgItemMessageA(dialog, FolderFieldId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ExtractFolder));
}

// The field holds at most 255 characters (its limit), so nothing is cut here.
void ReadFolderField(HWND dialog) {
    const UINT length = GetDlgItemTextA(dialog, FolderFieldId, ExtractFolder, ExtractFolderLimit);
    ExtractFolder[length] = '\0';
}

void Initialise(HWND dialog) {
    SetClassLongA(dialog, GCL_HICON,
                  static_cast<LONG>(reinterpret_cast<LONG_PTR>(LoadIconA(InstanceHandle, "MOLVIX"))));
    SetFocus(GetDlgItem(dialog, FolderFieldId));
    if (!StubOptions.allowFileList) {
        ShowWindow(GetDlgItem(dialog, FileListButtonId), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, FileListHintId), SW_HIDE);
    }

    // A default folder too long to hold is refused; the current folder stands in.
    ExtractFolder[0] = '\0';
    if (!StubOptions.hasDefaultFolder || !TakeFolder(StubOptions.defaultFolder)) TakeCurrentFolder();
    SendDlgItemMessageA(dialog, FolderFieldId, EM_LIMITTEXT, MaxExtractFolderText, 0);
    ShowFolder(dialog);
    SendDlgItemMessageA(dialog, FolderFieldId, EM_SETSEL, 0, 0x7FFF);  // typing replaces the proposal

    // 502 names no control, so with it nothing is checked.
    SendDlgItemMessageA(dialog, StubOptions.overwriteCheckId, BM_SETCHECK, BST_CHECKED, 0);
    OverwriteExisting = StubOptions.overwriteCheckId != NoOverwriteCheckId;
    if (StubOptions.hideOverwriteSwitch) DestroyWindow(GetDlgItem(dialog, OverwriteCheckBoxId));

    SetWindowTextA(dialog, BrowserCaption);
    SendDlgItemMessageA(dialog, DescriptionFieldId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(StubOptions.description));
    CentreOnScreen(dialog);

    ReadFolderField(dialog);
    StripTrailingBackslash(ExtractFolder);
    RunPass(dialog, MainListId, true);
    // A second walk into a list that nothing reads, as the file list would show it.
    if (!StubOptions.allowFileList) RunPass(dialog, SecondListId, true);
}

void Extract(HWND dialog) {
    SelectAll(GetDlgItem(dialog, MainListId));
    ReadFolderField(dialog);
    StripTrailingBackslash(ExtractFolder);
    if (ExtractFolder[0] == '\0') {
        if (!TakeCurrentFolder()) return;
        ShowFolder(dialog);
    }
    RunPass(dialog, MainListId, false);
    if (ExtractSucceeded) {
        RunLaunchCommand();
        EndDialog(dialog, 1);
    }
}

void ToggleOverwrite(HWND dialog) {
    const bool on = !StubOptions.overwriteDefault;
    SendDlgItemMessageA(dialog, OverwriteCheckBoxId, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    OverwriteExisting = on;
    StubOptions.overwriteDefault = on;
}

void Browse(HWND dialog) {
    ReadFolderField(dialog);
    // The browser's buffer starts with the folder, so a failed conversion leaves that.
    for (unsigned i = 0; i < ExtractFolderLimit; ++i) browseBuffer[i] = ExtractFolder[i];
    const HMODULE shell = LoadLibraryA("SHELL32.DLL");
    BrowseRequest.hwndOwner = dialog;
    BrowseRequest.lpszTitle = BrowserCaption;
    BrowseRequest.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    const LPITEMIDLIST chosen = SHBrowseForFolder(&BrowseRequest);
    if (chosen != nullptr) {
        SHGetPathFromIDList(chosen, browseBuffer);
        ILFree(chosen);  // from shell32, which is loaded anyway
        // A drive root keeps its trailing backslash here; Extract strips it.
        if (TakeFolder(browseBuffer)) SetDlgItemTextA(dialog, FolderFieldId, ExtractFolder);
    }
    FreeLibrary(shell);
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        Initialise(dialog);
        return FALSE;  // the focus is already on the folder field
    }
    // Commands that arrive while a pass runs (let through by the driver, or
    // sent while the password prompt is up) would start a second pass.
    if (message != WM_COMMAND || ExtractionRunning()) return FALSE;
    switch (LOWORD(wParam)) {
        case ExtractButtonId:
            Extract(dialog);
            break;
        case CancelButtonId:
            EndDialog(dialog, 2);
            break;
        case FileListButtonId:
            if (RunModalDialog("FILELIST", dialog, FileListDialogProc) == 1) EndDialog(dialog, 3);
            break;
        case OverwriteCheckBoxId:
            ToggleOverwrite(dialog);
            break;
        case BrowseButtonId:
            Browse(dialog);
            break;
        default:
            break;
    }
    return FALSE;
}
