#pragma once
// Process exit and the fatal run-time error report.

using ExitHandler = void (*)();

// Registers a routine that runs when the process ends, normally or through a
// fatal run-time error. Handlers run in the reverse order of registration.
void AddExitHandler(ExitHandler handler);

// Runs the exit handlers and ends the process with the given exit code.
[[noreturn]] void ExitProgram(unsigned int exitCode);

// Ends the process with run-time error `code` (203: out of memory, 204: release
// of an unknown block): exit handlers run, then an ownerless "Error" box shows
// "Runtime error NNNN at XXXXXXXX" with the failing address counted from the
// start of the program's code, and the exit code is `code`. Nothing unwinds.
[[noreturn]] __attribute__((noinline)) void RunError(unsigned int code);

// The report text for an error number and a code offset (for tests).
void FormatRunErrorText(unsigned int code, unsigned long offset, char* out /* 32 bytes */);

// Where the program's code begins in memory; failing addresses are reported
// relative to it so that they match the map file of the build.
const void* ProgramCodeStart();
