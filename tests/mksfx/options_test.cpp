// The options block: what each option writes, read back through --info with
// the stub's rules, and the limits of its texts.
#include <gtest/gtest.h>

#include "support.h"

using namespace mksfx_test;

namespace {

// A small archive to put behind the stub.
std::string SmallZip(const Scratch& scratch) {
    WriteText(scratch / "setup.exe", "not really a program\n");
    const std::string zip = scratch / "in.zip";
    EXPECT_EQ(Shell("cd " + Quoted(scratch.path()) + " && zip -q in.zip setup.exe").exitCode, 0);
    return zip;
}

struct FlagCase {
    const char* options;
    int flags;  // the byte written; -1: no block at all
    const char* fileList;
    const char* overwrite;
};

const FlagCase FlagCases[] = {
    {"", -1, "offered", "shown, starts on"},
    {"--description 'Demo'", 0x0A, "offered", "shown, starts on"},
    {"--no-file-list", 0x08, "not offered", "shown, starts on"},
    {"--no-overwrite", 0x02, "offered", "shown, starts off"},
    {"--hide-overwrite-switch", 0x0E, "offered", "hidden, starts on"},
    {"--no-overwrite --hide-overwrite-switch", 0x06, "offered", "hidden, starts off"},
    {"--no-file-list --no-overwrite --hide-overwrite-switch", 0x04, "not offered", "hidden, starts off"},
};

void PrintTo(const FlagCase& c, std::ostream* out) { *out << "[" << c.options << "]"; }

class OptionFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(OptionFlags, WriteTheFlagsByteAndReadBackAsTheStubWould) {
    const FlagCase& c = GetParam();
    Scratch scratch;
    const std::string zip = SmallZip(scratch), sfx = scratch / "out.exe";
    const Outcome made = RunMksfx(std::string(c.options) + " --stub " + Quoted(StandInStub()) + " -o " +
                                  Quoted(sfx) + " " + Quoted(zip));
    ASSERT_EQ(made.exitCode, 0) << made.err;

    const std::vector<std::uint8_t> bytes = ReadBytes(sfx);
    const bool block = bytes[32256] == '@' && bytes[32257] == 'K' && bytes[32258] == 'V';
    ASSERT_EQ(block, c.flags >= 0);
    if (block) {
        EXPECT_EQ(bytes[32259], c.flags);
    }
    std::vector<WalkedEntry> entries;
    ASSERT_TRUE(WalkLikeTheStub(sfx, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].offset, block ? 32512u : 32256u);

    const Outcome info = RunMksfx("--info " + Quoted(sfx));
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find(std::string("file list:            ") + c.fileList + "\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(std::string("overwrite switch:     ") + c.overwrite + "\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(block ? "from offset 32512" : "from offset 32256"), std::string::npos) << info.out;
}

INSTANTIATE_TEST_SUITE_P(Table, OptionFlags, ::testing::ValuesIn(FlagCases));

// Flags bytes another packager might write: --info applies the stub's rules
// (bit 0 and bits 5-7 ignored; overwrite on only for bits 3-4 exactly 01).
struct ForeignFlags {
    int flags;
    const char* fileList;
    const char* overwrite;
};

TEST(OptionsInfo, DecodesAnyFlagsByteWithTheStubsRules) {
    Scratch scratch;
    const std::string zip = SmallZip(scratch), sfx = scratch / "out.exe";
    ASSERT_EQ(RunMksfx("--description x --stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " + Quoted(zip)).exitCode, 0);
    std::vector<std::uint8_t> bytes = ReadBytes(sfx);
    for (const ForeignFlags& c : {ForeignFlags{0x00, "not offered", "shown, starts off"},
                                  ForeignFlags{0x01, "not offered", "shown, starts off"},
                                  ForeignFlags{0x1A, "offered", "shown, starts off"},
                                  ForeignFlags{0x10, "not offered", "shown, starts off"},
                                  ForeignFlags{0xEB, "offered", "shown, starts on"},
                                  ForeignFlags{0x0C, "not offered", "hidden, starts on"}}) {
        bytes[32259] = static_cast<std::uint8_t>(c.flags);
        WriteBytes(sfx, bytes);
        const Outcome info = RunMksfx("--info " + Quoted(sfx));
        ASSERT_EQ(info.exitCode, 0) << info.err;
        EXPECT_NE(info.out.find(std::string("file list:            ") + c.fileList + "\n"), std::string::npos)
            << "flags " << c.flags << "\n" << info.out;
        EXPECT_NE(info.out.find(std::string("overwrite switch:     ") + c.overwrite + "\n"), std::string::npos)
            << "flags " << c.flags << "\n" << info.out;
    }
}

TEST(OptionsTexts, AreWrittenInOrderAndShownBack) {
    Scratch scratch;
    const std::string zip = SmallZip(scratch), sfx = scratch / "out.exe";
    const std::string description = "Demo 1.0 - installs the demo";
    const std::string folder = "##";
    const std::string command = "##setup.exe|/S /D=##";
    const Outcome made = RunMksfx("--description " + Quoted(description) + " --folder " + Quoted(folder) + " --run " +
                                  Quoted(command) + " --stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " +
                                  Quoted(zip));
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.err, "");

