#pragma once
// Control ids of the dialog templates in ui/resources.rc, which writes them
// as numbers. The lists (301, 302) and the progress field (55) are named in
// archive/driver.h, the overwrite box (501, 502) in startup/options_block.h.

// MAINDIALOG
constexpr int FolderFieldId = 101;
constexpr int ExtractButtonId = 1;     // IDOK
constexpr int CancelButtonId = 2;      // IDCANCEL
constexpr int FileListButtonId = 3;
constexpr int BrowseButtonId = 775;
constexpr int ExtractHintId = 701;
constexpr int FileListHintId = 702;
constexpr int DescriptionFieldId = 901;

// PASSWD
constexpr int PasswordFieldId = 101;
