#pragma once
// Reads an input file at given offsets; every failure is an InputError that
// names the file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace mksfx {

class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::uint64_t Size() const { return size_; }
    const std::string& Name() const { return name_; }
    // Exactly `count` bytes from `offset`, or an InputError.
    void ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
    std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t count);
    void Rewind() { ReadAt(0, nullptr, 0); }
    // Up to `count` bytes at the current position; 0 at the end.
    std::size_t ReadSome(void* buffer, std::size_t count);

private:
    std::string name_;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

// Text for messages: printable bytes as they are, others as \xNN.
std::string Shown(const std::string& text);

}  // namespace mksfx
