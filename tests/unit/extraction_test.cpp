// Whole extractions over archives made by real tools and over small
// hand-made archives for the faults, each checked against what a user sees:
// the files written, their times and attributes, and every message box.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include <string>
#include <vector>

#include "archive/driver.h"
#include "archive/records.h"
#include "platform/posix/headless.h"
#include "support/decode_harness.h"
#include "support/extraction.h"
#include "support/fixtures.h"
#include "support/zip_builder.h"
#include "ui/dialogs.h"

namespace {

const char Browser[] = "Kovarin Browser";
const unsigned Stop = 0x10, Exclamation = 0x30, Information = 0x40;
const std::string Success = Box(Browser, Information, "All files have been successfully extracted.");
const std::string Failure = Box(Browser, Stop, "Couldn't extract the selected files.");

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// Text, binary, empty, nested and empty folders, a blank in a name, a file of
// more than two windows, and optionally a read-only file; fixed even-second times.
void MakeCorpus(const std::string& dir, bool withReadOnly) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\n";
    std::vector<std::uint8_t> binary(100000);
    std::uint32_t x = 12345;
    for (auto& b : binary) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    std::vector<std::uint8_t> large(70001);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>((i * 7) % 251 + (i / 4096));
    RunCommand("mkdir -p " + Quote(dir + "/docs/deep/deeper") + " " + Quote(dir + "/empty"));
    WriteWholeFile(dir + "/readme.txt", text);
    WriteWholeFile(dir + "/docs/with blank.txt", std::string("blank in the name\n"));
    WriteWholeFile(dir + "/docs/deep/deeper/random.bin", binary);
    WriteWholeFile(dir + "/large.bin", large);
    WriteWholeFile(dir + "/empty.txt", std::string());
    if (withReadOnly) WriteWholeFile(dir + "/locked.txt", std::string("do not change\n"));
    RunCommand("find " + Quote(dir) + " -exec touch -d '2023-05-17 14:22:36' {} +");
    if (withReadOnly) RunCommand("chmod 444 " + Quote(dir + "/locked.txt"));
}

class Extraction : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        CurrentPassword.clear();
        UseCrcTable();
    }
    std::string Out() const { return scratch_ / "out"; }
    ScratchFolder scratch_;
};

}  // namespace

TEST_F(Extraction, ArchivesOfRealToolsExtractAsUnzipDoes) {
    const struct {
        const char* tool;
        bool readOnlyKept;  // the tool records the read-only bit for other systems
        std::string command;
    } tools[] = {
        {"Info-ZIP deflate", true, "zip -q -r -9 ../a.zip ."},
        {"Info-ZIP stored", true, "zip -q -r -0 ../a.zip ."},
        {"7-Zip", true, "7z a -tzip -mx=9 -bd -bb0 ../a.zip . >/dev/null"},
        {"Python zipfile", false,
         "python3 -c \"import zipfile,os\nz=zipfile.ZipFile('../a.zip','w',zipfile.ZIP_DEFLATED)\n"
         "for r,ds,fs in os.walk('.'):\n for n in ds+fs: z.write(os.path.join(r,n))\nz.close()\""},
    };
    for (const auto& t : tools) {
        SCOPED_TRACE(t.tool);
        ScratchFolder scratch;
        MakeCorpus(scratch / "src", t.readOnlyKept);
        ASSERT_EQ(RunCommand("cd " + Quote(scratch / "src") + " && " + t.command), 0);
        ASSERT_EQ(RunCommand("unzip -q " + Quote(scratch / "a.zip") + " -d " + Quote(scratch / "ref")), 0);

        headless::Reset();
        SfxSession sfx(scratch, ReadWholeFile(scratch / "a.zip"));
        EXPECT_TRUE(sfx.ExtractAll(scratch / "out"));
        EXPECT_EQ(Boxes(), std::vector<std::string>{Success});
        EXPECT_EQ(CompareTrees(scratch / "ref", scratch / "out"), "");
    }
}

TEST_F(Extraction, EntriesWithDataDescriptorsBehindTheirDataAreWritten) {
    ZipEntry first = DeflatedEntry("a.txt", std::string(5000, 'a'));
    first.flags = FlagDataDescriptor;
    first.descriptorBehind = true;
    ZipEntry second = StoredEntry("b/b.txt", "bee");
    second.descriptorBehind = true;
    SfxSession sfx(scratch_, BuildZip({first, second}));
    EXPECT_TRUE(sfx.ExtractAll(Out()));
    EXPECT_EQ(ReadWholeFile(Out() + "/a.txt"), BytesOf(std::string(5000, 'a')));
    EXPECT_EQ(ReadWholeFile(Out() + "/b/b.txt"), BytesOf("bee"));
}

