// The password prompt on the headless window layer, alone and as the
// extraction driver opens it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/dialog_fixture.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

namespace {

class PasswordDialog : public DialogTest {
protected:
    INT_PTR RunPrompt() { return RunModalDialog("PASSWD", nullptr, PasswordDialogProc); }
};

TEST_F(PasswordDialog, EscapeLeavesThePromptOpenAndOkClosesIt) {
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        headless::PressEscape(p);
        SendMessageA(p, WM_COMMAND, IDCANCEL, 0);
        EXPECT_FALSE(headless::PressCloseBox(p));  // no system menu, no close box
        EXPECT_EQ(headless::FindDialog("PASSWD"), p);
        headless::Type(p, PasswordFieldId, "open sesame");
        headless::PressEnter(p);
    });
    EXPECT_EQ(RunPrompt(), 1);
    EXPECT_EQ(std::string(PasswordEntry.text), "open sesame");
    EXPECT_EQ(PasswordEntry.count, 11u);
}

TEST_F(PasswordDialog, OkOnAnEmptyFieldGivesAnEmptyPassword) {
    PasswordEntry.count = 5;
    std::snprintf(PasswordEntry.text, sizeof PasswordEntry.text, "stale");
    headless::WhenDialogOpens("PASSWD", [&](HWND p) { headless::Click(p, IDOK); });
    EXPECT_EQ(RunPrompt(), 1);
    EXPECT_EQ(PasswordEntry.count, 0u);
    EXPECT_EQ(std::string(PasswordEntry.text), "");
}

TEST_F(PasswordDialog, PasswordIsCutTo79Characters) {
    const std::string longText(100, 'k');
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        SetDlgItemTextA(p, PasswordFieldId, longText.c_str());  // a field that holds more than 79
        headless::Click(p, IDOK);
    });
    RunPrompt();
    EXPECT_EQ(PasswordEntry.count, 79u);
    EXPECT_EQ(std::string(PasswordEntry.text), longText.substr(0, 79));
}

TEST_F(PasswordDialog, TypingStopsAt79Characters) {
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        headless::Type(p, PasswordFieldId, std::string(90, 'q'));
        EXPECT_EQ(headless::ItemText(p, PasswordFieldId).size(), 79u);
        headless::Click(p, IDOK);
    });
    RunPrompt();
}

TEST_F(PasswordDialog, OpensCentredOnTheScreenWithTheFocusInTheField) {
    headless::WhenDialogOpens("PASSWD", [&](HWND p) {
        const RECT r = headless::WindowRect(p);
        EXPECT_EQ(r.left, (headless::ScreenWidth() - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (headless::ScreenHeight() - (r.bottom - r.top)) / 2);
        EXPECT_EQ(GetFocus(), GetDlgItem(p, PasswordFieldId));
        EXPECT_EQ(headless::TextOf(p), "Password");
        headless::Click(p, IDOK);
    });
    RunPrompt();
}

// Three wrong answers: each prompt is new, empty and focused; the pass then
// ends silently at the entry.
TEST_F(PasswordDialog, EveryPromptStartsEmptyWithTheFocusInTheField) {
    UseArchive({EncryptedEntry("secret.txt", "hidden", "right")});
    headless::WhenDialogOpens("MAINDIALOG", [&](HWND d) {
        headless::Click(d, ExtractButtonId);
        headless::Click(d, CancelButtonId);
    });
    int prompts = 0;
    headless::WhenDialogOpens(
        "PASSWD",
        [&](HWND p) {
            ++prompts;
            EXPECT_EQ(headless::ItemText(p, PasswordFieldId), "") << "prompt " << prompts;
            EXPECT_EQ(GetFocus(), GetDlgItem(p, PasswordFieldId)) << "prompt " << prompts;
            headless::Type(p, PasswordFieldId, "wrong" + std::to_string(prompts));
            headless::Click(p, IDOK);
        },
        true);
    EXPECT_EQ(RunMainDialog(), 2);
    EXPECT_EQ(prompts, 3);
    EXPECT_TRUE(headless::MessageBoxes().empty());
    EXPECT_FALSE(FileExists(InWork("secret.txt")));
}

}  // namespace
