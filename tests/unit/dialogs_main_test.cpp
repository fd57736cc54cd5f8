// The main dialog on the headless window layer: what the user sees when it
// opens, the overwrite switch, Extract, Browse, and that no second pass can
// start while one runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "archive/driver.h"
#include "platform/platform.h"
#include "startup/options.h"
#include "support/dialog_fixture.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

using headless::Click;
using headless::ItemText;

namespace {

const std::vector<ZipEntry> TwoFiles = {StoredEntry("b.txt", "bravo"), StoredEntry("A.txt", "alpha")};

bool IsChecked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::vector<std::string> RowNames(HWND dialog, int listId) {
    std::vector<std::string> names;
    for (const headless::Row& row : headless::Rows(dialog, listId)) names.push_back(row.name);
    return names;
}

int SelectedRows(HWND dialog, int listId) {
    int n = 0;
    for (const headless::Row& row : headless::Rows(dialog, listId)) n += row.selected;
    return n;
}

class MainDialog : public DialogTest {};

TEST_F(MainDialog, OpensWithoutOptionsBlockOnTheCurrentFolderWithOverwriteOn) {
    UseArchive(TwoFiles);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        EXPECT_EQ(headless::TextOf(d), "Kovarin Browser");
        EXPECT_EQ(GetFocus(), GetDlgItem(d, FolderFieldId));
        EXPECT_EQ(ItemText(d, FolderFieldId), Work());
        EXPECT_EQ(headless::Selection(GetDlgItem(d, FolderFieldId)),
                  std::make_pair(0, static_cast<int>(Work().size())));
        EXPECT_TRUE(IsChecked(d, OverwriteCheckBoxId));
        EXPECT_TRUE(OverwriteExisting);
        EXPECT_TRUE(headless::IsItemVisible(d, FileListButtonId));
        EXPECT_TRUE(headless::IsItemVisible(d, FileListHintId));
        EXPECT_EQ(ItemText(d, DescriptionFieldId), "");
        EXPECT_EQ(RowNames(d, MainListId), (std::vector<std::string>{"A.txt", "b.txt"}));
        EXPECT_EQ(SelectedRows(d, MainListId), 0);
        EXPECT_TRUE(RowNames(d, SecondListId).empty());
        EXPECT_NE(headless::DialogClassIcon(), nullptr);
        EXPECT_EQ(headless::DialogClassIcon(), LoadIconA(nullptr, "MOLVIX"));
        Click(d, CancelButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 2);
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(MainDialog, OpensCentredOnTheWholeScreen) {
    UseArchive(TwoFiles);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        const RECT r = headless::WindowRect(d);
        EXPECT_EQ(r.right - r.left, headless::PixelsX(318));
        EXPECT_EQ(r.bottom - r.top, headless::PixelsY(118));
        EXPECT_EQ(r.left, (headless::ScreenWidth() - (r.right - r.left)) / 2);
        // The whole screen, not the work area that the template's centring used.
        EXPECT_EQ(r.top, (headless::ScreenHeight() - (r.bottom - r.top)) / 2);
        EXPECT_EQ(headless::ZOrderChanges(), 0);
        Click(d, CancelButtonId);
    });
    RunMainDialog();
}

struct FlagCase {
    std::uint8_t flags;
    bool fileListShown;
    bool boxPresent;
    bool boxChecked;
    bool overwrite;
};

class MainDialogFlags : public DialogTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(MainDialogFlags, OptionsShapeTheDialog) {
    const FlagCase c = GetParam();
    const std::vector<std::uint8_t> block = OptionsBlockBytes(c.flags, "Tools for the road");
    UseArchive(TwoFiles, &block);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        EXPECT_EQ(headless::IsItemVisible(d, FileListButtonId), c.fileListShown);
        EXPECT_EQ(headless::IsItemVisible(d, FileListHintId), c.fileListShown);
        EXPECT_EQ(GetDlgItem(d, OverwriteCheckBoxId) != nullptr, c.boxPresent);
        EXPECT_EQ(IsChecked(d, OverwriteCheckBoxId), c.boxChecked);
        EXPECT_EQ(OverwriteExisting, c.overwrite);
        EXPECT_EQ(ItemText(d, DescriptionFieldId), "Tools for the road");
        EXPECT_EQ(headless::TextOf(d), "Kovarin Browser");
        // Without the file list the archive is walked a second time, into 302.
        EXPECT_EQ(RowNames(d, SecondListId).size(), c.fileListShown ? 0u : 2u);
        Click(d, CancelButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 2);
}

