// The headless window layer itself: the templates it reads from the resource
// script, the controls' messages, the message queue, and the script that
// stands in for the user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/selection.h"
#include "platform/posix/headless.h"
#include "runtime/string.h"

namespace {

class Headless : public ::testing::Test {
protected:
    void SetUp() override { headless::Reset(); }
    void TearDown() override { headless::Reset(); }
};

INT_PTR CALLBACK Silent(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// --------------------------------------------------------------- templates --
struct TemplateCase {
    const char* name;
    DWORD style;
    int x, y, cx, cy;
    const char* caption;
};

class DialogTemplates : public Headless, public ::testing::WithParamInterface<TemplateCase> {};

TEST_P(DialogTemplates, ComeFromTheResourceScriptAsLaidOut) {
    const TemplateCase c = GetParam();
    const HWND d = CreateDialogParamA(nullptr, c.name, nullptr, nullptr, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(headless::TextOf(d), c.caption);
    EXPECT_EQ(headless::TemplateOf(d), c.name);
    const RECT r = headless::WindowRect(d);
    EXPECT_EQ(r.right - r.left, headless::PixelsX(c.cx));
    EXPECT_EQ(r.bottom - r.top, headless::PixelsY(c.cy));
    if (c.style & 0x0800) {  // DS_CENTER: the work area's middle
        EXPECT_EQ(r.left, (headless::ScreenWidth() - headless::PixelsX(c.cx)) / 2);
        EXPECT_EQ(r.top, (headless::WorkAreaHeight() - headless::PixelsY(c.cy)) / 2);
    } else {
        EXPECT_EQ(r.left, headless::PixelsX(c.x));
        EXPECT_EQ(r.top, headless::PixelsY(c.y));
    }
    EXPECT_TRUE(IsWindowVisible(d));
}

INSTANTIATE_TEST_SUITE_P(
    Script, DialogTemplates,
    ::testing::Values(TemplateCase{"MAINDIALOG", 0x90C808C4, 71, 88, 318, 118, "Kovarin Self-Extracting     "},
                      TemplateCase{"FILELIST", 0x90C800C0, 24, 25, 199, 218, "File List"},
                      TemplateCase{"PASSWD", 0x90C008C4, 40, 82, 128, 67, "Password"}),
    [](const ::testing::TestParamInfo<TemplateCase>& info) { return std::string(info.param.name); });

TEST_F(Headless, MainDialogControlsCarryTheirTextsAndStates) {
    const HWND d = CreateDialogParamA(nullptr, "MAINDIALOG", nullptr, nullptr, 0);
    struct {
        int id;
        const char* text;
        bool visible;
    } const expected[] = {
        {1, "&Extract", true},
        {2, "&Cancel", true},
        {3, "FileList", true},
        {775, "Browse", true},
        {501, "Overwrite existing files", true},
        {701, "To extract all files to the folder specified below, use the \"Extract\" button.", true},
        {702, "To (de)select idividual files to extract, use the \"FileList\" button.", true},
        {301, "", false},
        {302, "", false},
        {101, "", true},
        {55, "", true},
        {901, "", true},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(headless::ItemText(d, e.id), e.text) << "control " << e.id;
        EXPECT_EQ(headless::IsItemVisible(d, e.id), e.visible) << "control " << e.id;
    }
    EXPECT_NE(LoadIconA(nullptr, "MOLVIX"), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "NOICON"), nullptr);
}

// ----------------------------------------------------------------- lists --
class ListBox : public Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        dialog_ = CreateDialogParamA(nullptr, "FILELIST", nullptr, nullptr, 0);
        list_ = GetDlgItem(dialog_, 301);
        ASSERT_NE(list_, nullptr);
    }
    void Add(const char* name) { AddName(list_, String(name)); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const headless::Row& row : headless::Rows(dialog_, 301)) names.push_back(row.name);
        return names;
    }
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(ListBox, KeepsNamesSortedWithoutRegardToCaseAndEqualNamesApart) {
    for (const char* name : {"b.txt", "Readme.txt", "a.txt", "README.TXT", "C.txt"}) Add(name);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "C.txt", "Readme.txt", "README.TXT"}));
    EXPECT_EQ(Count(list_), 5);
    EXPECT_EQ(SendMessageA(list_, LB_GETSELCOUNT, 0, 0), 0);
}

TEST_F(ListBox, LookupsWalkEqualNamesInTurnAndMatchWholeNamesOnly) {
    for (const char* name : {"Readme.txt", "README.TXT", "a.txt.bak"}) Add(name);
    SelectAll(list_);
    ResetCurrentRow();
    EXPECT_TRUE(IsNameSelected(list_, String("readme.txt")));
    EXPECT_EQ(CurrentRow, 1);
    DeselectCurrent(list_);
    EXPECT_TRUE(IsNameSelected(list_, String("readme.txt")));
    EXPECT_EQ(CurrentRow, 2);
    EXPECT_FALSE(IsNameSelected(list_, String("a.txt")));
    EXPECT_EQ(CurrentRow, -1);
    EXPECT_EQ(CountSelected(list_), 2);
}