TEST_F(Extraction, StreamedEntryWithoutSizesIsReportedNotPassedAsEmpty) {
    WriteWholeFile(scratch_ / "a.txt", std::string("hello hello hello\n"));
    WriteWholeFile(scratch_ / "b.txt", std::string(500, 'x'));
    ASSERT_EQ(RunCommand("cd " + Quote(scratch_.path()) + " && bsdtar -a -cf s.zip a.txt b.txt"), 0);
    SfxSession sfx(scratch_, ReadWholeFile(scratch_ / "s.zip"));
    EXPECT_FALSE(sfx.ExtractAll(Out()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Failure});
}

TEST_F(Extraction, OverwriteSwitchDecidesAboutExistingFiles) {
    SfxSession sfx(scratch_, BuildZip({StoredEntry("keep.txt", "from the archive"), DeflatedEntry("new.txt", "new")}));
    ASSERT_TRUE(sfx.ExtractAll(Out()));
    WriteWholeFile(Out() + "/keep.txt", std::string("changed by the user"));
    RunCommand("rm " + Quote(Out() + "/new.txt"));

    const std::size_t mark = headless::MessageBoxes().size();
    sfx.SelectAll();
    EXPECT_TRUE(sfx.Extract(Out(), false)) << "a kept file counts as done";
    EXPECT_EQ(ReadWholeFile(Out() + "/keep.txt"), BytesOf("changed by the user"));
    EXPECT_EQ(ReadWholeFile(Out() + "/new.txt"), BytesOf("new"));
    EXPECT_EQ(BoxesSince(mark), std::vector<std::string>{Success});

    sfx.SelectAll();
    EXPECT_TRUE(sfx.Extract(Out(), true));
    EXPECT_EQ(ReadWholeFile(Out() + "/keep.txt"), BytesOf("from the archive"));
}