INSTANTIATE_TEST_SUITE_P(Flags, MainDialogFlags,
                         ::testing::Values(FlagCase{0x0A, true, true, true, true},
                                           FlagCase{0x02, true, true, false, false},
                                           FlagCase{0x1A, true, true, false, false},
                                           FlagCase{0x01, false, true, false, false},
                                           FlagCase{0x0E, true, false, false, true},
                                           FlagCase{0x06, true, false, false, false}));

TEST_F(MainDialog, OverwriteBoxTogglesItsMarkAndTheSwitchTogether) {
    const std::vector<std::uint8_t> block = OptionsBlockBytes(0x02);  // starts off
    UseArchive(TwoFiles, &block);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        ASSERT_FALSE(IsChecked(d, OverwriteCheckBoxId));
        ASSERT_TRUE(Click(d, OverwriteCheckBoxId));
        EXPECT_TRUE(IsChecked(d, OverwriteCheckBoxId));
        EXPECT_TRUE(OverwriteExisting);
        ASSERT_TRUE(Click(d, OverwriteCheckBoxId));
        EXPECT_FALSE(IsChecked(d, OverwriteCheckBoxId));
        EXPECT_FALSE(OverwriteExisting);
        Click(d, CancelButtonId);
    });
    RunMainDialog();
}

TEST_F(MainDialog, OverwriteOffKeepsAnExistingFile) {
    UseArchive(TwoFiles);
    WriteWholeFile(InWork("A.txt"), "mine");
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        Click(d, OverwriteCheckBoxId);
        Click(d, ExtractButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 1);
    EXPECT_EQ(ReadWholeFile(InWork("A.txt")), BytesOf("mine"));
    EXPECT_EQ(ReadWholeFile(InWork("b.txt")), BytesOf("bravo"));
}

TEST_F(MainDialog, DefaultFolderShowsWithItsBackslashAndIsStoredWithout) {
    const std::string folder = scratch_ / "target\\";
    const std::vector<std::uint8_t> block = OptionsBlockBytes(0x0A, "", folder);
    UseArchive(TwoFiles, &block);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        EXPECT_EQ(ItemText(d, FolderFieldId), folder);
        EXPECT_EQ(std::string(ExtractFolder), scratch_ / "target");
        Click(d, CancelButtonId);
    });
    RunMainDialog();
}

TEST_F(MainDialog, ExtractWritesEveryEntryIntoTheFieldsFolderAndEnds) {
    UseArchive(TwoFiles);
    const std::string target = scratch_ / "out";
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        ASSERT_TRUE(headless::Type(d, FolderFieldId, target));  // replaces the selected proposal
        EXPECT_EQ(ItemText(d, FolderFieldId), target);
        Click(d, ExtractButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 1);
    EXPECT_EQ(ReadWholeFile(target + "/A.txt"), BytesOf("alpha"));
    EXPECT_EQ(ReadWholeFile(target + "/b.txt"), BytesOf("bravo"));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"All files have been successfully extracted."}));
}

TEST_F(MainDialog, ExtractWithAnEmptiedFieldUsesAndShowsTheCurrentFolder) {
    UseArchive(TwoFiles);
    std::string shown;
    headless::WhenMessageBoxShows([&](const headless::MessageBoxRecord&) {
        shown = ItemText(headless::FindDialog("MAINDIALOG"), FolderFieldId);
    });
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Type(d, FolderFieldId, "");
        ASSERT_EQ(ItemText(d, FolderFieldId), "");
        Click(d, ExtractButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 1);
    EXPECT_EQ(shown, Work());
    EXPECT_TRUE(FileExists(InWork("A.txt")));
}

// An archive without entries lets an Extract leave ExtractFolder as the dialog stored it.
TEST_F(MainDialog, FieldEndingInTwoBackslashesLosesOnlyOne) {
    UseArchive({});
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Type(d, FolderFieldId, "C:\\out\\\\");
        Click(d, ExtractButtonId);
        EXPECT_EQ(std::string(ExtractFolder), "C:\\out\\");
        EXPECT_EQ(ItemText(d, FolderFieldId), "C:\\out\\\\");
        Click(d, CancelButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 2);
}

