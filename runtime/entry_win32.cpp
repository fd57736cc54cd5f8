// The process entry of the Windows stub. The stub links without the C
// runtime's start-up code (it would not fit the image), so this is where the
// process begins: it makes DLL loading safe, runs the static constructors,
// runs the main procedure and ends the process.
#include "platform/platform.h"
#include "runtime/fatal.h"
#include "startup/startup.h"

namespace {

// A self-extractor is often started from a folder full of other downloads.
// Restricting the DLL search to System32 keeps a planted DLL there from being
// loaded by anything the stub (or the shell on its behalf) loads later.
void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    // Present from Windows 8 on (and Windows 7 with KB2533623).
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Older systems: at least take the current folder out of the search.
    SetDllDirectoryA("");
}

// The linker gathers the constructors of static objects into a list that
// starts with -1 (or a count) and ends with 0; like the C runtime, run them
// from the end of the list to the start.
using Constructor = void (*)();
extern "C" Constructor __CTOR_LIST__[];

void RunStaticConstructors() {
    unsigned count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) ++count;
    for (unsigned i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

}  // namespace

// Windows enters here with a stack aligned only to 4 bytes; realign it for
// code compiled on the usual assumption.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer, used)) void StubEntryPoint() {
    RestrictDllSearchToSystemFolder();
    InstanceHandle = GetModuleHandleA(nullptr);
    RunStaticConstructors();
    ExitProgram(StubMain());
}
