// Files, the heap and the process for the Linux platform layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"

namespace {

thread_local DWORD LastError = 0;

struct FileObject {
    int fd;
    DWORD access;
    DWORD shareMode;
    dev_t device;
    ino_t inode;
};

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
    int flags = O_CLOEXEC;
    if ((desiredAccess & GENERIC_READ) && (desiredAccess & GENERIC_WRITE)) flags |= O_RDWR;
    else if (desiredAccess & GENERIC_WRITE) flags |= O_WRONLY;
    else flags |= O_RDONLY;

    struct stat existing;
    const bool exists = stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        LastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    switch (creationDisposition) {
        case CREATE_NEW:
            if (exists) { LastError = ERROR_FILE_EXISTS; return INVALID_HANDLE_VALUE; }
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case OPEN_EXISTING:
            if (!exists) { LastError = ERROR_FILE_NOT_FOUND; return INVALID_HANDLE_VALUE; }
            break;
        default: LastError = ERROR_INVALID_PARAMETER; return INVALID_HANDLE_VALUE;
    }
    // Windows refuses to open a read-only file for writing, for every user;
    // POSIX lets root do it, so the rule is applied here.
    if (exists && (desiredAccess & GENERIC_WRITE) && (existing.st_mode & 0222) == 0) {
        LastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    if (exists && ShareConflict(existing, desiredAccess, shareMode)) {
        LastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    struct stat info;
    fstat(fd, &info);
    FileObject* file = new FileObject{fd, desiredAccess, shareMode, info.st_dev, info.st_ino};
    OpenFiles.push_back(file);
    LastError = (exists && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS))
                    ? ERROR_ALREADY_EXISTS
                    : ERROR_SUCCESS;
    return file;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    if (bytesRead) *bytesRead = 0;
    FileObject* file = AsFile(handle);
    if (file == nullptr || !(file->access & GENERIC_READ)) {
        LastError = file ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE;
        return FALSE;
    }
    DWORD total = 0;
    while (total < bytesToRead) {
        const ssize_t n = read(file->fd, static_cast<char*>(buffer) + total, bytesToRead - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno(errno);
            if (bytesRead) *bytesRead = total;
            return FALSE;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (bytesRead) *bytesRead = total;
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
        const ssize_t n = write(file->fd, static_cast<const char*>(buffer) + total, bytesToWrite - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno(errno);
            if (bytesWritten) *bytesWritten = total;
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
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
    const int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    const off_t current = lseek(file->fd, 0, SEEK_CUR);
    const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? current : lseek(file->fd, 0, SEEK_END);
    lseek(file->fd, current, SEEK_SET);
    const off_t target = base + offset;
    // Without a high part, positions are limited to what 32 bits can report.
    if (target < 0 || (distanceHigh == nullptr && target >= static_cast<off_t>(INVALID_SET_FILE_POINTER))) {
        LastError = ERROR_NEGATIVE_SEEK;
        return INVALID_SET_FILE_POINTER;
    }
    lseek(file->fd, target, SEEK_SET);
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