TEST_F(MainDialog, FailedExtractStaysOpenAndTheNextExtractRetriesEveryEntry) {
    ZipEntry broken = StoredEntry("broken.txt", "data");
    broken.crc32 ^= 1;
    UseArchive({StoredEntry("good.txt", "fine"), broken});
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        Click(d, ExtractButtonId);
        EXPECT_EQ(SelectedRows(d, MainListId), 1);
        // The buttons are back for the next try, and so is the focus.
        EXPECT_TRUE(headless::IsItemEnabled(d, ExtractButtonId));
        EXPECT_TRUE(headless::IsItemEnabled(d, CancelButtonId));
        EXPECT_TRUE(headless::IsItemEnabled(d, BrowseButtonId));
        EXPECT_TRUE(headless::IsItemEnabled(d, FileListButtonId));
        EXPECT_TRUE(headless::IsItemEnabled(d, OverwriteCheckBoxId));
        EXPECT_EQ(GetFocus(), GetDlgItem(d, ExtractButtonId));
        std::remove(InWork("good.txt").c_str());
        Click(d, ExtractButtonId);
        EXPECT_TRUE(FileExists(InWork("good.txt")));
        Click(d, CancelButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 2);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Couldn't extract the selected files.",
                                                    "Couldn't extract the selected files."}));
}

TEST_F(MainDialog, SuccessfulExtractStartsTheLaunchCommand) {
    const std::vector<std::uint8_t> block = OptionsBlockBytes(0x0A, "", "", "##A.txt|-q");
    UseArchive(TwoFiles, &block);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) { Click(d, ExtractButtonId); });
    EXPECT_EQ(RunMainDialog(), 1);
    ASSERT_EQ(headless::ShellCalls().size(), 1u);
    EXPECT_EQ(headless::ShellCalls()[0].verb, "open");
    EXPECT_EQ(headless::ShellCalls()[0].file, Work() + "\\A.txt");
    EXPECT_EQ(headless::ShellCalls()[0].parameters, "-q");
}

TEST_F(MainDialog, CancelledBrowseKeepsWhatTheFieldHeld) {
    UseArchive(TwoFiles);
    headless::CancelBrowse();
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Type(d, FolderFieldId, "D:\\typed\\");
        ASSERT_TRUE(Click(d, BrowseButtonId));
        EXPECT_EQ(ItemText(d, FolderFieldId), "D:\\typed\\");
        EXPECT_EQ(std::string(ExtractFolder), "D:\\typed\\");  // read, not stripped
        Click(d, CancelButtonId);
    });
    RunMainDialog();
    ASSERT_EQ(headless::BrowseCalls().size(), 1u);
    const headless::BrowseRecord& request = headless::BrowseCalls()[0];
    EXPECT_EQ(request.title, "Kovarin Browser");
    EXPECT_EQ(request.flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN));
    EXPECT_FALSE(request.hasRoot);
    EXPECT_FALSE(request.hasDisplayName);
    EXPECT_FALSE(request.hasCallback);
    EXPECT_EQ(headless::LoadedLibraries(), 0);
}

TEST_F(MainDialog, BrowsedDriveRootKeepsItsBackslashUntilExtract) {
    UseArchive({});
    headless::AnswerBrowse("C:\\");
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        Click(d, BrowseButtonId);
        EXPECT_EQ(ItemText(d, FolderFieldId), "C:\\");
        EXPECT_EQ(std::string(ExtractFolder), "C:\\");
        EXPECT_EQ(headless::BrowseCalls().at(0).owner, d);
        Click(d, ExtractButtonId);
        EXPECT_EQ(std::string(ExtractFolder), "C:");
        Click(d, CancelButtonId);
    });
    RunMainDialog();
    EXPECT_EQ(headless::LoadedLibraries(), 0);
    EXPECT_EQ(headless::UnfreedItemLists(), 0);
}

