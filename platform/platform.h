#pragma once
// The Windows services the stub calls. On Windows this is <windows.h> itself;
// on Linux it is our own layer over POSIX with a headless window system, so
// the same source builds for both.
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#else
#include "platform/posix/windows.h"
#endif
