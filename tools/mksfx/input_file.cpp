#include "input_file.h"

#include <cerrno>
#include <cstring>

#include "errors.h"

namespace mksfx {

InputFile::InputFile(const std::filesystem::path& path) : name_(path.string()) {
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"rb");
#else
    file_ = std::fopen(path.c_str(), "rb");
#endif
    if (file_ == nullptr) throw InputError("cannot open " + name_ + ": " + std::strerror(errno));
    std::error_code error;
    size_ = std::filesystem::file_size(path, error);
    if (error) {
        std::fclose(file_);
        throw InputError("cannot read " + name_ + ": " + error.message());
    }
}

InputFile::~InputFile() { std::fclose(file_); }

void InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
#ifdef _WIN32
    const bool placed = _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    const bool placed = fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    if (!placed || offset + count > size_ || std::fread(buffer, 1, count, file_) != count)
        throw InputError("cannot read " + name_ + ": it ends early or is damaged (" + std::to_string(count) +
                         " bytes at offset " + std::to_string(offset) + ")");
}

std::vector<std::uint8_t> InputFile::ReadAt(std::uint64_t offset, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    if (count > 0) ReadAt(offset, bytes.data(), count);
    return bytes;
}

std::size_t InputFile::ReadSome(void* buffer, std::size_t count) {
    const std::size_t got = std::fread(buffer, 1, count, file_);
    if (got == 0 && std::ferror(file_)) throw InputError("cannot read " + name_ + ": " + std::strerror(errno));
    return got;
}

std::string Shown(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string shown;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            shown += "\\x";
            shown += hex[c >> 4];
            shown += hex[c & 0x0F];
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

}  // namespace mksfx