TEST_F(ListBox, MessagesOutsideTheRowsAnswerError) {
    Add("one");
    EXPECT_EQ(SendMessageA(list_, LB_GETSEL, 5, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list_, LB_SETSEL, TRUE, 5), LB_ERR);
    EXPECT_EQ(SendMessageA(list_, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("two")), LB_ERR);
    Clear(list_);
    EXPECT_EQ(Count(list_), 0);
    SelectAll(list_);
    EXPECT_EQ(CountSelected(list_), 0);
}

TEST_F(ListBox, AClickTurnsOneRowOverOnlyWhileTheListCanBeReached) {
    for (const char* name : {"a", "b"}) Add(name);
    ASSERT_TRUE(headless::ToggleRow(dialog_, 301, 1));
    EXPECT_EQ(SendMessageA(list_, LB_GETSEL, 1, 0), 1);
    ASSERT_TRUE(headless::ToggleRow(dialog_, 301, 1));
    EXPECT_EQ(SendMessageA(list_, LB_GETSEL, 1, 0), 0);
    EnableWindow(list_, FALSE);
    EXPECT_FALSE(headless::ToggleRow(dialog_, 301, 0));
    EnableWindow(list_, TRUE);
    ShowWindow(list_, SW_HIDE);
    EXPECT_FALSE(headless::ToggleRow(dialog_, 301, 0));
    EXPECT_EQ(CountSelected(list_), 0);
}

// ---------------------------------------------------------------- fields --
TEST_F(Headless, EditFieldReadsBackCutToTheBufferAndTypingReplacesTheSelection) {
    const HWND d = CreateDialogParamA(nullptr, "MAINDIALOG", nullptr, nullptr, 0);
    const HWND field = GetDlgItem(d, 101);
    SetWindowTextA(field, "C:\\proposal");
    char buffer[5];
    EXPECT_EQ(GetDlgItemTextA(d, 101, buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "C:\\p");
    SendMessageA(field, EM_SETSEL, 0, 0x7FFF);
    EXPECT_EQ(headless::Selection(field), std::make_pair(0, 11));
    headless::Type(d, 101, "D:\\new");
    EXPECT_EQ(headless::ItemText(d, 101), "D:\\new");
    EXPECT_EQ(GetFocus(), field);
    SendMessageA(field, EM_LIMITTEXT, 8, 0);
    headless::Type(d, 101, "longer");
    EXPECT_EQ(headless::ItemText(d, 101), "D:\\newlo");
    // Text set by the program is not held to the typing limit.
    SetWindowTextA(field, "0123456789");
    EXPECT_EQ(headless::ItemText(d, 101), "0123456789");
    EXPECT_FALSE(headless::Type(d, 55, "x"));  // read-only
    EXPECT_EQ(GetDlgItemTextA(d, 4711, buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

// ------------------------------------------------------- modal and script --
TEST_F(Headless, ModalDialogWithoutScriptEndsWithMinusOneAndARecordedFailure) {
    EXPECT_EQ(DialogBoxParamA(nullptr, "PASSWD", nullptr, Silent, 0), -1);
    ASSERT_EQ(headless::Failures().size(), 1u);
    EXPECT_NE(headless::Failures()[0].find("PASSWD"), std::string::npos);
}

TEST_F(Headless, ModalDialogLeftOpenByItsActionEndsWithMinusOne) {
    headless::WhenDialogOpens("FILELIST", [](HWND) {});
    EXPECT_EQ(DialogBoxParamA(nullptr, "FILELIST", nullptr, Silent, 0), -1);
    EXPECT_EQ(headless::Failures().size(), 1u);
}

TEST_F(Headless, ScriptServesDialogsByTemplateInOrderAndOwnersWaitDisabled) {
    std::vector<std::string> seen;
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        seen.push_back("PASSWD");
        EndDialog(p, 7);
    });
    headless::WhenDialogOpens("FILELIST", [&](HWND f) {
        seen.push_back("FILELIST");
        const HWND owner = headless::FindDialog("MAINDIALOG");
        EXPECT_FALSE(IsWindowEnabled(owner));
        EXPECT_EQ(DialogBoxParamA(nullptr, "PASSWD", nullptr, Silent, 0), 7);
        EndDialog(f, 3);
    });
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        seen.push_back("MAINDIALOG");
        EXPECT_EQ(DialogBoxParamA(nullptr, "FILELIST", d, Silent, 0), 3);
        EXPECT_TRUE(IsWindowEnabled(d));
        EndDialog(d, 1);
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, "MAINDIALOG", nullptr, Silent, 0), 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"MAINDIALOG", "FILELIST", "PASSWD"}));
    EXPECT_EQ(headless::DialogsOpened(), seen);
    EXPECT_TRUE(headless::Failures().empty());
    EXPECT_EQ(headless::FindDialog("MAINDIALOG"), nullptr);  // destroyed when it ended
}

TEST_F(Headless, EveryTimeActionServesEachOpening) {
    int served = 0;
    headless::WhenDialogOpens("PASSWD", [&](HWND p) { EndDialog(p, ++served); }, true);
    EXPECT_EQ(DialogBoxParamA(nullptr, "PASSWD", nullptr, Silent, 0), 1);
    EXPECT_EQ(DialogBoxParamA(nullptr, "PASSWD", nullptr, Silent, 0), 2);
}

