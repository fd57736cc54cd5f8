// Taking ZIP archives made by real tools: the output holds the same files,
// and the stub can walk every entry, also those written in streamed form.
#include <gtest/gtest.h>

#include "support.h"

using namespace mksfx_test;

namespace {

struct Maker {
    const char* label;
    // Run inside the source folder; writes the archive to "$OUT".
    const char* command;
    const char* password;  // "" when not encrypted
    bool streamed;         // the maker leaves sizes and CRC to data descriptors
};

const Maker Makers[] = {
    {"InfoZip", "zip -qr \"$OUT\" .", "", false},
    {"InfoZipEncrypted", "zip -qr -P secret \"$OUT\" .", "secret", false},
    {"InfoZipIntoPipeEncrypted", "zip -qr -P secret - . > \"$OUT\"", "secret", true},
    {"SevenZip", "7z a -tzip \"$OUT\" . > /dev/null", "", false},
    {"SevenZipEncrypted", "7z a -tzip -psecret -mem=ZipCrypto \"$OUT\" . > /dev/null", "secret", false},
    {"Python", "python3 \"$TESTS/make_zip.py\" tree \"$OUT\" .", "", false},
    {"PythonIntoPipe", "python3 \"$TESTS/make_zip.py\" tree-pipe \"$OUT\" .", "", true},
    {"Jar", "jar cf \"$OUT\" .", "", true},
    {"Bsdtar", "bsdtar --format zip -cf \"$OUT\" .", "", true},
};

void PrintTo(const Maker& maker, std::ostream* out) { *out << maker.label; }

void MakeSource(const std::string& root) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "row " + std::to_string(i) + "\n";
    ASSERT_EQ(Shell("mkdir -p " + Quoted(root + "/docs/deep") + " " + Quoted(root + "/empty")).exitCode, 0);
    WriteText(root + "/setup.exe", "a program\n");
    WriteText(root + "/docs/read me.txt", text);
    WriteText(root + "/docs/deep/data.bin", std::string(5000, '\x5A') + "end");
    WriteText(root + "/zero.txt", "");
}

class FromTool : public ::testing::TestWithParam<Maker> {
protected:
    void SetUp() override {
        MakeSource(source);
        const Maker& maker = GetParam();
        const std::string command = std::string("cd ") + Quoted(source) + " && OUT=" + Quoted(zip) +
                                    " TESTS=" + Quoted(SFX_SOURCE_DIR "/tests/mksfx") + " && eval " +
                                    Quoted(maker.command);
        const Outcome archived = Shell(command);
        ASSERT_EQ(archived.exitCode, 0) << maker.command << "\n" << archived.err;
        ASSERT_EQ(Shell("unzip -qq " + PasswordFor("-P") + Quoted(zip) + " -d " + Quoted(scratch / "unzipped")).exitCode, 0);
        const Outcome made = RunMksfx("--description 'From a tool' --stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " +
                        Quoted(zip));
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    std::string PasswordFor(const char* option) const {
        const std::string password = GetParam().password;
        return password.empty() ? "" : std::string(option) + Quoted(password) + " ";
    }
    Scratch scratch;
    const std::string source = scratch / "source";
    const std::string zip = scratch / "input.zip";
    const std::string sfx = scratch / "out.exe";
};

TEST_P(FromTool, TheStubWalksEveryFileEntryFrontToBack) {
    std::vector<WalkedEntry> entries;
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries, GetParam().password));
    EXPECT_EQ(entries.front().offset, 32512u);
    std::size_t files = 0, emptyFolders = 0;
    for (const WalkedEntry& entry : entries) {
        // Only an encrypted entry keeps flag bit 3: its password check byte depends on it.
        if (entry.flags & 0x0008) {
            EXPECT_TRUE(entry.flags & 0x0001) << entry.name;
        }
        const std::string& name = entry.name;
        files += name.back() != '/' && name.find("MANIFEST") == std::string::npos;
        emptyFolders += name.size() >= 6 && name.compare(name.size() - 6, 6, "empty/") == 0;
    }
    EXPECT_EQ(files, 4u);
    EXPECT_EQ(emptyFolders, 1u);
    if (GetParam().streamed) {
        // The input really has entries whose local headers lack their sizes.
        const Outcome listed = Shell("zipinfo -v " + Quoted(zip));
        EXPECT_NE(listed.out.find("extended local header:                          yes"), std::string::npos);
    }
}

