// The password prompt: one line of text, OK the only way out.
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

PasswordEntryRecord PasswordEntry;

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CentreOnScreen(dialog);
        // Typing stops where the password would be cut.
        SendDlgItemMessageA(dialog, PasswordFieldId, EM_LIMITTEXT, sizeof PasswordEntry.text - 1, 0);
        SetFocus(GetDlgItem(dialog, PasswordFieldId));
        return FALSE;
    }
    // IDCANCEL (the Escape key) is ignored: the prompt cannot be cancelled.
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        const UINT count = GetDlgItemTextA(dialog, PasswordFieldId, PasswordEntry.text, sizeof PasswordEntry.text);
        PasswordEntry.count = count;
        PasswordEntry.text[count] = '\0';
        EndDialog(dialog, 1);
    }
    return FALSE;
}