TEST_F(Extraction, DamagedEntryKeepsWhatWasDecodedWithItsTimeAndFailsThePass) {
    ZipEntry damaged = DeflatedEntry("damaged.txt", std::string(20000, 'z') + "tail");
    damaged.crc32 ^= 1;
    ZipEntry fine = StoredEntry("fine.txt", "fine");
    SfxSession sfx(scratch_, BuildZip({damaged, fine}));
    EXPECT_FALSE(sfx.ExtractAll(Out()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Failure});
    struct stat info;
    ASSERT_EQ(stat((Out() + "/damaged.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1735729200) << "2025-01-01 12:00 local time (Berlin)";
    EXPECT_EQ(ReadWholeFile(Out() + "/fine.txt"), BytesOf("fine"));
}

TEST_F(Extraction, UnknownMethodLeavesAnEmptyFileAndEndsTheCall) {
    WriteWholeFile(scratch_ / "1-first.txt", std::string("first\n"));
    WriteWholeFile(scratch_ / "2-bzip.txt", std::string(3000, 'b'));
    WriteWholeFile(scratch_ / "3-last.txt", std::string("last\n"));
    ASSERT_EQ(RunCommand("cd " + Quote(scratch_.path()) + " && zip -q a.zip 1-first.txt && zip -q -Z bzip2 a.zip "
                         "2-bzip.txt && zip -q a.zip 3-last.txt"),
              0);
    SfxSession sfx(scratch_, ReadWholeFile(scratch_ / "a.zip"));
    EXPECT_FALSE(sfx.ExtractAll(Out()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Box(Browser, Stop, "Unknown compression type")});
    EXPECT_EQ(ReadWholeFile(Out() + "/1-first.txt"), BytesOf("first\n"));
    EXPECT_TRUE(ReadWholeFile(Out() + "/2-bzip.txt").empty());
    EXPECT_FALSE(Tree(Out()).count("3-last.txt"));
}

TEST_F(Extraction, EmptyNameEndsAListPassAtOnce) {
    ZipEntry unnamed = StoredEntry("", "x");
    ZipEntry zeroFirst = StoredEntry(std::string("\0abc", 4), "y");
    for (const ZipEntry& bad : {unnamed, zeroFirst}) {
        headless::Reset();
        SfxSession sfx(scratch_, BuildZip({StoredEntry("before.txt", "b"), bad, StoredEntry("after.txt", "a")}));
        sfx.List();
        EXPECT_EQ(Boxes(), std::vector<std::string>{Box(Browser, Stop, "Invalid filename ")});
        ASSERT_EQ(headless::Rows(sfx.dialog(), MainListId).size(), 1u);
        EXPECT_EQ(headless::Rows(sfx.dialog(), MainListId)[0].name, "before.txt");
    }
}

TEST_F(Extraction, ArchiveWithoutEntriesAndPassWithoutSelection) {
    {
        SfxSession empty(scratch_, BuildZip({}));
        empty.List();
        EXPECT_EQ(Boxes(), std::vector<std::string>{Box(Browser, Exclamation, "Cannot read archive header")});
    }
    headless::Reset();
    SfxSession sfx(scratch_, BuildZip({StoredEntry("a.txt", "a")}));
    sfx.List();
    EXPECT_FALSE(sfx.Extract(Out(), true));
    EXPECT_TRUE(Boxes().empty()) << "no selected entry: nothing written, nothing said";
    EXPECT_TRUE(Tree(Out()).empty());
}

TEST_F(Extraction, PasswordIsAskedOnceAndRememberedForLaterEntries) {
    WriteWholeFile(scratch_ / "one.txt", std::string(3000, '1'));
    WriteWholeFile(scratch_ / "two.txt", std::string("two\n"));
    ASSERT_EQ(RunCommand("cd " + Quote(scratch_.path()) + " && zip -q -P s3cret e.zip one.txt two.txt"), 0);
    headless::WhenDialogOpens("PASSWD", [](HWND d) { headless::Type(d, 101, "s3cret"); headless::PressEnter(d); }, true);
    SfxSession sfx(scratch_, ReadWholeFile(scratch_ / "e.zip"));
    EXPECT_TRUE(sfx.ExtractAll(Out()));
    EXPECT_EQ(PasswordPrompts(), 1);
    EXPECT_EQ(ReadWholeFile(Out() + "/one.txt"), BytesOf(std::string(3000, '1')));
    EXPECT_EQ(ReadWholeFile(Out() + "/two.txt"), BytesOf("two\n"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Success});
}

TEST_F(Extraction, ThreeWrongPasswordsEndThePassSilentlyAtThatEntry) {
    WriteWholeFile(scratch_ / "1-plain.txt", std::string("plain\n"));
    WriteWholeFile(scratch_ / "2-secret.txt", std::string("secret\n"));
    WriteWholeFile(scratch_ / "3-plain.txt", std::string("later\n"));
    // The encryption header is random, and a wrong password passes its check
    // byte one time in 256: the archive is made again until "wrong" does not.
    bool wrongRefused = false;
    for (int attempt = 0; attempt < 20 && !wrongRefused; ++attempt) {
        RunCommand("rm -f " + Quote(scratch_ / "e.zip"));
        ASSERT_EQ(RunCommand("cd " + Quote(scratch_.path()) + " && zip -q e.zip 1-plain.txt && zip -q -P right e.zip "
                             "2-secret.txt && zip -q e.zip 3-plain.txt"),
                  0);
        wrongRefused = true;
        for (const ArchiveEntryOutcome& entry : DecodeArchive(scratch_ / "e.zip", "wrong"))
            if ((entry.flags & FlagEncrypted) && entry.passwordFits) wrongRefused = false;
    }
    ASSERT_TRUE(wrongRefused);
    headless::WhenDialogOpens("PASSWD", [](HWND d) { headless::Type(d, 101, "wrong"); headless::PressEnter(d); }, true);
    SfxSession sfx(scratch_, ReadWholeFile(scratch_ / "e.zip"));
    EXPECT_FALSE(sfx.ExtractAll(Out()));
    EXPECT_EQ(PasswordPrompts(), 3);
    EXPECT_TRUE(Boxes().empty());
    const auto tree = Tree(Out());
    EXPECT_TRUE(tree.count("1-plain.txt"));
    EXPECT_FALSE(tree.count("2-secret.txt"));
    EXPECT_FALSE(tree.count("3-plain.txt"));
}

TEST_F(Extraction, FolderThatCannotBeMadeEndsTheWalkWithItsMessage) {
    RunCommand("mkdir -p " + Quote(Out()));
    WriteWholeFile(Out() + "/blocker", std::string("a file where a folder is wanted"));
    SfxSession sfx(scratch_, BuildZip({StoredEntry("blocker/inner/x.txt", "x"), StoredEntry("z.txt", "z")}));
    EXPECT_FALSE(sfx.ExtractAll(Out()));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Box(Browser, Exclamation, "Error in directory " + Backslashed(Out()) + "\\blocker\\inner"),
                                                 Failure}));
    EXPECT_FALSE(Tree(Out()).count("z.txt")) << "the walk ends at that entry";
}

