#pragma once
// Which stored entry names may be written below the ExtractFolder.
#include "runtime/string.h"

// Longest target path the platform takes (MAX_PATH less the terminator).
constexpr unsigned MaxTargetPath = 259;

// False for names that would lead outside the folder or that the existence
// test would misread: a leading separator, a ".." component, a colon (drive
// designator or alternate data stream), a wildcard, or more than 255 bytes.
bool IsSafeEntryName(const String& name);
