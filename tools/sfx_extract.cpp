// sfx-extract: runs the stub's own list and extract passes on an SFX file,
// without windows. For scripts and benchmarks; not part of the stub.
//
//   sfx-extract [--password TEXT] [--overwrite | --keep-existing] SFX-FILE FOLDER
//
// Every message box goes to stderr as "[caption] text". Password prompts are
// answered with TEXT (an empty password when none is given). The exit code is
// 0 only when the extraction succeeded, 1 when it did not, 2 on bad usage.
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <string>

#include "archive/driver.h"
#include "archive/selection.h"
#include "decode/crc.h"
#include "platform/platform.h"
#include "platform/posix/headless.h"
#include "runtime/heap.h"
#include "startup/options.h"
#include "startup/startup.h"
#include "ui/dialogs.h"

namespace {

int Usage(const char* message) {
    if (message) std::fprintf(stderr, "sfx-extract: %s\n", message);
    std::fprintf(stderr,
                 "usage: sfx-extract [--password TEXT] [--overwrite | --keep-existing] SFX-FILE FOLDER\n"
                 "Lists and extracts every entry of SFX-FILE into FOLDER with the stub's own code.\n"
                 "Without --overwrite or --keep-existing the SFX's own overwrite setting applies.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string password;
    int overwrite = -1;  // -1: as the SFX's options say
    const char* sfxPath = nullptr;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--password" && i + 1 < argc) password = argv[++i];
        else if (arg == "--overwrite") overwrite = 1;
        else if (arg == "--keep-existing") overwrite = 0;
        else if (arg == "--help" || arg == "-h") return Usage(nullptr), 0;
        else if (!arg.empty() && arg[0] == '-') return Usage(("unknown option " + arg).c_str());
        else if (!sfxPath) sfxPath = argv[i];
        else if (!folder) folder = argv[i];
        else return Usage("too many arguments");
    }
    if (!sfxPath || !folder) return Usage("an SFX file and a folder are needed");
    // The stub works with full paths; a relative folder is taken from here.
    std::string target = folder;
    if (!target.empty() && target[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here) == nullptr) return Usage("the current folder cannot be read");
        target = std::string(here) + "/" + target;
    }
    if (target.empty() || target.size() > 255) return Usage("the folder must have 1 to 255 characters");
    if (password.size() > 79) return Usage("a password has at most 79 characters");

    headless::EchoMessageBoxes(true);
    headless::WhenDialogOpens(
        "PASSWD",
        [&password](HWND dialog) {
            headless::Type(dialog, 101, password);
            headless::PressEnter(dialog);
        },
        true);

    AllocateTextBuffers();
    SelfImageHandle =
        CreateFileA(sfxPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (SelfImageHandle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "sfx-extract: cannot open %s\n", sfxPath);
        return 1;
    }
    CrcTable = static_cast<std::uint32_t*>(GetMem(CrcTableAllocation));
    BuildCrcTable();
    ReadOptions();

    std::strcpy(ExtractFolder, target.c_str());
    OverwriteExisting = overwrite == -1 ? StubOptions.overwriteCheckId != NoOverwriteCheckId : overwrite == 1;

    // A window-less stand-in for the main dialog: its list 301 and field 55.
    const HWND dialog = CreateDialogParamA(InstanceHandle, "MAINDIALOG", nullptr, nullptr, 0);
    ExtractEntries(dialog, MainListId, true);
    SelectAll(GetDlgItem(dialog, MainListId));
    ExtractEntries(dialog, MainListId, false);
    const bool succeeded = ExtractSucceeded;

    DestroyWindow(dialog);
    CloseHandle(SelfImageHandle);
    FreeMem(CrcTable);
    return succeeded ? 0 : 1;
}
