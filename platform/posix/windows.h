#pragma once
// A small Windows API over POSIX: the subset of kernel, window-manager and
// shell services the stub calls, with the semantics the stub relies on.
// Types keep their Windows widths (DWORD and LONG are 32-bit).
//
// Paths: "\" and "/" both separate components; a leading drive designator
// ("C:") is not understood here and names a relative path component.
#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using PLONG = LONG*;
using LPDWORD = DWORD*;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using INT_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;

using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HICON__;
using HICON = HICON__*;
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using BFFCALLBACK = int (*)(HWND, UINT, LPARAM, LPARAM);

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define LOWORD(l) (static_cast<WORD>(static_cast<UINT_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<UINT_PTR>(l) >> 16) & 0xFFFF))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>((static_cast<WORD>(l)) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))

// ------------------------------------------------------------------ errors --
#define ERROR_SUCCESS 0
#define NO_ERROR 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_NO_MORE_FILES 18
#define ERROR_HANDLE_EOF 38
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INVALID_NAME 123
#define ERROR_NEGATIVE_SEEK 131
#define ERROR_ALREADY_EXISTS 183
#define ERROR_SHARING_VIOLATION 32

DWORD GetLastError();
void SetLastError(DWORD error);

// ------------------------------------------------------------------- files --
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define INVALID_SET_FILE_POINTER (static_cast<DWORD>(-1))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// A share mode without FILE_SHARE_WRITE keeps other opens for writing out,
// and one without FILE_SHARE_READ keeps other opens for reading out, between
// handles of this process (there is no mandatory locking between processes).
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
// Without a high part the distance is a signed 32-bit value and positions past
// 2^32 - 2 cannot be reached; a failure returns INVALID_SET_FILE_POINTER with
// the last error set.
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod);
BOOL CloseHandle(HANDLE object);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);
BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite);
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);

// Read-only maps to the file's write permission bits; the other attribute
// bits are kept by this layer for the process so that they can be read back.
BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes);
DWORD GetFileAttributesA(LPCSTR fileName);
BOOL DeleteFileA(LPCSTR fileName);

// The pattern's last component may hold "*" and "?"; "*.*" matches every
// name, dotless ones too. Wildcard patterns match without regard to letter
// case; a plain name is looked up as written, as CreateFileA opens it here.
// A folder listing yields "." and ".." first, as on Windows.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE find);
BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryA(LPCSTR pathName);
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR pathName);
// The temporary folder, always with its trailing separator.
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);
// This layer has no short names: an existing path's short form is itself.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD bufferLength);

// ------------------------------------------------------------------- times --
struct SYSTEMTIME {
    WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, LPFILETIME fileTime);
BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate, WORD* fatTime);
// Local time is the process's time zone (TZ).
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);

// ----------------------------------------------------------- process, heap --
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);
[[noreturn]] void ExitProcess(UINT exitCode);
HMODULE GetModuleHandleA(LPCSTR moduleName);
// The program's own file: /proc/self/exe, unless a test or tool has named
// another SelfImage with SetModuleFileNameForTesting.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);

// ------------------------------------------------------------------ window --
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_USER 0x0400

#define LB_ADDSTRING 0x0180
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_GETSEL 0x0187
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_GETSELCOUNT 0x0190
#define LB_FINDSTRINGEXACT 0x01A2
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)

#define EM_SETSEL 0x00B1
#define EM_LIMITTEXT 0x00C5
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0
#define BST_CHECKED 1

#define MB_OK 0x00000000u
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION 0x00000040u
#define MB_ICONASTERISK MB_ICONINFORMATION
#define IDOK 1
#define IDCANCEL 2

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define GCL_HICON (-14)
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004

struct POINT {
    LONG x, y;
};
struct RECT {
    LONG left, top, right, bottom;
};
using LPRECT = RECT*;
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam);
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR text, int maxCount);
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus();
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
int GetSystemMetrics(int index);
HICON LoadIconA(HINSTANCE instance, LPCSTR iconName);
DWORD SetClassLongA(HWND window, int index, LONG newLong);
BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ------------------------------------------------------------------- shell --
#define BIF_RETURNONLYFSDIRS 0x0001
#define BIF_DONTGOBELOWDOMAIN 0x0002
struct BROWSEINFOA {
    HWND hwndOwner;
    LPCITEMIDLIST pidlRoot;
    LPSTR pszDisplayName;
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
using LPBROWSEINFOA = BROWSEINFOA*;
PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA browseInfo);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST idList, LPSTR path);
void CoTaskMemFree(LPVOID memory);
// Frees an item list that the shell gave (the browser's answer).
void ILFree(LPITEMIDLIST idList);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);

#define SHBrowseForFolder SHBrowseForFolderA
#define SHGetPathFromIDList SHGetPathFromIDListA

// ------------------------------------------------------ test hooks (Linux) --
// Not Windows services: how tests and native tools stand in for the user and
// the shell. Declared here so that the stub's code never sees them.
void SetModuleFileNameForTesting(const char* path);
