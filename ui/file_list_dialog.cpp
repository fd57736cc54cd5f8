// The file list dialog: every entry listed and selected; the user deselects
// what is not wanted and extracts the rest.
#include "archive/driver.h"
#include "archive/selection.h"
#include "startup/launch.h"
#include "startup/options.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

namespace {

const int FileListCommandIds[] = {ExtractButtonId, CancelButtonId};
constexpr int FileListCommandCount = sizeof FileListCommandIds / sizeof FileListCommandIds[0];

void RunPass(HWND dialog, int listId, bool listMode) {
    RunGuardedPass(dialog, listId, listMode, FileListCommandIds, FileListCommandCount);
}

void Initialise(HWND dialog) {
    CentreOnScreen(dialog);
    RunPass(dialog, MainListId, true);
    if (StubOptions.allowFileList) {
        ShowWindow(GetDlgItem(dialog, SecondListId), SW_HIDE);
    } else {
        // Only to look at: the extraction still works on the hidden list 301.
        ShowWindow(GetDlgItem(dialog, MainListId), SW_HIDE);
        RunPass(dialog, SecondListId, true);
    }
    SelectAll(GetDlgItem(dialog, MainListId));
}

void Extract(HWND dialog) {
    // The main dialog's field is not read: ExtractFolder is as it last stored it.
    if (ExtractFolder[0] == '\0' && !TakeCurrentFolder()) return;
    RunPass(dialog, MainListId, false);
    if (ExtractSucceeded) {
        RunLaunchCommand();
        EndDialog(dialog, 1);
    }
}

}  // namespace

INT_PTR CALLBACK FileListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        Initialise(dialog);
        return FALSE;
    }
    if (message != WM_COMMAND || ExtractionRunning()) return FALSE;
    switch (LOWORD(wParam)) {
        case ExtractButtonId:
            Extract(dialog);
            break;
        case CancelButtonId:
            EndDialog(dialog, 2);
            break;
        default:
            break;
    }
    return FALSE;
}
