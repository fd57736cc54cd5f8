// Running a dialog modally and centring a window on the whole screen.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/dialog_fixture.h"
#include "ui/dialogs.h"

namespace {

struct CentreCase {
    int width, height;  // pixels
    int x, y;
};

class CentreOnScreenTest : public DialogTest, public ::testing::WithParamInterface<CentreCase> {};

TEST_P(CentreOnScreenTest, PlacesTheWindowInTheMiddleAndKeepsItsSize) {
    const CentreCase c = GetParam();
    const HWND window = CreateDialogParamA(nullptr, "FILELIST", nullptr, nullptr, 0);
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 7, 9, c.width, c.height, SWP_NOZORDER);
    CentreOnScreen(window);
    const RECT r = headless::WindowRect(window);
    EXPECT_EQ(r.left, c.x);
    EXPECT_EQ(r.top, c.y);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
    EXPECT_EQ(headless::ZOrderChanges(), 0);
}

// The layer's screen is 1024 x 768; the divisions truncate toward zero.
INSTANTIATE_TEST_SUITE_P(Sizes, CentreOnScreenTest,
                         ::testing::Values(CentreCase{100, 50, 462, 359}, CentreCase{101, 51, 461, 358},
                                           CentreCase{1024, 768, 0, 0}, CentreCase{1027, 771, -1, -1},
                                           CentreCase{1030, 700, -3, 34}));

class ModalDialog : public DialogTest {};

TEST_F(ModalDialog, ReturnsWhatTheProcedureGaveToEndDialog) {
    headless::WhenDialogOpens("PASSWD", [](HWND p) { EndDialog(p, 42); });
    EXPECT_EQ(RunModalDialog("PASSWD", nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }), 42);
}

TEST_F(ModalDialog, MissingTemplateGivesMinusOne) {
    EXPECT_EQ(RunModalDialog("NOSUCHDIALOG", nullptr, PasswordDialogProc), -1);
    EXPECT_EQ(headless::Failures().size(), 1u);
    headless::Reset();
}

}  // namespace
