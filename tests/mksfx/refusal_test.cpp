// What the stub could not extract is refused with a message that names the
// entry and the reason, and nothing is left behind: no output, no temporary
// file, an existing output untouched.
#include <gtest/gtest.h>

#include "support.h"

using namespace mksfx_test;

namespace {

struct Refusal {
    const char* label;
    // Run in a scratch folder holding "big.txt"; writes the input to in.zip.
    std::string makeInput;
    std::string options;
    std::vector<std::string> expected;  // parts of the message
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.label; }

const std::string MakeZip = "python3 \"$TESTS/make_zip.py\" ";

std::vector<Refusal> Refusals() {
    return {
        {"Bzip2Method", "zip -q -Z bzip2 in.zip big.txt", "",
         {"entry \"big.txt\"", "bzip2 (method 12)", "only stored (0) and deflated (8)"}},
        {"Zip64ExtraField", MakeZip + "zip64 in.zip", "", {"entry \"big.txt\"", "Zip64"}},
        {"Zip64EndRecords", "zip -q -fz in.zip big.txt", "", {"Zip64"}},
        {"AesEncryption", "7z a -tzip -psecret -mem=AES256 in.zip big.txt >/dev/null", "",
         {"entry \"big.txt\"", "AES encryption"}},
        {"StrongEncryption", MakeZip + "strong in.zip", "", {"entry \"secret.txt\"", "strong encryption"}},
        {"NameTooLong", MakeZip + "name in.zip " + std::string(256, 'n'), "",
         {"entry \"" + std::string(256, 'n') + "\"", "256 bytes long; at most 255"}},
        {"ParentComponent", MakeZip + "name in.zip 'docs/../../evil.txt'", "",
         {"entry \"docs/../../evil.txt\"", "\"..\" component"}},
        {"BackslashParentComponent", MakeZip + "name in.zip 'docs\\..\\..\\evil.txt'", "",
         {"\"..\" component"}},
        {"LeadingSlash", MakeZip + "name in.zip /etc/evil.txt", "",
         {"entry \"/etc/evil.txt\"", "begins with a separator"}},
        {"LeadingBackslash", MakeZip + "name in.zip '\\evil.txt'", "",
         {"entry \"\\evil.txt\"", "begins with a separator"}},
        {"DriveDesignator", MakeZip + "name in.zip C:/evil.txt", "", {"entry \"C:/evil.txt\"", "colon"}},
        {"Wildcard", MakeZip + "name in.zip 'docs/*.txt'", "", {"entry \"docs/*.txt\"", "\"*\", which Windows file names cannot hold"}},
        {"PipeInName", MakeZip + "name in.zip 'a|b.txt'", "", {"entry \"a|b.txt\"", "\"|\", which Windows"}},
        {"FolderEntryWithData", MakeZip + "name in.zip 'docs/'", "", {"entry \"docs/\"", "ends in a separator, yet it holds data"}},
        {"ColonInName", MakeZip + "name in.zip 'notes:stream.txt'", "", {"notes:stream.txt", "colon"}},
        {"EmptyName", MakeZip + "name in.zip ''", "", {"entry \"\"", "the name is empty"}},
        {"BeyondTwoGiB", MakeZip + "beyond-2gib in.zip", "", {"in.zip", "past 2 GiB"}},
        {"DamagedData", MakeZip + "damaged in.zip", "", {"entry \"damaged.txt\"", "does not match its CRC-32"}},
        {"NotAZip", "cp big.txt in.zip", "", {"in.zip", "is not a ZIP archive"}},
        {"DescriptionTooLong", "zip -q in.zip big.txt", "--description " + std::string(256, 'd'),
         {"--description is 256 bytes long", "at most 255"}},
        {"FolderTooLong", "zip -q in.zip big.txt", "--folder " + std::string(256, 'f'),
         {"--folder is 256 bytes long", "at most 255"}},
        {"TextsBeyondTheBlock", "zip -q in.zip big.txt",
         "--description " + std::string(100, 'd') + " --folder " + std::string(100, 'f') + " --run " + std::string(50, 'r'),
         {"250 bytes together", "at most 249"}},
        {"StubOfTheWrongSize", "zip -q in.zip big.txt; head -c 1000 big.txt > small-stub.exe", "--stub small-stub.exe",
         {"small-stub.exe is 1000 bytes long", "exactly 32256"}},
        {"StubMissing", "zip -q in.zip big.txt", "--stub no-such-stub.exe", {"no-such-stub.exe", "is not there"}},
    };
}

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, WithItsReasonAndNothingLeftBehind) {
    const Refusal& refusal = GetParam();
    Scratch scratch;
    WriteText(scratch / "big.txt", std::string(3000, 'b'));
    const Outcome made = Shell("cd " + Quoted(scratch.path()) + " && TESTS=" + Quoted(SFX_SOURCE_DIR "/tests/mksfx") +
                             " && " + refusal.makeInput);
    ASSERT_EQ(made.exitCode, 0) << refusal.makeInput << "\n" << made.err;
    ASSERT_EQ(Shell("mkdir " + Quoted(scratch / "out")).exitCode, 0);

    for (const bool earlierOutput : {false, true}) {
        if (earlierOutput) WriteText(scratch / "out/setup.exe", "an older build");
        const std::string stub = refusal.options.find("--stub") == std::string::npos
                                     ? " --stub " + Quoted(StandInStub())
                                     : "";
        const Outcome outcome = Shell("cd " + Quoted(scratch.path()) + " && " + Quoted(MKSFX_PATH) + " " +
                                    refusal.options + stub + " -o out/setup.exe in.zip");
        EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
        for (const std::string& part : refusal.expected) EXPECT_NE(outcome.err.find(part), std::string::npos) << part << "\n" << outcome.err;
        EXPECT_EQ(outcome.err.rfind("mksfx: ", 0), 0u) << outcome.err;
        if (earlierOutput) {
            EXPECT_EQ(FolderNames(scratch / "out"), std::vector<std::string>{"setup.exe"});
            const std::vector<std::uint8_t> kept = ReadBytes(scratch / "out/setup.exe");
            EXPECT_EQ(std::string(kept.begin(), kept.end()), "an older build");
        } else {
            EXPECT_TRUE(FolderNames(scratch / "out").empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Refused, ::testing::ValuesIn(Refusals()),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.label); });

TEST(RefusedFolder, NamesEveryFileTheStubCouldNotWrite) {
    Scratch scratch;
    ASSERT_EQ(Shell("mkdir -p " + Quoted(scratch / "src/sub")).exitCode, 0);
    WriteText(scratch / "src/fine.txt", "fine\n");
    WriteText(scratch / "src/sub/a:b.txt", "colon\n");
    WriteText(scratch / "src/what?.txt", "a wildcard\n");
    WriteText(scratch / "src/" + std::string(200, 'x'), "");
    WriteText(scratch / "src/sub/" + std::string(252, 'y'), "long\n");
    const Outcome outcome = RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(scratch / "out.exe") + " " +
                                     Quoted(scratch / "src"));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find("\"sub/a:b.txt\": the name holds a colon"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("\"sub/" + std::string(252, 'y') + "\": the name is 256 bytes long"), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("\"what?.txt\": the name holds \"?\""), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("fine.txt"), std::string::npos);
    EXPECT_EQ(FolderNames(scratch.path()), std::vector<std::string>{"src"});
}

