#pragma once
// The output is written to a temporary file beside the target and put in its
// place only when complete: a failure at any point leaves the target as it
// was and no temporary file behind.
#include <cstdint>
#include <cstdio>
#include <string>

namespace mksfx {

class OutputFile {
public:
    explicit OutputFile(const std::string& target);
    ~OutputFile();  // removes the temporary file unless Commit ran
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const void* bytes, std::size_t count);
    std::uint64_t Position() const { return position_; }
    // Moves back to rewrite bytes already written; the file keeps its length
    // until Commit cuts it to `finalLength`.
    void Seek(std::uint64_t position);
    void Commit(std::uint64_t finalLength);

private:
    [[noreturn]] void Fail(const std::string& what) const;

    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    bool committed_ = false;
};

}  // namespace mksfx
