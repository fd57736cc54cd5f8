// The file list dialog on the headless window layer, opened from the main
// dialog as a user opens it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/driver.h"
#include "platform/platform.h"
#include "support/dialog_fixture.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

using headless::Click;

namespace {

const std::vector<ZipEntry> ThreeFiles = {StoredEntry("b.txt", "bravo"), StoredEntry("A.txt", "alpha"),
                                          StoredEntry("c/C.txt", "charlie")};

std::vector<headless::Row> Rows301(HWND d) { return headless::Rows(d, MainListId); }

// Opens the file list from the main dialog; `inList` runs in it. Returns the main dialog's result.
class FileListDialog : public DialogTest {
protected:
    INT_PTR RunFileList(headless::DialogAction inList, bool cancelMainAfter = true) {
        headless::WhenDialogOpens("MAINDIALOG", [=](HWND d) {
            ASSERT_TRUE(Click(d, FileListButtonId));
            if (cancelMainAfter && IsWindow(d) && headless::FindDialog("MAINDIALOG") == d) Click(d, CancelButtonId);
        });
        headless::WhenDialogOpens("FILELIST", std::move(inList));
        return RunMainDialog();
    }
};

TEST_F(FileListDialog, OpensWithEveryEntrySelectedInNameOrder) {
    UseArchive(ThreeFiles);
    INT_PTR listResult = 0;
    RunFileList([&](HWND f) {
        const std::vector<headless::Row> rows = Rows301(f);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].name, "A.txt");
        EXPECT_EQ(rows[1].name, "b.txt");
        EXPECT_EQ(rows[2].name, "c/C.txt");
        for (const headless::Row& row : rows) EXPECT_TRUE(row.selected) << row.name;
        EXPECT_TRUE(headless::IsItemVisible(f, MainListId));
        EXPECT_FALSE(headless::IsItemVisible(f, SecondListId));
        EXPECT_TRUE(headless::Rows(f, SecondListId).empty());
        EXPECT_EQ(headless::TextOf(f), "File List");
        // The main dialog takes no input while the list is open.
        EXPECT_FALSE(Click(headless::FindDialog("MAINDIALOG"), ExtractButtonId));
        Click(f, CancelButtonId);
        listResult = 2;
    });
    EXPECT_EQ(listResult, 2);
    EXPECT_EQ(headless::DialogsOpened(), (std::vector<std::string>{"MAINDIALOG", "FILELIST"}));
}

TEST_F(FileListDialog, OnlyTheSelectedEntriesAreWrittenAndBothDialogsClose) {
    const std::vector<std::uint8_t> block = OptionsBlockBytes(0x0A, "", "", "##b.txt");
    UseArchive(ThreeFiles, &block);
    const INT_PTR mainResult = RunFileList(
        [&](HWND f) {
            ASSERT_TRUE(headless::ToggleRow(f, MainListId, 0));  // A.txt
            Click(f, ExtractButtonId);
        },
        false);
    EXPECT_EQ(mainResult, 3);
    EXPECT_FALSE(FileExists(InWork("A.txt")));
    EXPECT_EQ(ReadWholeFile(InWork("b.txt")), BytesOf("bravo"));
    EXPECT_EQ(ReadWholeFile(InWork("c/C.txt")), BytesOf("charlie"));
    ASSERT_EQ(headless::ShellCalls().size(), 1u);
    EXPECT_EQ(headless::ShellCalls()[0].file, Work() + "\\b.txt");
}

TEST_F(FileListDialog, NothingSelectedExtractsNothingAndStaysOpen) {
    UseArchive(ThreeFiles);
    RunFileList([&](HWND f) {
        for (int row = 0; row < 3; ++row) headless::ToggleRow(f, MainListId, row);
        Click(f, ExtractButtonId);
        EXPECT_EQ(headless::FindDialog("FILELIST"), f);
        Click(f, CancelButtonId);
    });
    EXPECT_TRUE(headless::MessageBoxes().empty());
    EXPECT_FALSE(FileExists(InWork("b.txt")));
}

TEST_F(FileListDialog, AfterAFailureOnlyTheEntriesNotWrittenStaySelected) {
    ZipEntry broken = StoredEntry("broken.txt", "data");
    broken.crc32 ^= 1;
    UseArchive({StoredEntry("a.txt", "a"), broken, StoredEntry("z.txt", "z")});
    RunFileList([&](HWND f) {
        Click(f, ExtractButtonId);
        const std::vector<headless::Row> rows = Rows301(f);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_FALSE(rows[0].selected);
        EXPECT_TRUE(rows[1].selected);
        EXPECT_FALSE(rows[2].selected);
        EXPECT_TRUE(headless::IsItemEnabled(f, ExtractButtonId));
        EXPECT_TRUE(headless::IsItemEnabled(f, CancelButtonId));
        Click(f, CancelButtonId);
    });
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Couldn't extract the selected files."}));
}