TEST_F(MainDialog, BrowsedFolderTooLongForTheFieldIsRefusedNotCut) {
    UseArchive(TwoFiles);
    const std::string longPath = "D:\\" + std::string(253, 'x');  // 256 characters
    headless::AnswerBrowse(longPath);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Type(d, FolderFieldId, "D:\\kept");
        Click(d, BrowseButtonId);
        EXPECT_EQ(ItemText(d, FolderFieldId), "D:\\kept");
        EXPECT_EQ(std::string(ExtractFolder), "D:\\kept");
        Click(d, CancelButtonId);
    });
    RunMainDialog();
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "Folder path too long " + longPath);
    EXPECT_EQ(headless::MessageBoxes()[0].caption, "Kovarin Browser");
    EXPECT_EQ(headless::MessageBoxes()[0].type, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(MainDialog, BrowsedFolderOfFullLengthFits) {
    UseArchive(TwoFiles);
    const std::string fullPath = "D:\\" + std::string(252, 'x');  // 255 characters
    headless::AnswerBrowse(fullPath);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        Click(d, BrowseButtonId);
        EXPECT_EQ(ItemText(d, FolderFieldId), fullPath);
        Click(d, CancelButtonId);
    });
    RunMainDialog();
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(MainDialog, TemporaryFolderTooLongIsRefusedAndTheCurrentFolderProposed) {
    const char* saved = std::getenv("TMP");
    const std::string savedTmp = saved ? saved : "";
    const std::string longTemp = "/" + std::string(254, 't');  // 256 characters with its separator
    setenv("TMP", longTemp.c_str(), 1);
    const std::vector<std::uint8_t> block = OptionsBlockBytes(0x0A, "", "##");
    UseArchive(TwoFiles, &block);
    if (saved) setenv("TMP", savedTmp.c_str(), 1); else unsetenv("TMP");
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        EXPECT_EQ(ItemText(d, FolderFieldId), Work());
        Click(d, CancelButtonId);
    });
    RunMainDialog();
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0], "Folder path too long " + longTemp + "/");
}

TEST_F(MainDialog, FolderFieldTakesNoMoreThan255Characters) {
    UseArchive(TwoFiles);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Type(d, FolderFieldId, std::string(300, 'f'));
        EXPECT_EQ(ItemText(d, FolderFieldId).size(), 255u);
        Click(d, CancelButtonId);
    });
    RunMainDialog();
}

// ----------------------------------------------------------- one pass only --
TEST_F(MainDialog, WhileThePasswordPromptIsUpTheMainDialogStartsNothing) {
    UseArchive({StoredEntry("plain.txt", "open"), EncryptedEntry("secret.txt", "hidden", "pw")});
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) { Click(d, ExtractButtonId); });
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        HWND main = headless::FindDialog("MAINDIALOG");
        for (int id : {ExtractButtonId, CancelButtonId, FileListButtonId, BrowseButtonId, OverwriteCheckBoxId}) {
            EXPECT_FALSE(headless::IsItemEnabled(main, id)) << "control " << id;
            EXPECT_FALSE(Click(main, id)) << "control " << id;
        }
        // Commands that reach the procedure all the same are ignored.
        for (int id : {CancelButtonId, FileListButtonId, BrowseButtonId, OverwriteCheckBoxId, ExtractButtonId})
            SendMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), 0);
        headless::Type(p, PasswordFieldId, "pw");
        Click(p, IDOK);
    });
    EXPECT_EQ(RunMainDialog(), 1);
    EXPECT_TRUE(OverwriteExisting);
    EXPECT_TRUE(headless::BrowseCalls().empty());
    EXPECT_EQ(headless::DialogsOpened(), (std::vector<std::string>{"MAINDIALOG", "PASSWD"}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"All files have been successfully extracted."}));
    EXPECT_EQ(ReadWholeFile(InWork("secret.txt")), BytesOf("hidden"));
}

TEST_F(MainDialog, CancelQueuedBeforeAPassIsNotActedOnDuringIt) {
    UseArchive(TwoFiles);
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        // The driver lets this through at its first progress point.
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        Click(d, ExtractButtonId);
    });
    EXPECT_EQ(RunMainDialog(), 1);
    EXPECT_TRUE(FileExists(InWork("A.txt")));
    EXPECT_TRUE(FileExists(InWork("b.txt")));
}

}  // namespace
