#pragma once
// Helpers shared by the native tests: scratch folders, SFX files built in
// memory, and the stub's process-wide state set up as start-up would.
#include <cstdint>
#include <string>
#include <vector>

// Allocates and builds the CRC table once for the test process.
void UseCrcTable();

// A fresh empty folder below the system's temporary folder, removed with its
// content when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteWholeFile(const std::string& path, const std::string& text);

// The bytes of an SFX file: `image` bytes of stub image (zeros), then the
// options block when given, then the archive.
std::vector<std::uint8_t> MakeSelfImage(const std::vector<std::uint8_t>& archive,
                                        const std::vector<std::uint8_t>* optionsBlock = nullptr);

// Opens `path` as the SelfImage (SelfImageHandle) and allocates the
// TextBuffers, as start-up does; closes it again when the object goes.
class OpenedSelfImage {
public:
    explicit OpenedSelfImage(const std::string& path);
    ~OpenedSelfImage();
    OpenedSelfImage(const OpenedSelfImage&) = delete;
    OpenedSelfImage& operator=(const OpenedSelfImage&) = delete;

private:
    void* handle_;  // closed by this object, whatever SelfImageHandle holds by then
};

// Runs a shell command; returns its exit status.
int RunCommand(const std::string& command);
