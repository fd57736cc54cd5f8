#include "runtime/fatal.h"

#include "platform/platform.h"

namespace {

constexpr int MaxExitHandlers = 8;
ExitHandler ExitHandlers[MaxExitHandlers];
int ExitHandlerCount = 0;

void RunExitHandlers() {
    // Taken off the list before running, so a handler that fails cannot loop.
    while (ExitHandlerCount > 0) {
        ExitHandler handler = ExitHandlers[--ExitHandlerCount];
        handler();
    }
}

}  // namespace

void AddExitHandler(ExitHandler handler) {
    if (ExitHandlerCount < MaxExitHandlers) ExitHandlers[ExitHandlerCount++] = handler;
}

void ExitProgram(unsigned int exitCode) {
    RunExitHandlers();
    ExitProcess(exitCode);
}

void FormatRunErrorText(unsigned int code, unsigned long offset, char* out) {
    static const char Template[] = "Runtime error     at 00000000";
    static const char HexDigits[] = "0123456789ABCDEF";
    for (unsigned i = 0; i < sizeof Template; ++i) out[i] = Template[i];
    // The number stands right-aligned in the four characters after "Runtime error".
    for (int pos = 16; pos >= 13 && (code != 0 || pos == 16); --pos) {
        out[pos] = static_cast<char>('0' + code % 10);
        code /= 10;
    }
    for (int pos = 28; pos >= 21; --pos) {
        out[pos] = HexDigits[offset & 0xF];
        offset >>= 4;
    }
}

void RunError(unsigned int code) {
    const unsigned long failingAddress = static_cast<unsigned long>(
        reinterpret_cast<__UINTPTR_TYPE__>(__builtin_extract_return_addr(__builtin_return_address(0))));
    RunExitHandlers();
    char text[32];
    FormatRunErrorText(code, failingAddress - static_cast<unsigned long>(reinterpret_cast<__UINTPTR_TYPE__>(ProgramCodeStart())), text);
    MessageBoxA(nullptr, text, "Error", MB_OK);
    ExitProcess(code);
}

#ifdef _WIN32
// Declared as bytes of unknown extent: the headers are reached by offsets,
// which a declaration as one IMAGE_DOS_HEADER would make look out of bounds.
extern "C" const unsigned char __ImageBase[];

const void* ProgramCodeStart() {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(__ImageBase);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(__ImageBase + dos->e_lfanew);
    return __ImageBase + nt->OptionalHeader.BaseOfCode;
}
#else
extern "C" char __executable_start[];

const void* ProgramCodeStart() { return __executable_start; }
#endif
