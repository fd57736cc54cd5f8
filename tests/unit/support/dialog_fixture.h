#pragma once
// Running the stub's dialogs on the headless window layer over a real SFX
// file: the archive is written behind a stub image, opened as the SelfImage
// and its options read, as start-up does.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/headless.h"
#include "support/fixtures.h"
#include "support/zip_builder.h"

// The 256 bytes of an OptionsBlock.
std::vector<std::uint8_t> OptionsBlockBytes(std::uint8_t flags, const std::string& description = "",
                                            const std::string& folder = "", const std::string& command = "");
// A stored entry encrypted with the traditional PKWARE cipher.
ZipEntry EncryptedEntry(const std::string& name, const std::string& content, const std::string& password);

class DialogTest : public ::testing::Test {
protected:
    // Resets the window layer and the dialogs' process-wide state, and makes
    // a fresh folder the current folder.
    void SetUp() override;
    // Every scripted dialog must have been served and closed by its script.
    void TearDown() override;

    // Writes an SFX of the entries (with an OptionsBlock when given), opens it
    // as the SelfImage and reads its options.
    void UseArchive(const std::vector<ZipEntry>& entries, const std::vector<std::uint8_t>* options = nullptr);
    // Runs MAINDIALOG as start-up does; its script must have been queued.
    INT_PTR RunMainDialog();
    // The texts of the message boxes shown so far.
    std::vector<std::string> BoxTexts() const;
    // The current folder of the test.
    const std::string& Work() const { return work_; }
    std::string InWork(const std::string& name) const { return work_ + "/" + name; }
    bool FileExists(const std::string& path) const;

    ScratchFolder scratch_;

private:
    std::unique_ptr<OpenedSelfImage> self_;
    std::string work_;
    std::string savedFolder_;
};
