#pragma once
// Runs the stub's list and extract passes on an SFX file, in process, over
// the headless window layer, and compares extracted trees.
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/fixtures.h"

class SfxSession {
public:
    // Writes the SFX (image, optional options block, archive) and opens it.
    SfxSession(const ScratchFolder& scratch, const std::vector<std::uint8_t>& archive,
               const std::vector<std::uint8_t>* optionsBlock = nullptr);
    ~SfxSession();
    SfxSession(const SfxSession&) = delete;
    SfxSession& operator=(const SfxSession&) = delete;

    HWND dialog() const { return dialog_; }
    void List();
    void SelectAll();
    // Extracts the selected rows into `folder`; returns ExtractSucceeded.
    bool Extract(const std::string& folder, bool overwrite);
    // List, select every row, extract.
    bool ExtractAll(const std::string& folder, bool overwrite = true);

private:
    std::unique_ptr<OpenedSelfImage> self_;
    HWND dialog_;
};

// Every message box shown since the last reset, as "caption|icon|text".
std::vector<std::string> Boxes();
// The message boxes shown after the first `mark` ones.
std::vector<std::string> BoxesSince(std::size_t mark);
// A path as the stub shows it after its rewrite: every "/" as "\".
std::string Backslashed(std::string path);
std::string Box(const char* caption, unsigned icon, const std::string& text);
int PasswordPrompts();

struct FileFacts {
    bool folder;
    std::string content;
    std::time_t modified;
    bool readOnly;
};
// Every file and folder below `root`, by relative path.
std::map<std::string, FileFacts> Tree(const std::string& root);
// Empty when equal; otherwise what differs, one line per path.
std::string CompareTrees(const std::string& expected, const std::string& actual);