TEST_P(FromTool, IsAValidZipForUnzipAnd7zWithTheSameFiles) {
    const Outcome tested = Shell("unzip -t " + PasswordFor("-P") + Quoted(sfx));
    EXPECT_EQ(tested.exitCode, 0) << tested.out << tested.err;
    EXPECT_EQ(tested.out.find("warning"), std::string::npos) << tested.out;
    EXPECT_EQ(tested.err, "");
    const Outcome seven = Shell("7z t " + PasswordFor("-p") + Quoted(sfx));
    EXPECT_EQ(seven.exitCode, 0) << seven.out << seven.err;
    EXPECT_EQ(seven.out.find("WARNING"), std::string::npos) << seven.out;

    ASSERT_EQ(Shell("unzip -qq " + PasswordFor("-P") + Quoted(sfx) + " -d " + Quoted(scratch / "from-sfx")).exitCode, 0);
    EXPECT_EQ(Tree(scratch / "from-sfx", true), Tree(scratch / "unzipped", true));
}

TEST_P(FromTool, ExtractsWithSfxExtractLikeUnzip) {
    const std::string tool = SfxExtractTool();
    if (tool.empty()) GTEST_SKIP() << "sfx-extract is not built yet";
    const Outcome extracted =
        Shell(Quoted(tool) + " " + PasswordFor("--password ") + Quoted(sfx) + " " + Quoted(scratch / "extracted"));
    ASSERT_EQ(extracted.exitCode, 0) << extracted.out << extracted.err;
    EXPECT_EQ(Tree(scratch / "extracted", true), Tree(scratch / "unzipped", true));
}

INSTANTIATE_TEST_SUITE_P(Table, FromTool, ::testing::ValuesIn(Makers),
                         [](const ::testing::TestParamInfo<Maker>& info) { return std::string(info.param.label); });

TEST(FromPipe, EncryptedStreamedEntriesKeepTheFlagTheirPasswordCheckDependsOn) {
    Scratch scratch;
    MakeSource(scratch / "source");
    const std::string zip = scratch / "in.zip", sfx = scratch / "out.exe";
    ASSERT_EQ(Shell("cd " + Quoted(scratch / "source") + " && zip -qr -P secret - . > " + Quoted(zip)).exitCode, 0);
    ASSERT_EQ(RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " + Quoted(zip)).exitCode, 0);
    std::vector<WalkedEntry> entries;
    // The check byte of each entry fits the flags the stub reads: the time's
    // high byte with bit 3, the CRC's without.
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries, "secret"));
    std::size_t streamed = 0;
    for (const WalkedEntry& entry : entries) streamed += (entry.flags & 0x0009) == 0x0009 && entry.descriptorBehind;
    EXPECT_GT(streamed, 0u);
    // A wrong password fails that check, so the check is not idle.
    EXPECT_FALSE(WalkLikeTheStub(sfx, entries, "wrong"));
}

TEST(FromSfx, AnExistingSelfExtractorCanBePackedAgainWithOtherOptions) {
    Scratch scratch;
    MakeSource(scratch / "source");
    ASSERT_EQ(RunMksfx("--description one --stub " + Quoted(StandInStub()) + " -o " + Quoted(scratch / "first.exe") +
                       " " + Quoted(scratch / "source")).exitCode, 0);
    const Outcome again = RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(scratch / "second.exe") + " " +
                                   Quoted(scratch / "first.exe"));
    ASSERT_EQ(again.exitCode, 0) << again.err;
    std::vector<WalkedEntry> first, second;
    ASSERT_TRUE(WalkLikeTheStub(scratch / "first.exe", first));
    ASSERT_TRUE(WalkLikeTheStub(scratch / "second.exe", second));
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(second.front().offset, 32256u);
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i].crc, second[i].crc);
}

}  // namespace
