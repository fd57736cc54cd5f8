// The shell services of the headless layer: the folder browser answers from
// the script, program starts are recorded instead of run, and "SHELL32.DLL"
// is the one library that loads.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/posix/window_internal.h"

// An item list of the headless shell: just the chosen path.
struct ITEMIDLIST {
    std::string path;
};

namespace {

HMODULE const ShellLibrary = reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x5E11));

std::vector<ITEMIDLIST*>& LiveItemLists() { return Headless().itemLists; }

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr || (strcasecmp(fileName, "SHELL32.DLL") != 0 && strcasecmp(fileName, "SHELL32") != 0)) {
        SetLastError(126);  // ERROR_MOD_NOT_FOUND
        return nullptr;
    }
    ++Headless().loadedLibraries;
    return ShellLibrary;
}

BOOL FreeLibrary(HMODULE module) {
    if (module != ShellLibrary || Headless().loadedLibraries == 0) return FALSE;
    --Headless().loadedLibraries;
    return TRUE;
}

PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA browseInfo) {
    if (browseInfo == nullptr) return nullptr;
    Headless().browseCalls.push_back(headless::BrowseRecord{
        browseInfo->hwndOwner, browseInfo->pidlRoot != nullptr, browseInfo->pszDisplayName != nullptr,
        browseInfo->lpszTitle ? browseInfo->lpszTitle : "", browseInfo->ulFlags, browseInfo->lpfn != nullptr,
        browseInfo->lParam});
    auto& answers = Headless().browseAnswers;
    if (answers.empty()) {
        RecordFailure("the folder browser opened with no answer queued");
        return nullptr;
    }
    const HeadlessState::BrowseAnswer answer = answers.front();
    answers.pop_front();
    if (answer.cancel) return nullptr;
    ITEMIDLIST* list = new ITEMIDLIST{answer.path};
    LiveItemLists().push_back(list);
    return list;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST idList, LPSTR path) {
    if (idList == nullptr || path == nullptr) return FALSE;
    // The caller's buffer holds MAX_PATH characters; a longer path cannot be given.
    if (idList->path.size() >= MAX_PATH) {
        path[0] = '\0';
        return FALSE;
    }
    std::memcpy(path, idList->path.c_str(), idList->path.size() + 1);
    return TRUE;
}

void CoTaskMemFree(LPVOID memory) {
    auto& lists = LiveItemLists();
    const auto found = std::find(lists.begin(), lists.end(), static_cast<ITEMIDLIST*>(memory));
    if (found == lists.end()) return;
    delete *found;
    lists.erase(found);
}

void FreeItemLists() {
    for (ITEMIDLIST* list : LiveItemLists()) delete list;
    LiveItemLists().clear();
}

void ILFree(LPITEMIDLIST idList) { CoTaskMemFree(idList); }

HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand) {
    Headless().shellCalls.push_back(headless::ShellExecuteRecord{
        owner, operation == nullptr, file == nullptr, parameters == nullptr, directory == nullptr,
        operation ? operation : "", file ? file : "", parameters ? parameters : "", directory ? directory : "",
        showCommand});
    return reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(42));  // above 32: started
}
