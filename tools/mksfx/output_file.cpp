#include "output_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "errors.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mksfx {

namespace {

// The temporary file to remove when the user interrupts the tool.
char InterruptedTemporary[4096];

extern "C" void RemoveTemporaryAndExit(int signal) {
    if (InterruptedTemporary[0] != '\0') std::remove(InterruptedTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string Reason() { return std::strerror(errno); }

}  // namespace

OutputFile::OutputFile(const std::string& target) : target_(target) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_directory(target, error))
        throw OutputError("cannot write " + target + ": it is a folder");

    // Beside the target, so that the final rename stays on one file system.
    const std::string stem = target + ".mksfx-";
    for (unsigned attempt = 0; attempt < 100 && file_ == nullptr; ++attempt) {
#ifdef _WIN32
        temporary_ = stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        const int fd = _open(temporary_.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, 0666);
        if (fd >= 0) file_ = _fdopen(fd, "wb");
#else
        temporary_ = stem + "XXXXXX";
        const int fd = mkstemp(&temporary_[0]);
        if (fd >= 0) {
            // mkstemp makes the file private; give it the mode of any new file.
            const mode_t mask = umask(0);
            umask(mask);
            fchmod(fd, 0777 & ~mask);
            file_ = fdopen(fd, "wb");
        }
#endif
        if (file_ == nullptr && errno != EEXIST) break;
    }
    if (file_ == nullptr) throw OutputError("cannot create a file beside " + target + ": " + Reason());

    std::strncpy(InterruptedTemporary, temporary_.c_str(), sizeof InterruptedTemporary - 1);
    std::signal(SIGINT, RemoveTemporaryAndExit);
    std::signal(SIGTERM, RemoveTemporaryAndExit);
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_) std::remove(temporary_.c_str());
    InterruptedTemporary[0] = '\0';
}

void OutputFile::Fail(const std::string& what) const {
    throw OutputError("cannot write " + target_ + ": " + what);
}

void OutputFile::Write(const void* bytes, std::size_t count) {
    if (count == 0) return;
    if (std::fwrite(bytes, 1, count, file_) != count) Fail(Reason());
    position_ += count;
}

void OutputFile::Seek(std::uint64_t position) {
#ifdef _WIN32
    const int result = _fseeki64(file_, static_cast<__int64>(position), SEEK_SET);
#else
    const int result = fseeko(file_, static_cast<off_t>(position), SEEK_SET);
#endif
    if (result != 0) Fail(Reason());
    position_ = position;
}

void OutputFile::Commit(std::uint64_t finalLength) {
    const bool flushed = std::fflush(file_) == 0;
    const std::string flushReason = Reason();
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed) Fail(flushReason);
    if (!closed) Fail(Reason());

    std::error_code error;
    if (std::filesystem::file_size(temporary_, error) != finalLength) {
        std::filesystem::resize_file(temporary_, finalLength, error);
        if (error) Fail(error.message());
    }
#ifdef _WIN32
    if (!MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING))
        Fail("the finished file could not replace it (error " + std::to_string(GetLastError()) + ")");
#else
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(Reason());
#endif
    committed_ = true;
}

}  // namespace mksfx
