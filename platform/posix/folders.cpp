// Folder searches, folder creation, the current and temporary folders, and
// file attributes for the Linux platform layer.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/posix_internal.h"

namespace {

// A search runs lazily over its folder: existence tests need only the first
// match, and a folder may hold many names.
struct FindObject {
    std::string folder;
    std::string pattern;
    DIR* dir;              // null once the listing is done, or for an exact name
    int specialsLeft;      // "." and ".." still to offer
    std::string exactName; // a pattern without wildcards that names an existing entry
    struct stat exactInfo;
};

// Attribute bits that POSIX has no place for (hidden, system, archive ...),
// kept per file for the life of the process so they read back as set.
std::map<std::pair<dev_t, ino_t>, DWORD> ExtraAttributes;

constexpr DWORD AttributesKeptInMode = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;

int FoldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Windows wildcard matching, without regard to letter case.
bool MatchesPattern(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* rest = name;; ++rest) {
            if (MatchesPattern(pattern + 1, rest)) return true;
            if (*rest == '\0') return false;
        }
    }
    if (*name == '\0') return false;
    if (*pattern == '?' || FoldCase(static_cast<unsigned char>(*pattern)) == FoldCase(static_cast<unsigned char>(*name)))
        return MatchesPattern(pattern + 1, name + 1);
    return false;
}

FILETIME ToFileTime(const struct timespec& t) {
    // 100-nanosecond intervals since 1601-01-01.
    const std::uint64_t value = (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
                                static_cast<std::uint64_t>(t.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

DWORD AttributesOf(const struct stat& info) {
    DWORD attributes = 0;
    const auto extra = ExtraAttributes.find({info.st_dev, info.st_ino});
    if (extra != ExtraAttributes.end()) attributes = extra->second;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if ((info.st_mode & 0200) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

void FillFindData(const char* name, const struct stat& info, WIN32_FIND_DATAA& data) {
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = AttributesOf(info);
    data.ftCreationTime = ToFileTime(info.st_ctim);
    data.ftLastAccessTime = ToFileTime(info.st_atim);
    data.ftLastWriteTime = ToFileTime(info.st_mtim);
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(info.st_size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(info.st_size);
    std::strncpy(data.cFileName, name, MAX_PATH - 1);
}

}  // namespace

namespace {

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// The next match of a search, or false when there is none.
bool NextMatch(FindObject& find, WIN32_FIND_DATAA& data) {
    struct stat info;
    if (!find.exactName.empty()) {
        FillFindData(find.exactName.c_str(), find.exactInfo, data);
        find.exactName.clear();
        return true;
    }
    while (find.specialsLeft > 0) {
        const char* name = find.specialsLeft-- == 2 ? "." : "..";
        if (MatchesPattern(find.pattern.c_str(), name) && lstat((find.folder + "/" + name).c_str(), &info) == 0) {
            FillFindData(name, info, data);
            return true;
        }
    }
    while (find.dir != nullptr) {
        const dirent* entry = readdir(find.dir);
        if (entry == nullptr) {
            closedir(find.dir);
            find.dir = nullptr;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !MatchesPattern(find.pattern.c_str(), name.c_str())) continue;
        if (lstat((find.folder + "/" + name).c_str(), &info) != 0) continue;
        FillFindData(name.c_str(), info, data);
        return true;
    }
    return false;
}

void EndSearch(FindObject* find) {
    if (find->dir != nullptr) closedir(find->dir);
    delete find;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData) {
    const std::string path = pattern ? ToPosixPath(pattern) : std::string();
    // An empty pattern, or one that ends in a separator, names no file.
    if (path.empty() || path.back() == '/') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string::size_type slash = path.rfind('/');
    auto* find = new FindObject{slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash),
                                slash == std::string::npos ? path : path.substr(slash + 1), nullptr, 0, "", {}};
    // "*.*" matches every name, also names without a dot.
    if (find->pattern == "*.*") find->pattern = "*";

    if (!HasWildcard(find->pattern)) {
        // A plain name is looked up as written, as the file calls here open
        // names: letter case counts on this file system.
        if (lstat((find->folder + "/" + find->pattern).c_str(), &find->exactInfo) != 0) {
            delete find;
            SetLastError(errno == ENOTDIR || errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        find->exactName = find->pattern;
    } else {
        find->dir = opendir(find->folder.c_str());
        if (find->dir == nullptr) {
            delete find;
            SetLastError(ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        // A listing starts with "." and "..", as on Windows (a root has neither).
        find->specialsLeft = find->folder == "/" ? 0 : 2;
    }
    if (!NextMatch(*find, *findData)) {
        EndSearch(find);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return find;
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA findData) {
    auto* find = static_cast<FindObject*>(handle);
    if (find == nullptr || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!NextMatch(*find, *findData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    EndSearch(static_cast<FindObject*>(handle));
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
    const std::string path = ToPosixPath(pathName);
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (mkdir(path.c_str(), 0777) != 0) {
        SetLastErrorFromErrno(errno);
        if (errno == ENOENT) SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    if (rmdir(ToPosixPath(pathName).c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    const std::string path = ToPosixPath(fileName);
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && (info.st_mode & 0200) == 0 && !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);  // read-only files are not deleted, as on Windows
        return FALSE;
    }
    if (unlink(path.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

namespace {

// Copies `text` into a caller's buffer of `length` bytes. As the Windows
// calls do: the text's length on success, the size needed (terminator
// included) when it does not fit.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD length) {
    if (text.size() + 1 > length) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char path[4096];
    if (getcwd(path, sizeof path) == nullptr) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    return CopyOut(path, buffer, bufferLength);
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    if (chdir(ToPosixPath(pathName).c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
    std::string path;
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            path = value;
            break;
        }
    }
    if (path.empty()) path = "/tmp";
    if (path.back() != '/') path += '/';
    return CopyOut(path, buffer, bufferLength);
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD bufferLength) {
    // No short names here: an existing path is its own short form.
    struct stat info;
    const std::string text(longPath);
    if (text.empty() || stat(ToPosixPath(longPath).c_str(), &info) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (shortPath == longPath) return bufferLength > text.size() ? static_cast<DWORD>(text.size()) : static_cast<DWORD>(text.size() + 1);
    return CopyOut(text, shortPath, bufferLength);
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
    const std::string path = ToPosixPath(fileName);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    // Read-only maps to the write bits of a file; on a folder Windows does not
    // stop new files with it, so a folder keeps its permissions.
    if (!S_ISDIR(info.st_mode)) {
        const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (info.st_mode & ~0222u) : (info.st_mode | 0200u);
        if (mode != info.st_mode && chmod(path.c_str(), mode & 07777) != 0) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
    }
    // Only the bits a Windows file system keeps; the rest (such as permission
    // bits stored by archivers of other systems) are ignored.
    const DWORD kept = attributes & 0x0000FFFFu & ~AttributesKeptInMode & ~FILE_ATTRIBUTE_NORMAL;
    if (S_ISDIR(info.st_mode) && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ExtraAttributes[{info.st_dev, info.st_ino}] = kept | FILE_ATTRIBUTE_READONLY;
    } else {
        ExtraAttributes[{info.st_dev, info.st_ino}] = kept;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    struct stat info;
    if (stat(ToPosixPath(fileName).c_str(), &info) != 0) {
        SetLastErrorFromErrno(errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(info);
}
