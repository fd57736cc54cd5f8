#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "startup/options.h"
#include "support/fixtures.h"

namespace {

std::vector<std::uint8_t> Block(std::uint8_t flags, const std::string& description, const std::string& folder,
                                const std::string& command) {
    std::vector<std::uint8_t> block = {'@', 'K', 'V', flags, static_cast<std::uint8_t>(description.size()),
                                       static_cast<std::uint8_t>(folder.size()),
                                       static_cast<std::uint8_t>(command.size())};
    for (const std::string* text : {&description, &folder, &command})
        for (char c : *text) block.push_back(static_cast<std::uint8_t>(c));
    block.resize(256, 0);
    return block;
}

// Writes an SFX with the given bytes behind the image and reads its options.
void ReadOptionsOf(const ScratchFolder& scratch, const std::vector<std::uint8_t>& behindImage) {
    const std::string path = scratch / "test.exe";
    std::vector<std::uint8_t> image(StubImageSize, 0x4D);
    for (std::uint8_t byte : behindImage) image.push_back(byte);
    WriteWholeFile(path, image);
    OpenedSelfImage self(path);
    ReadOptions();
}

const std::vector<std::uint8_t> LocalHeaderStart = {'P', 'K', 3, 4, 20, 0, 0, 0};

}  // namespace

TEST(OptionsBlock, WithoutBlockTheDefaultsStandAndTheArchiveFollowsTheImage) {
    ScratchFolder scratch;
    ReadOptionsOf(scratch, LocalHeaderStart);
    EXPECT_EQ(ArchiveBase, 32256u);
    EXPECT_TRUE(StubOptions.allowFileList);
    EXPECT_FALSE(StubOptions.hideOverwriteSwitch);
    EXPECT_EQ(StubOptions.overwriteCheckId, 501);
    EXPECT_TRUE(StubOptions.overwriteDefault);
    EXPECT_FALSE(StubOptions.hasDescription || StubOptions.hasDefaultFolder || StubOptions.hasLaunchCommand);
    EXPECT_STREQ(StubOptions.description, "");
    EXPECT_STREQ(StubOptions.defaultFolder, "");
    EXPECT_STREQ(StubOptions.launchCommand, "");
}

TEST(OptionsBlock, FlagsByteDecodesAsTheStubDialogsExpect) {
    struct Case {
        std::uint8_t flags;
        bool allowFileList, hideSwitch, overwrite;
    };
    const Case cases[] = {
        {0x00, false, false, false}, {0x0A, true, false, true},  {0x02, true, false, false},
        {0x1A, true, false, false},  {0x01, false, false, false}, {0x12, true, false, false},
        {0x0C, false, true, true},   {0x06, true, true, false},   {0xE9, false, false, true},
    };
    ScratchFolder scratch;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << int(c.flags));
        ReadOptionsOf(scratch, Block(c.flags, "", "", ""));
        EXPECT_EQ(ArchiveBase, 32512u);
        EXPECT_EQ(StubOptions.allowFileList, c.allowFileList);
        EXPECT_EQ(StubOptions.hideOverwriteSwitch, c.hideSwitch);
        EXPECT_EQ(StubOptions.overwriteDefault, c.overwrite);
        EXPECT_EQ(StubOptions.overwriteCheckId, c.overwrite ? 501 : 502);
    }
}

TEST(OptionsBlock, TextsAreReadInOrderAndTerminated) {
    ScratchFolder scratch;
    ReadOptionsOf(scratch, Block(0x0A, "Demo package", "C:\\Program Files\\Demo", "##setup.exe|-q"));
    EXPECT_TRUE(StubOptions.hasDescription);
    EXPECT_STREQ(StubOptions.description, "Demo package");
    EXPECT_TRUE(StubOptions.hasDefaultFolder);
    EXPECT_STREQ(StubOptions.defaultFolder, "C:\\Program Files\\Demo");
    EXPECT_TRUE(StubOptions.hasLaunchCommand);
    EXPECT_STREQ(StubOptions.launchCommand, "##setup.exe|-q");

    // A later block without texts leaves none of the earlier ones behind.
    ReadOptionsOf(scratch, Block(0x0A, "", "", ""));
    EXPECT_STREQ(StubOptions.description, "");
    EXPECT_STREQ(StubOptions.defaultFolder, "");
    EXPECT_STREQ(StubOptions.launchCommand, "");
}

TEST(OptionsBlock, FolderMarkerAloneMeansTheTemporaryFolder) {
    ScratchFolder scratch;
    setenv("TMP", scratch.path().c_str(), 1);
    ReadOptionsOf(scratch, Block(0x0A, "", "##", ""));
    EXPECT_EQ(std::string(StubOptions.defaultFolder), scratch.path() + "/");
    unsetenv("TMP");

    for (const char* folder : {"##x", "#", "x##"}) {
        ReadOptionsOf(scratch, Block(0x0A, "", folder, ""));
        EXPECT_STREQ(StubOptions.defaultFolder, folder);
    }
}

TEST(OptionsBlock, MagicIsComparedByteForByte) {
    ScratchFolder scratch;
    for (const std::vector<std::uint8_t>& magic :
         {std::vector<std::uint8_t>{'@', 'k', 'v', 0x0A}, std::vector<std::uint8_t>{'@', 'K', 0, 0x0A},
          std::vector<std::uint8_t>{'@', 'K'}}) {
        ReadOptionsOf(scratch, magic);
        EXPECT_EQ(ArchiveBase, 32256u);
        EXPECT_TRUE(StubOptions.allowFileList);
    }
}

TEST(OptionsBlock, ImageEndingInsideTheBlockReadsMissingBytesAsZero) {
    ScratchFolder scratch;
    // The description claims 200 bytes but the file ends after 5 of them.
    ReadOptionsOf(scratch, {'@', 'K', 'V', 0x0A, 200, 3, 0, 'H', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(ArchiveBase, 32512u);
    EXPECT_TRUE(StubOptions.hasDescription);
    EXPECT_STREQ(StubOptions.description, "Hello");
    EXPECT_STREQ(StubOptions.defaultFolder, "");
    EXPECT_TRUE(StubOptions.overwriteDefault);
}