    const std::vector<std::uint8_t> bytes = ReadBytes(sfx);
    EXPECT_EQ(bytes[32260], description.size());
    EXPECT_EQ(bytes[32261], folder.size());
    EXPECT_EQ(bytes[32262], command.size());
    EXPECT_EQ(std::string(bytes.begin() + 32263, bytes.begin() + 32263 + description.size() + folder.size() + command.size()),
              description + folder + command);

    const Outcome info = RunMksfx("--info " + Quoted(sfx));
    ASSERT_EQ(info.exitCode, 0);
    for (const std::string& line : {"description:          \"" + description + "\"",
                                   std::string("default folder:       \"##\" (the temporary folder)"),
                                   "run after extraction: \"" + command + "\"",
                                   std::string("program:            \"##setup.exe\""),
                                   std::string("parameters:         \"/S /D=##\""),
                                   std::string("setup.exe")})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
}

TEST(OptionsTexts, FillTheBlockExactlyButNotBeyond) {
    Scratch scratch;
    const std::string zip = SmallZip(scratch), sfx = scratch / "out.exe";
    // 7 + 249 = 256: the whole block.
    const std::string full = "--description " + std::string(200, 'd') + " --folder " + std::string(40, 'f') +
                             " --run " + std::string(9, 'r');
    const Outcome made = RunMksfx(full + " --stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) + " " + Quoted(zip));
    ASSERT_EQ(made.exitCode, 0) << made.err;
    std::vector<WalkedEntry> entries;
    EXPECT_TRUE(WalkLikeTheStub(sfx, entries));
    const Outcome info = RunMksfx("--info " + Quoted(sfx));
    EXPECT_NE(info.out.find("\"" + std::string(9, 'r') + "\""), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("warning"), std::string::npos) << info.out;
}

TEST(MissingProgram, IsPointedOutWhenRunNamesNoEntry) {
    Scratch scratch;
    const std::string zip = SmallZip(scratch), sfx = scratch / "out.exe";
    const Outcome made = RunMksfx("--run '##install.exe' --stub " + Quoted(StandInStub()) + " -o " + Quoted(sfx) +
                                  " " + Quoted(zip));
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_NE(made.err.find("warning: --run starts \"##install.exe\", but the archive has no entry \"install.exe\""),
              std::string::npos)
        << made.err;
}

}  // namespace

namespace {

TEST(Info, WarnsWhereTheStubWouldLoseItsWay) {
    // A streamed ZIP simply appended to the stub: the local headers lack the
    // sizes the stub steps by.
    Scratch scratch;
    Shell("mkdir -p " + Quoted(scratch / "src"));
    WriteText(scratch / "src/a.txt", std::string(1000, 'a'));
    WriteText(scratch / "src/b.txt", std::string(1000, 'b'));
    ASSERT_EQ(Shell("python3 " + Quoted(SFX_SOURCE_DIR "/tests/mksfx/make_zip.py") + " tree-pipe " +
                    Quoted(scratch / "pipe.zip") + " " + Quoted(scratch / "src") + " && cat " + Quoted(StandInStub()) +
                    " " + Quoted(scratch / "pipe.zip") + " > " + Quoted(scratch / "naive.exe")).exitCode, 0);
    const Outcome naive = RunMksfx("--info " + Quoted(scratch / "naive.exe"));
    EXPECT_NE(naive.out.find("warning: \"a.txt\" keeps its sizes only in a data descriptor"), std::string::npos)
        << naive.out;

    // Packed by the tool, the same archive walks through.
    ASSERT_EQ(RunMksfx("--stub " + Quoted(StandInStub()) + " -o " + Quoted(scratch / "packed.exe") + " " +
                       Quoted(scratch / "pipe.zip")).exitCode, 0);
    const Outcome packed = RunMksfx("--info " + Quoted(scratch / "packed.exe"));
    EXPECT_EQ(packed.out.find("warning"), std::string::npos) << packed.out;
    EXPECT_NE(packed.out.find("2 entries, 2000 bytes unpacked"), std::string::npos) << packed.out;
}

}  // namespace
