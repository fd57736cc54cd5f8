// Packing a folder: what the stub and every other ZIP tool find in the output.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include "support.h"

using namespace mksfx_test;

namespace {

// A tree with nested and empty folders, a read-only file, names with blanks,
// text that deflates and random bytes that do not. Every file's time is
// 2020-01-02 13:04:06 local time.
void MakeTree(const std::string& root) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + " of a text that deflates well\n";
    std::mt19937 generator(7);
    std::string noise(20000, '\0');
    for (char& c : noise) c = static_cast<char>(generator());
    ASSERT_EQ(Shell("mkdir -p " + Quoted(root + "/sub/deep") + " " + Quoted(root + "/with blank") + " " +
                  Quoted(root + "/empty") + " " + Quoted(root + "/outer/inner empty")).exitCode, 0);
    WriteText(root + "/top.txt", "top\n");
    WriteText(root + "/sub/deep/nested.txt", text);
    WriteText(root + "/sub/noise.bin", noise);
    WriteText(root + "/with blank/file with blank.txt", "blank\n");
    WriteText(root + "/read only.txt", "do not change\n");
    WriteText(root + "/zero.txt", "");
    ASSERT_EQ(Shell("find " + Quoted(root) + " -type f -exec touch -t 202001021304.06 {} +").exitCode, 0);
    ASSERT_EQ(chmod((root + "/read only.txt").c_str(), 0444), 0);
}

const WalkedEntry* Find(const std::vector<WalkedEntry>& entries, const std::string& name) {
    for (const WalkedEntry& entry : entries)
        if (entry.name == name) return &entry;
    return nullptr;
}

class FolderPacking : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTree(source);
        made = RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " + Quoted(source));
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    Scratch scratch;
    const std::string source = scratch / "source folder";
    const std::string sfx = scratch / "out.exe";
    Outcome made;
};

TEST_F(FolderPacking, WritesOneEntryPerFileThatTheStubWalksFrontToBack) {
    std::vector<WalkedEntry> entries;
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries));
    std::vector<std::string> names;
    for (const WalkedEntry& entry : entries) names.push_back(entry.name);
    // Empty folders have entries of their own; the others come about through their files.
    EXPECT_EQ(names, (std::vector<std::string>{"empty/", "outer/inner empty/", "read only.txt", "sub/deep/nested.txt",
                                               "sub/noise.bin", "top.txt", "with blank/file with blank.txt",
                                               "zero.txt"}));
    EXPECT_EQ(entries.front().offset, 32256u);
    for (const WalkedEntry& entry : entries) EXPECT_FALSE(entry.flags & 0x0009) << entry.name;
}

TEST_F(FolderPacking, DeflatesWhatShrinksAndStoresTheRest) {
    std::vector<WalkedEntry> entries;
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries));
    EXPECT_EQ(Find(entries, "sub/deep/nested.txt")->method, 8);
    EXPECT_LT(Find(entries, "sub/deep/nested.txt")->packedSize, Find(entries, "sub/deep/nested.txt")->size / 4);
    EXPECT_EQ(Find(entries, "sub/noise.bin")->method, 0);
    EXPECT_EQ(Find(entries, "zero.txt")->method, 0);

    const std::string stored = scratch / "stored.exe";
    ASSERT_EQ(RunMksfx("--level 0 --stub " + Quoted(StandInStub()) + " -o " + Quoted(stored) + " " + Quoted(source)).exitCode, 0);
    ASSERT_TRUE(WalkLikeTheStub(stored, entries));
    EXPECT_EQ(entries.size(), 8u);
    for (const WalkedEntry& entry : entries) EXPECT_EQ(entry.method, 0) << entry.name;
}

TEST_F(FolderPacking, KeepsFileTimesAndTheReadOnlyAttribute) {
    std::vector<WalkedEntry> entries;
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries));
    const std::uint16_t dosDate = (40 << 9) | (1 << 5) | 2, dosTime = (13 << 11) | (4 << 5) | 3;
    for (const WalkedEntry& entry : entries) {
        // DOS attributes only, as the stub hands them to the platform whole.
        if (entry.name.back() == '/') {
            EXPECT_EQ(entry.externalAttributes, 0x10u) << entry.name;
            EXPECT_EQ(entry.size, 0u);
            continue;
        }
        EXPECT_EQ(entry.dosDate, dosDate) << entry.name;
        EXPECT_EQ(entry.dosTime, dosTime) << entry.name;
        EXPECT_EQ(entry.externalAttributes, entry.name == "read only.txt" ? 0x21u : 0x20u) << entry.name;
    }
}

TEST_F(FolderPacking, IsAValidZipForUnzipAnd7z) {
    const Outcome tested = Shell("unzip -t " + Quoted(sfx));
    EXPECT_EQ(tested.exitCode, 0) << tested.out << tested.err;
    EXPECT_EQ(tested.err, "");
    EXPECT_EQ(tested.out.find("warning"), std::string::npos) << tested.out;
    const Outcome seven = Shell("7z t " + Quoted(sfx));
    EXPECT_EQ(seven.exitCode, 0) << seven.out << seven.err;
    EXPECT_EQ(seven.out.find("WARNING"), std::string::npos) << seven.out;

    ASSERT_EQ(Shell("unzip -q " + Quoted(sfx) + " -d " + Quoted(scratch / "unzipped")).exitCode, 0);
    EXPECT_EQ(Tree(scratch / "unzipped", true), Tree(source, true));
}

TEST_F(FolderPacking, ExtractsWithSfxExtractLikeTheSource) {
    const std::string tool = SfxExtractTool();
    if (tool.empty()) GTEST_SKIP() << "sfx-extract is not built yet";
    const Outcome extracted = Shell(Quoted(tool) + " " + Quoted(sfx) + " " + Quoted(scratch / "extracted"));
    ASSERT_EQ(extracted.exitCode, 0) << extracted.out << extracted.err;
    EXPECT_EQ(Tree(scratch / "extracted", true), Tree(source, true));
}

TEST(FolderOutput, ReplacesAnExistingFileOnlyWhenDone) {
    Scratch scratch;
    const std::string source = scratch / "src", sfx = scratch / "out/setup.exe";
    ASSERT_EQ(Shell("mkdir -p " + Quoted(source) + " " + Quoted(scratch / "out")).exitCode, 0);
    WriteText(source + "/a.txt", "a\n");
    WriteText(sfx, "an older build");
    ASSERT_EQ(RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " + Quoted(source)).exitCode, 0);
    std::vector<WalkedEntry> entries;
    EXPECT_TRUE(WalkLikeTheStub(sfx, entries));
    EXPECT_EQ(FolderNames(scratch / "out"), std::vector<std::string>{"setup.exe"});
}

TEST(FolderOutput, LeavesAnEarlierOutputInsideTheFolderOut) {
    Scratch scratch;
    const std::string source = scratch / "src", sfx = source + "/setup.exe";
    ASSERT_EQ(Shell("mkdir -p " + Quoted(source)).exitCode, 0);
    WriteText(source + "/a.txt", "a\n");
    WriteText(sfx, "an older build");
    ASSERT_EQ(RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " + Quoted(source)).exitCode, 0);
    std::vector<WalkedEntry> entries;
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "a.txt");
}

}  // namespace