struct Misuse {
    const char* arguments;
    const char* expected;
};

TEST(Usage, BadCommandLinesExitWith2AndSayWhy) {
    Scratch scratch;
    WriteText(scratch / "in.zip", "");
    for (const Misuse& misuse : {Misuse{"", "no INPUT given"}, Misuse{"in.zip", "no output given"},
                                 Misuse{"--frobnicate -o x.exe in.zip", "unknown option --frobnicate"},
                                 Misuse{"-o x.exe in.zip other.zip", "more than one INPUT"},
                                 Misuse{"-o x.exe --level 9 in.zip", "--level applies only when packing a folder"},
                                 Misuse{"-o x.exe --level 10 .", "--level takes a number from 0 to 9"},
                                 Misuse{"-o x.exe --description", "--description needs a value"},
                                 Misuse{"-o x.exe no-such-input", "neither a .zip file nor a folder"},
                                 Misuse{"--info in.zip", "too short for a self-extractor"}}) {
        const Outcome outcome = Shell("cd " + Quoted(scratch.path()) + " && " + Quoted(MKSFX_PATH) + " " + misuse.arguments);
        EXPECT_EQ(outcome.exitCode, 2) << misuse.arguments;
        EXPECT_NE(outcome.err.find(misuse.expected), std::string::npos) << misuse.arguments << "\n" << outcome.err;
        EXPECT_FALSE(Exists(scratch / "x.exe"));
    }
}

TEST(Usage, HelpAndVersion) {
    const Outcome help = RunMksfx("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("mksfx [options] -o OUTPUT.exe INPUT"), std::string::npos);
    EXPECT_NE(help.out.find("--hide-overwrite-switch"), std::string::npos);
    const Outcome version = RunMksfx("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("mksfx ", 0), 0u) << version.out;
}

TEST(DefaultStub, IsTheSfxExeBesideTheTool) {
    Scratch scratch;
    ASSERT_EQ(Shell("mkdir -p " + Quoted(scratch / "bin") + " " + Quoted(scratch / "src") + " && cp " + Quoted(MKSFX_PATH) +
                  " " + Quoted(scratch / "bin/mksfx")).exitCode, 0);
    WriteText(scratch / "src/a.txt", "a\n");
    const std::string pack = "cd " + Quoted(scratch.path()) + " && bin/mksfx -o out.exe src";

    const Outcome without = Shell(pack);
    EXPECT_EQ(without.exitCode, 2);
    EXPECT_NE(without.err.find("bin/sfx.exe is not there"), std::string::npos) << without.err;
    EXPECT_NE(without.err.find("--stub"), std::string::npos) << without.err;

    ASSERT_EQ(Shell("cp " + Quoted(StandInStub()) + " " + Quoted(scratch / "bin/sfx.exe")).exitCode, 0);
    const Outcome with = Shell(pack);
    ASSERT_EQ(with.exitCode, 0) << with.err;
    const std::vector<std::uint8_t> stub = ReadBytes(StandInStub()), made = ReadBytes(scratch / "out.exe");
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), made.begin()));
}

}  // namespace
