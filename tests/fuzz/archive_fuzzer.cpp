// Fuzz target: arbitrary bytes behind the stub's image, run through a list
// pass and an extract pass into a scratch folder. Nothing may crash, hang, or
// be written anywhere but below that folder.
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

std::string Root;        // holds only the SFX file and the output folder
std::string OutputDir;
std::string SelfImagePath;

void Fail(const char* what, const char* name) {
    std::fprintf(stderr, "archive_fuzzer: %s: %s\n", what, name);
    std::abort();
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    chmod(path, 0777);  // read-only files were made so by the attribute pass
    return remove(path);
}

void RemoveTree(const char* path) { nftw(path, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

void CheckRootHoldsOnlyOurFiles() {
    DIR* dir = opendir(Root.c_str());
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "out" && name != "sfx.exe") Fail("written outside the folder", entry->d_name);
    }
    closedir(dir);
}

// Made on the first input, so the plain replay main() needs no set-up call.
void Initialise() {
    static bool done = false;
    if (done) return;
    done = true;
    char pattern[] = "/tmp/sfx-archive-fuzz-XXXXXX";
    Root = mkdtemp(pattern);
    OutputDir = Root + "/out";
    SelfImagePath = Root + "/sfx.exe";
    AllocateTextBuffers();
    CrcTable = static_cast<std::uint32_t*>(GetMem(CrcTableAllocation));
    BuildCrcTable();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Initialise();
    if (size > 1 << 20) return 0;
    RemoveTree(OutputDir.c_str());
    if (mkdir(OutputDir.c_str(), 0777) != 0) Fail("cannot make", OutputDir.c_str());

    FILE* file = std::fopen(SelfImagePath.c_str(), "wb");
    static const std::uint8_t image[32256] = {};
    std::fwrite(image, 1, sizeof image, file);
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    headless::Reset();
    headless::WhenDialogOpens("PASSWD", [](HWND d) { headless::Type(d, 101, "pw"); headless::PressEnter(d); }, true);
    CurrentPassword.clear();
    SelfImageHandle = CreateFileA(SelfImagePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ReadOptions();
    std::strcpy(ExtractFolder, OutputDir.c_str());
    OverwriteExisting = true;
    const HWND dialog = CreateDialogParamA(InstanceHandle, "MAINDIALOG", nullptr, nullptr, 0);
    ExtractEntries(dialog, MainListId, true);
    SelectAll(GetDlgItem(dialog, MainListId));
    ExtractEntries(dialog, MainListId, false);
    DestroyWindow(dialog);
    CloseHandle(SelfImageHandle);
    SelfImageHandle = INVALID_HANDLE_VALUE;
    CheckRootHoldsOnlyOurFiles();
    return 0;
}
