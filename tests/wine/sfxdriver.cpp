// sfxdriver: plays one end-to-end scenario against a self-extractor, the way
// a user would meet it: it starts the SFX, finds its windows by caption,
// reads and sets control texts, clicks buttons and answers every message box
// after checking its text, caption and icon.
//
//   sfxdriver.exe SCRIPT
//
// SCRIPT has one command per line; arguments are words or "quoted texts"
// (a quoted text ends at the next double quote; there are no escapes, so
// Windows paths need no doubling). %TEMP% in an argument stands for the
// temporary folder as Windows gives it. Blank lines and lines starting with #
// are skipped.
//
//   start EXE [FOLDER]          start EXE with FOLDER as its current folder
//   start-locked EXE [FOLDER]   the same, with EXE opened by us without read
//                               sharing while the SFX starts
//   window CAPTION              wait for a visible window of the SFX with this
//                               caption; it becomes the current dialog
//   text ID TEXT                control ID of the current dialog shows TEXT
//   set-text ID TEXT            put TEXT into control ID
//   focus ID                    control ID has the keyboard focus
//   all-selected ID             the whole text of edit control ID is selected
//   checked ID 0|1              check state of control ID
//   visible ID 0|1              control ID exists and is visible (1), or is
//                               hidden or gone (0)
//   click ID                    press button ID (as its WM_COMMAND)
//   key ID escape|enter         the key, typed into control ID
//   rows ID TEXT...             the list's rows, in order
//   selected ID INDEX...        exactly these rows are selected (none: empty)
//   select ID INDEX 0|1         select or deselect one row
//   message CAPTION ICON TEXT   a message box with this caption, icon (none,
//                               stop, exclamation, information) and text; OK
//   closes                      the current dialog closes
//   rmdir FOLDER                remove an (empty) folder
//   no-message                  no message box is open (after a pause)
//   gone CAPTION                no window with this caption (after a pause)
//   stays SECONDS               the current dialog is still open after SECONDS
//   browse-cancel               cancel the folder browser
//   capture FILE                save the current dialog as it shows on screen
//                               (a 24-bit BMP)
//   exit CODE                   the SFX ends with exit code CODE
//   sleep MILLISECONDS
//
// Every failed expectation prints the line and what was found, ends the SFX
// and makes the exit code 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

PROCESS_INFORMATION Sfx{};
HWND CurrentDialog = nullptr;
int LineNumber = 0;
std::string ScriptLine;
HANDLE LockHandle = INVALID_HANDLE_VALUE;

constexpr DWORD WaitLimitMs = 20000;
constexpr DWORD PollMs = 50;

[[noreturn]] void Fail(const std::string& what) {
    std::printf("FAIL at line %d: %s\n  %s\n", LineNumber, ScriptLine.c_str(), what.c_str());
    if (Sfx.hProcess != nullptr) TerminateProcess(Sfx.hProcess, 99);
    std::exit(1);
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// ------------------------------------------------------------ script ----

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') { ++i; continue; }
        std::string word;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) word += line[i];
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
        }
        const size_t temp = word.find("%TEMP%");
        if (temp != std::string::npos) {
            char path[MAX_PATH + 1] = {};
            GetTempPathA(sizeof path, path);
            word.replace(temp, 6, path);
        }
        words.push_back(word);
    }
    return words;
}

// ----------------------------------------------------------- windows ----

struct Search {
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != Sfx.dwProcessId || !IsWindowVisible(window)) return TRUE;
    char caption[512];
    const int length = GetWindowTextA(window, caption, sizeof caption);
    if (search->caption == std::string(caption, length)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindSfxWindow(const std::string& caption) {
    Search search{caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == Sfx.dwProcessId && IsWindowVisible(window)) {
        char caption[512];
        GetWindowTextA(window, caption, sizeof caption);
        *reinterpret_cast<std::string*>(param) += " " + Quote(caption);
    }
    return TRUE;
}

std::string VisibleWindows() {
    std::string list;
    EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&list));
    return list.empty() ? " none" : list;
}

bool SfxRunning() { return WaitForSingleObject(Sfx.hProcess, 0) == WAIT_TIMEOUT; }

