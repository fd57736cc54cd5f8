#pragma once
// Helpers for the packaging tool's tests: a scratch folder, running the
// built mksfx and the real archivers, and a check of an SFX file made the
// way the stub reads it.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mksfx_test {

// A fresh folder below the temporary folder, removed with its content.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line; stdout and stderr are captured.
Outcome Shell(const std::string& commandLine);
// Runs the mksfx under test with the given arguments (already quoted).
Outcome RunMksfx(const std::string& arguments);
std::string Quoted(const std::string& text);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
// Names in the folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// A stand-in for the stub: a small real Windows program padded to 32256
// bytes, so that tools that look at an .exe see a program. Made once per run.
const std::string& StandInStub();

// The files below a folder: relative name with "/" -> content. Folders
// are listed as "name/" -> "" when `withFolders`.
std::map<std::string, std::string> Tree(const std::string& folder, bool withFolders = false);

// One local entry as the stub's front-to-back walk meets it.
struct WalkedEntry {
    std::uint32_t offset = 0;
    std::string name;
    std::uint16_t flags = 0, method = 0, dosTime = 0, dosDate = 0;
    std::uint32_t crc = 0, packedSize = 0, size = 0;
    std::uint32_t externalAttributes = 0;  // from its central record
    bool descriptorBehind = false;
};

// Walks `sfx` as the stub does, from 32256 or 32512 (by the options block),
// and fails unless: every entry's local header has the sizes and CRC-32 of
// its data (unencrypted data is inflated to prove it), entries follow one
// another with nothing between them but, for an encrypted entry with flag
// bit 3, one data descriptor; the central directory follows the last entry
// and lists the same entries at the same file offsets; the end record gives
// the central directory's file offset. `password` decrypts nothing but is
// used to test each encrypted entry's check byte the way the stub does.
::testing::AssertionResult WalkLikeTheStub(const std::string& sfx, std::vector<WalkedEntry>& entries,
                                           const std::string& password = "");

// The extraction tool from the lead's build, or empty while there is none.
std::string SfxExtractTool();

}  // namespace mksfx_test
