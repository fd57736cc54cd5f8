// The SelectionList over a list-box control (sorted, multiple selection).
#include "archive/selection.h"

int CurrentRow = -1;

void Clear(HWND list) { SendMessageA(list, LB_RESETCONTENT, 0, 0); }

void AddName(HWND list, const String& name) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

int Count(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }

void SelectAll(HWND list) { SendMessageA(list, LB_SETSEL, TRUE, -1); }

void ResetCurrentRow() { CurrentRow = -1; }

bool IsNameSelected(HWND list, const String& name) {
    // Searching on from the last hit maps equal names to successive rows and
    // makes an archive stored in sorted order hit at the first step.
    CurrentRow = static_cast<int>(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(CurrentRow),
                                               reinterpret_cast<LPARAM>(name.c_str())));
    if (CurrentRow < 0) CurrentRow = -1;
    return SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(CurrentRow), 0) > 0;
}

void DeselectCurrent(HWND list) { SendMessageA(list, LB_SETSEL, FALSE, CurrentRow); }

int CountSelected(HWND list) {
    const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}
