#pragma once
// The SelectionList over a sorted, multiple-selection list-box control: every
// operation is one message to the control.
#include "platform/platform.h"
#include "runtime/string.h"

// The row of the last lookup, shared by every list of the process; -1: none.
extern int CurrentRow;

void Clear(HWND list);
void AddName(HWND list, const String& name);
int Count(HWND list);
void SelectAll(HWND list);
void ResetCurrentRow();
bool IsNameSelected(HWND list, const String& name);
void DeselectCurrent(HWND list);
int CountSelected(HWND list);
