#include "support/dialog_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "archive/driver.h"
#include "archive/selection.h"
#include "platform/platform.h"
#include "startup/options.h"
#include "ui/dialogs.h"

namespace {

// One step of the CRC-32 register, as the cipher's key schedule uses it.
std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    return crc;
}

struct Keys {
    std::uint32_t k0 = 0x12345678u, k1 = 0x23456789u, k2 = 0x34567890u;
    void Update(std::uint8_t plain) {
        k0 = CrcStep(k0, plain);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = CrcStep(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    std::uint8_t Stream() const {
        const std::uint32_t t = (k2 | 2) & 0xFFFF;
        return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
    }
    std::uint8_t Encrypt(std::uint8_t plain) {
        const std::uint8_t cipher = plain ^ Stream();
        Update(plain);
        return cipher;
    }
};

}  // namespace

std::vector<std::uint8_t> OptionsBlockBytes(std::uint8_t flags, const std::string& description,
                                            const std::string& folder, const std::string& command) {
    std::vector<std::uint8_t> block = {'@', 'K', 'V', flags, static_cast<std::uint8_t>(description.size()),
                                       static_cast<std::uint8_t>(folder.size()),
                                       static_cast<std::uint8_t>(command.size())};
    for (const std::string* text : {&description, &folder, &command}) block.insert(block.end(), text->begin(), text->end());
    block.resize(256, 0);
    return block;
}

ZipEntry EncryptedEntry(const std::string& name, const std::string& content, const std::string& password) {
    ZipEntry entry = StoredEntry(name, content);
    entry.flags |= 1;
    Keys keys;
    for (char c : password) keys.Update(static_cast<std::uint8_t>(c));
    std::vector<std::uint8_t> stored;
    for (int i = 0; i < 11; ++i) stored.push_back(keys.Encrypt(static_cast<std::uint8_t>(0x5A + 17 * i)));
    stored.push_back(keys.Encrypt(static_cast<std::uint8_t>(entry.crc32 >> 24)));  // the check byte
    for (char c : content) stored.push_back(keys.Encrypt(static_cast<std::uint8_t>(c)));
    entry.data = stored;
    return entry;
}

void DialogTest::SetUp() {
    headless::Reset();
    ExtractFolder[0] = '\0';
    OverwriteExisting = false;
    PasswordEntry = PasswordEntryRecord{};
    CurrentPassword.clear();
    ResetCurrentRow();
    char folder[PATH_MAX];
    savedFolder_ = getcwd(folder, sizeof folder) ? folder : "/";
    char resolved[PATH_MAX];
    work_ = realpath(scratch_.path().c_str(), resolved) ? std::string(resolved) + "/work" : scratch_.path() + "/work";
    mkdir(work_.c_str(), 0755);
    ASSERT_EQ(chdir(work_.c_str()), 0);
}

void DialogTest::TearDown() {
    EXPECT_TRUE(headless::Failures().empty()) << "first: " << headless::Failures().front();
    self_.reset();
    if (chdir(savedFolder_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << savedFolder_;
    headless::Reset();
}

void DialogTest::UseArchive(const std::vector<ZipEntry>& entries, const std::vector<std::uint8_t>* options) {
    const std::string path = scratch_ / "setup.exe";
    WriteWholeFile(path, MakeSelfImage(BuildZip(entries), options));
    self_.reset();
    self_ = std::make_unique<OpenedSelfImage>(path);
    ReadOptions();
}

INT_PTR DialogTest::RunMainDialog() { return RunModalDialog("MAINDIALOG", nullptr, MainDialogProc); }

std::vector<std::string> DialogTest::BoxTexts() const {
    std::vector<std::string> texts;
    for (const headless::MessageBoxRecord& box : headless::MessageBoxes()) texts.push_back(box.text);
    return texts;
}

bool DialogTest::FileExists(const std::string& path) const {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}
