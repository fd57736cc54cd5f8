// Files, the heap and the process for the Linux platform layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"

namespace {

thread_local DWORD LastError = 0;

// Reads and writes go through the handle's own position (pread/pwrite), so
// a move is never a system call; a handle opened only for reading also keeps
// a read-ahead buffer, which makes the many small header reads of a walk
// cheap, as the file cache does on Windows.
struct FileObject {
    int fd;
    DWORD access;
    DWORD shareMode;
    dev_t device;
    ino_t inode;
    off_t position;
    std::vector<char> readAhead;  // bytes of the file from readAheadStart on
    off_t readAheadStart;
};

constexpr std::size_t ReadAheadSize = 64 * 1024;

// Open files of this process, for the share-mode checks between handles.
std::vector<FileObject*> OpenFiles;

FileObject* AsFile(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    for (FileObject* file : OpenFiles)
        if (file == handle) return file;
    return nullptr;
}

bool ShareConflict(const struct stat& info, DWORD access, DWORD shareMode) {
    for (const FileObject* other : OpenFiles) {
        if (other->device != info.st_dev || other->inode != info.st_ino) continue;
        if ((access & GENERIC_READ) && !(other->shareMode & FILE_SHARE_READ)) return true;
        if ((access & GENERIC_WRITE) && !(other->shareMode & FILE_SHARE_WRITE)) return true;
        if ((other->access & GENERIC_READ) && !(shareMode & FILE_SHARE_READ)) return true;
        if ((other->access & GENERIC_WRITE) && !(shareMode & FILE_SHARE_WRITE)) return true;
    }
    return false;
}

std::string ModuleFileName;

}  // namespace

std::string ToPosixPath(const char* path) {
    std::string result(path);
    for (char& c : result)
        if (c == '\\') c = '/';
    return result;
}

void SetLastErrorFromErrno(int error) {
    switch (error) {
        case ENOENT: LastError = ERROR_FILE_NOT_FOUND; break;
        case ENOTDIR: LastError = ERROR_PATH_NOT_FOUND; break;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: LastError = ERROR_ACCESS_DENIED; break;
        case EEXIST: LastError = ERROR_ALREADY_EXISTS; break;
        case ENOSPC: LastError = ERROR_DISK_FULL; break;
        case ENAMETOOLONG:
        case EINVAL: LastError = ERROR_INVALID_NAME; break;
        case EBADF: LastError = ERROR_INVALID_HANDLE; break;
        default: LastError = ERROR_INVALID_PARAMETER; break;
    }
}

