#pragma once
// Shared between the files of the Linux platform layer.
#include <string>

#include "platform/posix/windows.h"

// A Windows path text as a POSIX path: every "\" becomes "/".
std::string ToPosixPath(const char* path);
// The POSIX descriptor behind a file handle, or -1.
int FileDescriptorOf(HANDLE handle);
// Sets the thread's last error from an errno value.
void SetLastErrorFromErrno(int error);
