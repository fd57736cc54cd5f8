// The program's main procedure: start-up, the main dialog, and close-down.
#include "startup/startup.h"

#include "decode/crc.h"
#include "runtime/fatal.h"
#include "runtime/heap.h"
#include "runtime/string.h"
#include "startup/options.h"
#include "ui/dialogs.h"


namespace {

const char StartupCaption[] = "Kovarin Self-Extracting       ";

void ShowStartupFailure(const char* message, const char* moduleName) {
    String text(message);
    text += moduleName;
    MessageBoxA(nullptr, text.c_str(), StartupCaption, MB_OK | MB_ICONHAND);
}

}  // namespace

unsigned int StubMain() {
    AllocateTextBuffers();

    char moduleName[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameA(InstanceHandle, moduleName, MAX_PATH);
    moduleName[length <= MAX_PATH ? length : MAX_PATH] = '\0';

    // Read sharing lets other programs read the SFX while it runs, but none
    // can change the archive under the extraction.
    SelfImageHandle = CreateFileA(moduleName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (SelfImageHandle == INVALID_HANDLE_VALUE) {
        ShowStartupFailure("Cannot open file ", moduleName);
        return 0;
    }

    CrcTable = static_cast<std::uint32_t*>(GetMem(CrcTableAllocation));
    BuildCrcTable();

    ReadOptions();
    RunModalDialog("MAINDIALOG", nullptr, MainDialogProc);

    if (!CloseHandle(SelfImageHandle)) ShowStartupFailure("Cannot close file ", moduleName);
    SelfImageHandle = INVALID_HANDLE_VALUE;
    FreeMem(CrcTable);
    CrcTable = nullptr;
    return 0;
}