TEST_F(Extraction, ReadOnlyFileOfAnEarlierPassCannotBeOverwritten) {
    ZipEntry locked = StoredEntry("locked.txt", "locked");
    locked.externalAttributes = 0x21;
    SfxSession sfx(scratch_, BuildZip({locked}));
    ASSERT_TRUE(sfx.ExtractAll(Out()));
    struct stat info;
    ASSERT_EQ(stat((Out() + "/locked.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u) << "attribute 0x21 makes the file read-only";

    const std::size_t mark = headless::MessageBoxes().size();
    sfx.SelectAll();
    EXPECT_FALSE(sfx.Extract(Out(), true));
    EXPECT_EQ(BoxesSince(mark),
              (std::vector<std::string>{Box(Browser, Exclamation, "Cannot open file " + Backslashed(Out()) + "\\locked.txt"),
                                        Failure}));
}

TEST_F(Extraction, ListPassGivesExistingFilesTheirStoredAttributes) {
    ZipEntry entry = StoredEntry("sub/ro.txt", "x");
    entry.externalAttributes = 0x81240001u;  // read-only, with another system's permission bits above
    RunCommand("mkdir -p " + Quote(Out() + "/sub"));
    WriteWholeFile(Out() + "/sub/ro.txt", std::string("user's own"));
    SfxSession sfx(scratch_, BuildZip({entry}));
    std::strcpy(ExtractFolder, Out().c_str());
    sfx.List();
    struct stat info;
    ASSERT_EQ(stat((Out() + "/sub/ro.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    EXPECT_EQ(ReadWholeFile(Out() + "/sub/ro.txt"), BytesOf("user's own"));
}

TEST_F(Extraction, NamesLeadingOutsideTheFolderAreRefusedAndNothingEscapes) {
    const std::vector<std::string> refused = {"../escape.txt", "/rooted.txt", "\\rooted2.txt", "C:drive.txt",
                                              "a/../../up.txt", "stream.txt:hidden", "star*.txt",
                                              std::string(256, 'n')};
    std::vector<ZipEntry> entries;
    for (const std::string& name : refused) entries.push_back(StoredEntry(name, "evil"));
    entries.push_back(StoredEntry("a/../inside.txt", "a '..' that stays inside is still refused"));
    entries.push_back(StoredEntry("good/ok.txt", "ok"));
    SfxSession sfx(scratch_, BuildZip(entries));
    EXPECT_FALSE(sfx.ExtractAll(Out()));

    std::vector<std::string> expected;
    for (const std::string& name : refused) expected.push_back(Box(Browser, Exclamation, "Invalid filename " + name));
    expected.push_back(Box(Browser, Exclamation, "Invalid filename a/../inside.txt"));
    expected.push_back(Failure);
    // Refusals come in archive order, which the rows' sorted order does not change.
    EXPECT_EQ(Boxes(), expected);
    EXPECT_EQ(Tree(scratch_.path()).count("escape.txt"), 0u);
    EXPECT_EQ(ReadWholeFile(Out() + "/good/ok.txt"), BytesOf("ok"));
    const auto rows = headless::Rows(sfx.dialog(), MainListId);
    int stillSelected = 0;
    for (const auto& row : rows) stillSelected += row.selected ? 1 : 0;
    EXPECT_EQ(stillSelected, static_cast<int>(refused.size()) + 1);
}

TEST_F(Extraction, FolderEntriesMakeFoldersAndCountAsDone) {
    ZipEntry folder = StoredEntry("made/empty/", "");
    folder.externalAttributes = 0x10;
    SfxSession sfx(scratch_, BuildZip({folder, StoredEntry("made/file.txt", "f")}));
    EXPECT_TRUE(sfx.ExtractAll(Out()));
    EXPECT_TRUE(Tree(Out()).at("made/empty").folder);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Success});
}