std::vector<UINT> CommandsSeen;
INT_PTR CALLBACK RecordCommands(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) CommandsSeen.push_back(LOWORD(wParam));
    return FALSE;
}

TEST_F(Headless, PostedMessagesWaitUntilTakenAndDispatched) {
    CommandsSeen.clear();
    const HWND d = CreateDialogParamA(nullptr, "PASSWD", nullptr, RecordCommands, 0);
    const HWND other = CreateDialogParamA(nullptr, "FILELIST", nullptr, RecordCommands, 0);
    PostMessageA(other, WM_COMMAND, 5, 0);
    PostMessageA(d, WM_COMMAND, 6, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, d, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 6u);
    EXPECT_TRUE(CommandsSeen.empty());
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, other);
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(CommandsSeen, (std::vector<UINT>{5, 6}));
}

TEST_F(Headless, KeysAndClicksReachOnlyWhatAPersonCouldReach) {
    CommandsSeen.clear();
    const HWND m = CreateDialogParamA(nullptr, "MAINDIALOG", nullptr, RecordCommands, 0);
    EXPECT_TRUE(headless::Click(m, 775));
    EXPECT_TRUE(headless::PressEnter(m));  // the focused push button, Browse
    SetFocus(GetDlgItem(m, 101));
    EXPECT_TRUE(headless::PressEnter(m));  // the default button, Extract
    EXPECT_TRUE(headless::PressEscape(m));
    EXPECT_TRUE(headless::PressCloseBox(m));
    EnableWindow(GetDlgItem(m, 2), FALSE);
    EXPECT_FALSE(headless::PressEscape(m));
    EXPECT_FALSE(headless::Click(m, 2));
    ShowWindow(GetDlgItem(m, 3), SW_HIDE);
    EXPECT_FALSE(headless::Click(m, 3));
    // BS_CHECKBOX: the box does not change by itself.
    EXPECT_TRUE(headless::Click(m, 501));
    EXPECT_EQ(SendDlgItemMessageA(m, 501, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    std::vector<UINT> commands;
    for (UINT id : CommandsSeen)
        if (id != 101) commands.push_back(id);  // field change notices
    EXPECT_EQ(commands, (std::vector<UINT>{775, 775, 1, 2, 2, 501}));
}

// ------------------------------------------------------- boxes and shell --
TEST_F(Headless, MessageBoxesAreRecordedAnsweredAndEchoed) {
    std::string seen;
    headless::WhenMessageBoxShows([&](const headless::MessageBoxRecord& box) { seen = box.text; });
    headless::EchoMessageBoxes(true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Cannot open file C:\\x", "Kovarin Browser", MB_OK | MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Kovarin Browser] Cannot open file C:\\x\n");
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].caption, "Kovarin Browser");
    EXPECT_EQ(headless::MessageBoxes()[0].type, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(seen, "Cannot open file C:\\x");
}

TEST_F(Headless, ShellStartsAreRecordedAndOnlyShell32Loads) {
    ShellExecuteA(nullptr, "open", "C:\\out\\setup.exe", "", "", SW_SHOW);
    ShellExecuteA(nullptr, "open", "x", nullptr, nullptr, SW_SHOW);
    ASSERT_EQ(headless::ShellCalls().size(), 2u);
    const headless::ShellExecuteRecord& first = headless::ShellCalls()[0];
    EXPECT_EQ(first.file, "C:\\out\\setup.exe");
    EXPECT_FALSE(first.parametersNull);
    EXPECT_FALSE(first.directoryNull);
    EXPECT_EQ(first.show, SW_SHOW);
    EXPECT_TRUE(headless::ShellCalls()[1].parametersNull);
    const HMODULE shell = LoadLibraryA("SHELL32.DLL");
    EXPECT_NE(shell, nullptr);
    EXPECT_EQ(LoadLibraryA("KERNEL32.DLL"), nullptr);
    EXPECT_EQ(headless::LoadedLibraries(), 1);
    EXPECT_TRUE(FreeLibrary(shell));
    EXPECT_EQ(headless::LoadedLibraries(), 0);
}

TEST_F(Headless, FolderBrowserAnswersFromTheScript) {
    BROWSEINFOA request{};
    headless::AnswerBrowse("D:\\data");
    headless::CancelBrowse();
    char path[MAX_PATH];
    const LPITEMIDLIST chosen = SHBrowseForFolderA(&request);
    ASSERT_NE(chosen, nullptr);
    EXPECT_TRUE(SHGetPathFromIDListA(chosen, path));
    EXPECT_STREQ(path, "D:\\data");
    CoTaskMemFree(chosen);
    EXPECT_EQ(SHBrowseForFolderA(&request), nullptr);
    EXPECT_TRUE(headless::Failures().empty());
    EXPECT_EQ(SHBrowseForFolderA(&request), nullptr);  // nothing queued
    EXPECT_EQ(headless::Failures().size(), 1u);
}

}  // namespace