TEST_F(FileListDialog, CancelAndReopenSelectsEveryRowAgain) {
    UseArchive(ThreeFiles);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        Click(d, FileListButtonId);
        Click(d, FileListButtonId);
        Click(d, CancelButtonId);
    });
    headless::WhenDialogOpens("FILELIST", [&](HWND f) {
        headless::ToggleRow(f, MainListId, 1);
        Click(f, CancelButtonId);
    });
    std::vector<headless::Row> reopened;
    headless::WhenDialogOpens("FILELIST", [&](HWND f) {
        reopened = Rows301(f);
        Click(f, CancelButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 2);
    ASSERT_EQ(reopened.size(), 3u);
    for (const headless::Row& row : reopened) EXPECT_TRUE(row.selected) << row.name;
}

// Escape and the close box arrive as Cancel.
TEST_F(FileListDialog, EscapeAndCloseBoxCancel) {
    UseArchive(ThreeFiles);
    for (bool (*press)(HWND) : {headless::PressEscape, headless::PressCloseBox}) {
        headless::Reset();
        bool pressed = false;
        RunFileList([&](HWND f) { pressed = press(f); });
        EXPECT_TRUE(pressed);
        EXPECT_EQ(headless::DialogsOpened().size(), 2u);
    }
}

TEST_F(FileListDialog, FolderTypedButNotConfirmedIsNotUsed) {
    UseArchive(ThreeFiles);
    const std::string elsewhere = scratch_ / "elsewhere";
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Type(d, FolderFieldId, elsewhere);
        Click(d, FileListButtonId);
    });
    headless::WhenDialogOpens("FILELIST", [&](HWND f) { Click(f, ExtractButtonId); });
    EXPECT_EQ(RunMainDialog(), 3);
    EXPECT_TRUE(FileExists(InWork("A.txt")));
    EXPECT_FALSE(FileExists(elsewhere));
}

TEST_F(FileListDialog, EmptyExtractFolderFallsBackToTheCurrentFolder) {
    UseArchive(ThreeFiles);
    RunFileList(
        [&](HWND f) {
            ExtractFolder[0] = '\0';
            Click(f, ExtractButtonId);
        },
        false);
    EXPECT_TRUE(FileExists(InWork("b.txt")));
}

TEST_F(FileListDialog, OpenedAnywayWhenNotAllowedItShowsTheSecondList) {
    const std::vector<std::uint8_t> block = OptionsBlockBytes(0x00);
    UseArchive(ThreeFiles, &block);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        EXPECT_FALSE(Click(d, FileListButtonId));  // hidden
        SendMessageA(d, WM_COMMAND, FileListButtonId, 0);
        Click(d, CancelButtonId);
    });
    headless::WhenDialogOpens("FILELIST", [&](HWND f) {
        EXPECT_FALSE(headless::IsItemVisible(f, MainListId));
        EXPECT_TRUE(headless::IsItemVisible(f, SecondListId));
        EXPECT_EQ(headless::Rows(f, SecondListId).size(), 3u);
        // The extraction works on the hidden list, every row selected.
        EXPECT_EQ(SendDlgItemMessageA(f, MainListId, LB_GETSELCOUNT, 0, 0), 3);
        Click(f, CancelButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 2);
}

TEST_F(FileListDialog, WhileThePasswordPromptIsUpTheListStartsNothing) {
    UseArchive({EncryptedEntry("secret.txt", "hidden", "pw")});
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        HWND f = headless::FindDialog("FILELIST");
        EXPECT_FALSE(headless::IsItemEnabled(f, ExtractButtonId));
        EXPECT_FALSE(headless::IsItemEnabled(f, CancelButtonId));
        EXPECT_FALSE(headless::PressEscape(f));
        // Commands that reach the procedure all the same are ignored.
        SendMessageA(f, WM_COMMAND, IDCANCEL, 0);
        SendMessageA(f, WM_COMMAND, IDOK, 0);
        headless::Type(p, PasswordFieldId, "pw");
        Click(p, IDOK);
    });
    EXPECT_EQ(RunFileList([&](HWND f) { Click(f, ExtractButtonId); }, false), 3);
    EXPECT_EQ(headless::DialogsOpened(), (std::vector<std::string>{"MAINDIALOG", "FILELIST", "PASSWD"}));
    EXPECT_EQ(ReadWholeFile(InWork("secret.txt")), BytesOf("hidden"));
}

}  // namespace
