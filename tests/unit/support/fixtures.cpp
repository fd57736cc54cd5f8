#include "support/fixtures.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "decode/crc.h"
#include "platform/platform.h"
#include "startup/options_block.h"
#include "startup/startup.h"

namespace {

// File times are checked in a zone with summer time, whatever the machine's.
struct TestTimeZone {
    TestTimeZone() {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
} const UseTestTimeZone;

}  // namespace

void UseCrcTable() {
    static std::uint32_t table[256];
    if (CrcTable == nullptr) {
        CrcTable = table;
        BuildCrcTable();
    }
}

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/sfx-test-XXXXXX";
    char* made = mkdtemp(&pattern[0]);
    path_ = made ? made : "";
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) RunCommand("chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'");
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    WriteWholeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> MakeSelfImage(const std::vector<std::uint8_t>& archive,
                                        const std::vector<std::uint8_t>* optionsBlock) {
    std::vector<std::uint8_t> image(StubImageSize, 0);
    if (optionsBlock) image.insert(image.end(), optionsBlock->begin(), optionsBlock->end());
    image.insert(image.end(), archive.begin(), archive.end());
    return image;
}

OpenedSelfImage::OpenedSelfImage(const std::string& path) {
    UseCrcTable();
    static bool buffersAllocated = false;
    if (!buffersAllocated) {
        AllocateTextBuffers();
        buffersAllocated = true;
    }
    SelfImageHandle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = SelfImageHandle;
}

OpenedSelfImage::~OpenedSelfImage() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (SelfImageHandle == handle_) SelfImageHandle = INVALID_HANDLE_VALUE;
}

int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