DWORD GetLastError() { return LastError; }
void SetLastError(DWORD error) { LastError = error; }

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
    if (fileName == nullptr || fileName[0] == '\0') {
        LastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = ToPosixPath(fileName);
    // A name that ends in a separator names a folder, which cannot be a file.
    if (path.back() == '/') {
        LastError = ERROR_INVALID_NAME;
        return INVALID_HANDLE_VALUE;
    }
    int access = O_RDONLY;
    if ((desiredAccess & GENERIC_READ) && (desiredAccess & GENERIC_WRITE)) access = O_RDWR;
    else if (desiredAccess & GENERIC_WRITE) access = O_WRONLY;
    const bool mayCreate = creationDisposition == CREATE_NEW || creationDisposition == CREATE_ALWAYS ||
                           creationDisposition == OPEN_ALWAYS;
    if (!mayCreate && creationDisposition != OPEN_EXISTING) {
        LastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }

    // A new file is made in one step. An existing one is opened without
    // truncation first, so the checks below can still refuse it untouched.
    bool exists = false;
    int fd = -1;
    if (mayCreate) fd = open(path.c_str(), access | O_CLOEXEC | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && (!mayCreate || errno == EEXIST)) {
        exists = true;
        if (creationDisposition == CREATE_NEW) {
            LastError = ERROR_FILE_EXISTS;
            return INVALID_HANDLE_VALUE;
        }
        fd = open(path.c_str(), access | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && !mayCreate) {
            LastError = ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
    }
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        if (errno == ENOENT) LastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    struct stat info;
    fstat(fd, &info);
    DWORD refusal = ERROR_SUCCESS;
    if (S_ISDIR(info.st_mode)) refusal = ERROR_ACCESS_DENIED;
    // Windows refuses to open a read-only file for writing, for every user;
    // POSIX lets root do it, so the rule is applied here.
    else if (exists && (desiredAccess & GENERIC_WRITE) && (info.st_mode & 0222) == 0) refusal = ERROR_ACCESS_DENIED;
    else if (exists && ShareConflict(info, desiredAccess, shareMode)) refusal = ERROR_SHARING_VIOLATION;
    if (refusal != ERROR_SUCCESS) {
        close(fd);
        LastError = refusal;
        return INVALID_HANDLE_VALUE;
    }
    if (exists && creationDisposition == CREATE_ALWAYS && S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) {
        SetLastErrorFromErrno(errno);
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    FileObject* file = new FileObject{fd, desiredAccess, shareMode, info.st_dev, info.st_ino, 0, {}, 0};
    OpenFiles.push_back(file);
    LastError = (exists && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS))
                    ? ERROR_ALREADY_EXISTS
                    : ERROR_SUCCESS;
    return file;
}

namespace {

// Reads at the file's position; false on a failure (errno set).
bool ReadAt(FileObject& file, char* buffer, DWORD count, DWORD& total) {
    total = 0;
    while (total < count) {
        const ssize_t n = pread(file.fd, buffer + total, count - total, file.position + total);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    return true;
}

// Serves a read of a read-only handle from its read-ahead buffer.
bool ReadBuffered(FileObject& file, char* buffer, DWORD count, DWORD& total) {
    total = 0;
    while (total < count) {
        const off_t at = file.position + total;
        const off_t bufferEnd = file.readAheadStart + static_cast<off_t>(file.readAhead.size());
        if (at >= file.readAheadStart && at < bufferEnd) {
            const std::size_t offset = static_cast<std::size_t>(at - file.readAheadStart);
            const DWORD n = static_cast<DWORD>(std::min<std::size_t>(count - total, file.readAhead.size() - offset));
            std::memcpy(buffer + total, file.readAhead.data() + offset, n);
            total += n;
            continue;
        }
        if (count - total >= ReadAheadSize) {
            // A large read goes straight to the caller's buffer.
            FileObject direct = file;
            direct.position = at;
            DWORD n = 0;
            const bool ok = ReadAt(direct, buffer + total, count - total, n);
            total += n;
            return ok;
        }
        file.readAhead.resize(ReadAheadSize);
        file.readAheadStart = at;
        FileObject fill = file;
        fill.position = at;
        DWORD n = 0;
        const bool ok = ReadAt(fill, file.readAhead.data(), ReadAheadSize, n);
        file.readAhead.resize(n);
        if (!ok) return false;
        if (n == 0) break;
    }
    return true;
}

}  // namespace

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    if (bytesRead) *bytesRead = 0;
    FileObject* file = AsFile(handle);
    if (file == nullptr || !(file->access & GENERIC_READ)) {
        LastError = file ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE;
        return FALSE;
    }
    DWORD total = 0;
    const bool ok = (file->access & GENERIC_WRITE)
                        ? ReadAt(*file, static_cast<char*>(buffer), bytesToRead, total)
                        : ReadBuffered(*file, static_cast<char*>(buffer), bytesToRead, total);
    file->position += total;
    if (bytesRead) *bytesRead = total;
    if (!ok) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED) {
    if (bytesWritten) *bytesWritten = 0;
    FileObject* file = AsFile(handle);
    if (file == nullptr || !(file->access & GENERIC_WRITE)) {
        LastError = file ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE;
        return FALSE;
    }
    DWORD total = 0;
    while (total < bytesToWrite) {
        const ssize_t n = pwrite(file->fd, static_cast<const char*>(buffer) + total, bytesToWrite - total,
                                 file->position + total);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno(errno);
            file->position += total;
            if (bytesWritten) *bytesWritten = total;
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    file->position += total;
    file->readAhead.clear();
    if (bytesWritten) *bytesWritten = total;
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
    FileObject* file = AsFile(handle);
    if (file == nullptr) {
        LastError = ERROR_INVALID_HANDLE;
        return INVALID_SET_FILE_POINTER;
    }
    off_t offset = distance;
    if (distanceHigh) offset = static_cast<off_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                                  static_cast<DWORD>(distance));
    off_t base = 0;
    if (moveMethod == FILE_CURRENT) {
        base = file->position;
    } else if (moveMethod == FILE_END) {
        struct stat info;
        base = fstat(file->fd, &info) == 0 ? info.st_size : 0;
    }
    const off_t target = base + offset;
    // Without a high part, positions are limited to what 32 bits can report.
    if (target < 0 || (distanceHigh == nullptr && target >= static_cast<off_t>(INVALID_SET_FILE_POINTER))) {
        LastError = ERROR_NEGATIVE_SEEK;
        return INVALID_SET_FILE_POINTER;
    }
    file->position = target;
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
    LastError = NO_ERROR;
    return static_cast<DWORD>(target);
}

DWORD GetFileSize(HANDLE handle, LPDWORD fileSizeHigh) {
    FileObject* file = AsFile(handle);
    struct stat info;
    if (file == nullptr || fstat(file->fd, &info) != 0) {
        LastError = ERROR_INVALID_HANDLE;
        return INVALID_SET_FILE_POINTER;
    }
    if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(info.st_size) >> 32);
    return static_cast<DWORD>(info.st_size);
}

BOOL CloseHandle(HANDLE handle) {
    FileObject* file = AsFile(handle);
    if (file == nullptr) {
        LastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    for (auto it = OpenFiles.begin(); it != OpenFiles.end(); ++it)
        if (*it == file) {
            OpenFiles.erase(it);
            break;
        }
    const int result = close(file->fd);
    delete file;
    if (result != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}


int FileDescriptorOf(HANDLE handle) {
    FileObject* file = AsFile(handle);
    return file ? file->fd : -1;
}

HANDLE GetProcessHeap() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(1)); }

LPVOID HeapAlloc(HANDLE, DWORD, std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

BOOL HeapFree(HANDLE, DWORD, LPVOID memory) {
    std::free(memory);
    return TRUE;
}

void ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    std::exit(static_cast<int>(exitCode));
}

HMODULE GetModuleHandleA(LPCSTR) { return reinterpret_cast<HMODULE>(static_cast<LONG_PTR>(0x400000)); }

void SetModuleFileNameForTesting(const char* path) { ModuleFileName = path ? path : ""; }

DWORD GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size) {
    std::string name = ModuleFileName;
    if (name.empty()) {
        char buffer[4096];
        const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n > 0) name.assign(buffer, static_cast<std::size_t>(n));
    }
    if (size == 0) return 0;
    // As on Windows: a name that does not fit is cut and still terminated.
    const DWORD copied = static_cast<DWORD>(name.size() < size ? name.size() : size - 1);
    std::memcpy(fileName, name.data(), copied);
    fileName[copied] = '\0';
    return copied;
}