HWND WaitForWindow(const std::string& caption) {
    for (DWORD waited = 0; waited < WaitLimitMs; waited += PollMs) {
        if (HWND window = FindSfxWindow(caption)) {
            Sleep(150);  // let the dialog finish its initialisation
            return window;
        }
        if (!SfxRunning()) {
            DWORD code = 0;
            GetExitCodeProcess(Sfx.hProcess, &code);
            Fail("no window " + Quote(caption) + ": the SFX ended with exit code " + std::to_string(code));
        }
        Sleep(PollMs);
    }
    Fail("no window " + Quote(caption) + " within 20 s; visible:" + VisibleWindows());
}

HWND Control(int id) {
    if (CurrentDialog == nullptr || !IsWindow(CurrentDialog)) Fail("no current dialog");
    return GetDlgItem(CurrentDialog, id);
}

HWND ExistingControl(int id) {
    HWND control = Control(id);
    if (control == nullptr) Fail("the dialog has no control " + std::to_string(id));
    return control;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
        Fail("the SFX did not answer a window message");
    return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

int Number(const std::string& word) { return static_cast<int>(std::strtol(word.c_str(), nullptr, 0)); }

// -------------------------------------------------------- message box ----

// The icon a message box shows. Icon handles belong to the process that
// loaded them, so the picture on screen is compared with each system icon as
// this program draws it on the same background; a box without icon has its
// icon control hidden or empty.
using Picture = std::vector<COLORREF>;
constexpr int IconSide = 32;

Picture Capture(HDC source, int x, int y) {
    Picture picture;
    for (int row = 0; row < IconSide; ++row) {
        for (int column = 0; column < IconSide; ++column) picture.push_back(GetPixel(source, x + column, y + row));
    }
    return picture;
}

Picture Draw(HICON icon, COLORREF background) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, IconSide, IconSide);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, IconSide, IconSide};
    FillRect(memory, &all, brush);
    DrawIconEx(memory, 0, 0, icon, IconSide, IconSide, 0, nullptr, DI_NORMAL);
    Picture picture = Capture(memory, 0, 0);
    SelectObject(memory, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

std::string BoxIcon(HWND box) {
    HWND iconControl = nullptr;
    for (int id : {20, 0x440}) {  // Windows' and Wine's id of the icon control
        iconControl = GetDlgItem(box, id);
        if (iconControl != nullptr) break;
    }
    if (iconControl == nullptr || !IsWindowVisible(iconControl)) return "none";
    if (Send(iconControl, STM_GETICON, 0, 0) == 0) return "none";
    RECT place;
    GetWindowRect(iconControl, &place);
    HDC screen = GetDC(nullptr);
    const Picture shown = Capture(screen, place.left, place.top);
    ReleaseDC(nullptr, screen);
    struct Known { LPCSTR id; const char* name; };
    for (const Known& known : {Known{IDI_HAND, "stop"}, Known{IDI_EXCLAMATION, "exclamation"},
                               Known{IDI_ASTERISK, "information"}, Known{IDI_QUESTION, "question"}}) {
        if (Draw(LoadIconA(nullptr, known.id), GetSysColor(COLOR_3DFACE)) == shown) return known.name;
    }
    return "unknown";
}

// The dialogs share their captions with message boxes; a message box is the
// standard dialog with a text control and none of the dialogs' fields.
bool IsMessageBox(HWND window) {
    char className[64];
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr &&
           GetDlgItem(window, 101) == nullptr && GetDlgItem(window, 301) == nullptr;
}

BOOL CALLBACK MatchMessageBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != Sfx.dwProcessId || !IsWindowVisible(window) || !IsMessageBox(window)) return TRUE;
    char caption[512];
    const int length = GetWindowTextA(window, caption, sizeof caption);
    if (search->caption.empty() || search->caption == std::string(caption, length)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible message box of the SFX with this caption (any, when empty).
HWND FindMessageBox(const std::string& caption) {
    Search search{caption, nullptr};
    EnumWindows(MatchMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void AnswerMessage(const std::string& caption, const std::string& icon, const std::string& text) {
    HWND box = nullptr;
    for (DWORD waited = 0; box == nullptr; waited += PollMs) {
        box = FindMessageBox(caption);
        if (box != nullptr) break;
        if (!SfxRunning() || waited > WaitLimitMs)
            Fail("no message box " + Quote(caption) + " " + Quote(text) + "; visible:" + VisibleWindows());
        Sleep(PollMs);
    }
    Sleep(200);  // until it is painted: its icon is read from the screen
    const std::string shown = WindowText(GetDlgItem(box, 0xFFFF));
    if (shown != text) Fail("message box text " + Quote(shown) + ", expected " + Quote(text));
    const std::string shownIcon = BoxIcon(box);
    if (shownIcon != icon) Fail("message box icon " + shownIcon + ", expected " + icon);
    if (GetDlgItem(box, IDCANCEL) != nullptr && IsWindowVisible(GetDlgItem(box, IDCANCEL)))
        Fail("the message box has more than an OK button");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    for (DWORD waited = 0; IsWindow(box); waited += PollMs) {
        if (waited > WaitLimitMs) Fail("the message box did not close");
        Sleep(PollMs);
    }
}

// ------------------------------------------------------------ process ----

void Start(const std::vector<std::string>& args, bool locked) {
    if (args.size() < 2) Fail("start needs the SFX");
    std::string commandLine = "\"" + args[1] + "\"";
    const char* folder = args.size() > 2 ? args[2].c_str() : nullptr;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(args[1].c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder, &startup, &Sfx))
        Fail("cannot start " + args[1] + " (error " + std::to_string(GetLastError()) + ")");
    if (locked) {
        LockHandle = CreateFileA(args[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (LockHandle == INVALID_HANDLE_VALUE) Fail("cannot lock " + args[1]);
    }
    ResumeThread(Sfx.hThread);
}

void ExpectExit(int code) {
    if (WaitForSingleObject(Sfx.hProcess, WaitLimitMs) != WAIT_OBJECT_0)
        Fail("the SFX is still running; visible:" + VisibleWindows());
    DWORD exitCode = 0;
    GetExitCodeProcess(Sfx.hProcess, &exitCode);
    if (static_cast<int>(exitCode) != code)
        Fail("exit code " + std::to_string(exitCode) + ", expected " + std::to_string(code));
}

// ------------------------------------------------------------ capture ----

void CaptureWindow(HWND window, const std::string& path) {
    RECT place;
    GetWindowRect(window, &place);
    const int width = place.right - place.left, height = place.bottom - place.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + rowBytes * height;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) Fail("cannot write " + path);
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, rowBytes, height, out);
    std::fclose(out);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// ----------------------------------------------------------- commands ----

void Run(const std::vector<std::string>& a) {
    const std::string& command = a[0];
    auto need = [&](size_t count) {
        if (a.size() < count + 1) Fail(command + " needs " + std::to_string(count) + " arguments");
    };
    if (command == "start" || command == "start-locked") {
        Start(a, command == "start-locked");
    } else if (command == "window") {
        need(1);
        CurrentDialog = WaitForWindow(a[1]);
    } else if (command == "text") {
        need(2);
        const std::string shown = WindowText(ExistingControl(Number(a[1])));
        if (shown != a[2]) Fail("control " + a[1] + " shows " + Quote(shown) + ", expected " + Quote(a[2]));
    } else if (command == "set-text") {
        need(2);
        Send(ExistingControl(Number(a[1])), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()));
    } else if (command == "focus") {
        need(1);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(Sfx.dwThreadId, &info);
        if (info.hwndFocus != ExistingControl(Number(a[1]))) Fail("control " + a[1] + " has not the focus");
    } else if (command == "all-selected") {
        need(1);
        HWND field = ExistingControl(Number(a[1]));
        const LRESULT range = Send(field, EM_GETSEL, 0, 0);
        const size_t length = WindowText(field).size();
        if (LOWORD(range) != 0 || HIWORD(range) != length)
            Fail("selection " + std::to_string(LOWORD(range)) + " to " + std::to_string(HIWORD(range)) +
                 " of a text of " + std::to_string(length));
    } else if (command == "checked") {
        need(2);
        const LRESULT state = Send(ExistingControl(Number(a[1])), BM_GETCHECK, 0, 0);
        if (state != Number(a[2])) Fail("check state " + std::to_string(state) + ", expected " + a[2]);
    } else if (command == "visible") {
        need(2);
        HWND control = Control(Number(a[1]));
        const bool shown = control != nullptr && IsWindowVisible(control);
        if (shown != (Number(a[2]) != 0)) Fail(std::string("control ") + a[1] + (shown ? " is" : " is not") + " visible");
    } else if (command == "click") {
        need(1);
        const int id = Number(a[1]);
        HWND button = ExistingControl(id);
        if (!IsWindowEnabled(button)) Fail("button " + a[1] + " is disabled");
        PostMessageA(CurrentDialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    } else if (command == "key") {
        need(2);
        const WPARAM key = a[2] == "escape" ? VK_ESCAPE : VK_RETURN;
        HWND control = ExistingControl(Number(a[1]));
        PostMessageA(control, WM_KEYDOWN, key, 1);
        PostMessageA(control, WM_KEYUP, key, 0xC0000001);
    } else if (command == "rows") {
        need(1);
        HWND list = ExistingControl(Number(a[1]));
        std::vector<std::string> rows;
        const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            // Asked in UTF-16: Wine hands an 8-bit LB_GETTEXT across processes
            // without converting it.
            wchar_t wide[512] = {};
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000, &ignored);
            char text[1024] = {};
            WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
            rows.push_back(text);
        }
        const std::vector<std::string> expected(a.begin() + 2, a.end());
        if (rows != expected) {
            std::string shown;
            for (const auto& row : rows) shown += " " + Quote(row);
            Fail("rows:" + (shown.empty() ? std::string(" none") : shown));
        }
    } else if (command == "selected") {
        need(1);
        HWND list = ExistingControl(Number(a[1]));
        std::string shown, expected;
        const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            if (Send(list, LB_GETSEL, i, 0) > 0) shown += " " + std::to_string(i);
        }
        for (size_t i = 2; i < a.size(); ++i) expected += " " + a[i];
        if (shown != expected) Fail("selected rows:" + shown + ", expected:" + expected);
    } else if (command == "select") {
        need(3);
        Send(ExistingControl(Number(a[1])), LB_SETSEL, Number(a[3]), Number(a[2]));
    } else if (command == "message") {
        need(3);
        AnswerMessage(a[1], a[2], a[3]);
    } else if (command == "closes") {
        for (DWORD waited = 0; IsWindow(CurrentDialog); waited += PollMs) {
            if (waited > WaitLimitMs) Fail("the dialog did not close");
            Sleep(PollMs);
        }
    } else if (command == "rmdir") {
        need(1);
        if (!RemoveDirectoryA(a[1].c_str())) Fail("cannot remove " + a[1]);
    } else if (command == "no-message") {
        Sleep(1000);
        if (HWND box = FindMessageBox("")) Fail("a message box is open: " + Quote(WindowText(GetDlgItem(box, 0xFFFF))));
    } else if (command == "gone") {
        need(1);
        Sleep(1000);
        if (FindSfxWindow(a[1]) != nullptr) Fail("window " + Quote(a[1]) + " is open");
    } else if (command == "stays") {
        need(1);
        Sleep(static_cast<DWORD>(Number(a[1]) * 1000));
        if (!IsWindow(CurrentDialog) || !IsWindowVisible(CurrentDialog)) Fail("the dialog has closed");
    } else if (command == "browse-cancel") {
        // The folder browser is a dialog owned by the main dialog.
        HWND browser = WaitForWindow("Browse for Folder");
        PostMessageA(browser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        for (DWORD waited = 0; IsWindow(browser); waited += PollMs) {
            if (waited > WaitLimitMs) Fail("the folder browser did not close");
            Sleep(PollMs);
        }
    } else if (command == "capture") {
        need(1);
        Sleep(300);
        CaptureWindow(CurrentDialog, a[1]);
    } else if (command == "exit") {
        need(1);
        ExpectExit(Number(a[1]));
    } else if (command == "sleep") {
        need(1);
        Sleep(static_cast<DWORD>(Number(a[1])));
    } else {
        Fail("unknown command " + Quote(command));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sfxdriver SCRIPT\n");
        return 2;
    }
    FILE* script = std::fopen(argv[1], "rb");
    if (script == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    char line[4096];
    while (std::fgets(line, sizeof line, script) != nullptr) {
        ++LineNumber;
        ScriptLine = line;
        while (!ScriptLine.empty() && (ScriptLine.back() == '\n' || ScriptLine.back() == '\r')) ScriptLine.pop_back();
        const std::vector<std::string> words = Split(ScriptLine);
        if (words.empty() || words[0][0] == '#') continue;
        Run(words);
    }
    std::fclose(script);
    if (Sfx.hProcess != nullptr && SfxRunning()) {
        LineNumber = 0;
        ScriptLine = "(end of script)";
        Fail("the SFX is still running; visible:" + VisibleWindows());
    }
    return 0;
}
