// Text and path helpers for target paths below the ExtractFolder.
#include "archive/paths.h"

#include "platform/platform.h"
#include "runtime/heap.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::uint16_t TextLength(const char* text) {
    std::uint16_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

char* ToBackslashes(char* text) {
    // Converts the whole text, however long: a cut-off conversion would leave
    // "/" in a path that callers then take as rewritten.
    for (char* p = text; *p != '\0'; ++p)
        if (*p == '/') *p = '\\';
    return text;
}

bool PathExists(char* text) {
    const std::uint16_t n = TextLength(text);
    HANDLE search;
    WIN32_FIND_DATAA found;
    if (n >= 1 && text[n - 1] == '\\') {
        // A folder: it exists when its listing yields something ("." at least).
        HeapBlock pattern(static_cast<std::size_t>(n) + 4);
        char* p = pattern.text();
        for (std::uint16_t i = 0; i < n; ++i) p[i] = text[i];
        p[n] = '*';
        p[n + 1] = '.';
        p[n + 2] = '*';
        p[n + 3] = '\0';
        ToBackslashes(p);
        search = FindFirstFileA(p, &found);
    } else {
        search = FindFirstFileA(ToBackslashes(text), &found);
    }
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

String TextFromBuffer(const char* buffer, std::uint16_t count) {
    String text(buffer, count);
    const String::size_type zero = text.find('\0');
    if (zero != String::npos) text.resize(zero);
    return text;
}

String ParentPath(const String& path) {
    const String::size_type length = path.size();
    if (length == 3 && path.find(':') != String::npos) return path;
    String::size_type k = 0;  // 1-based position of the last separator or colon
    for (String::size_type i = 0; i < length; ++i)
        if (IsSeparator(path[i]) || path[i] == ':') k = i + 1;
    if (k == 0) return String();
    if (path[k - 1] == ':') return path.substr(0, k);
    if (k == 3 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, k - 1);
}

void CreateFolderChain(const String& path) {
    String folder(path);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    // A drive designator or an empty text ends the chain: roots are never made.
    if (folder.size() < 3) return;
    if (PathExists(folder)) return;
    CreateFolderChain(ParentPath(folder));
    CreateDirectoryA(folder.c_str(), nullptr);
}

char* AddTrailingBackslash(char* text) {
    const std::uint16_t n = TextLength(text);
    if (n == 0 || text[n - 1] != '\\') {
        text[n] = '\\';
        text[n + 1] = '\0';
    }
    return text;
}

char* StripTrailingBackslash(char* text) {
    const std::uint16_t n = TextLength(text);
    if (n >= 1 && text[n - 1] == '\\') text[n - 1] = '\0';
    return text;
}

String FolderText(char* folderBuffer) {
    AddTrailingBackslash(folderBuffer);
    const std::uint16_t n = TextLength(folderBuffer);
    StripTrailingBackslash(folderBuffer);
    return TextFromBuffer(folderBuffer, n);
}
