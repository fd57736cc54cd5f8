#pragma once
// Process-wide state of the start-up and the program's main procedure.
#include "platform/platform.h"

// A TextBuffer holds one zero-terminated text of at most 260 characters.
constexpr unsigned TextBufferSize = 261;

extern HINSTANCE InstanceHandle;
extern HANDLE SelfImageHandle;
extern char* browseBuffer;  // TextBuffer: working buffer of the folder browser

// Allocates the TextBuffers (browseBuffer and the three StubOptions texts) and
// registers their release at process exit.
void AllocateTextBuffers();

// The main procedure: opens the SelfImage, builds the CRC table, reads the
// OptionsBlock, runs the main dialog and closes down. Returns the exit code.
unsigned int StubMain();
