#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/extract_state.h"
#include "archive/records.h"
#include "platform/platform.h"
#include "startup/options.h"
#include "startup/startup.h"
#include "support/fixtures.h"
#include "support/zip_builder.h"

namespace {

struct WalkedEntry {
    std::string name;
    std::int32_t start;
    std::int32_t remainingInput;
};

// The walk as the extraction driver runs it: header, name, then a seek to the
// next entry by the header's sizes alone.
std::vector<WalkedEntry> Walk() {
    LocalHeaderSignature = 0x04034B51u - 1;
    std::vector<WalkedEntry> entries;
    SeekArchive(static_cast<std::int32_t>(ArchiveBase), SeekFromStart);
    while (ReadLocalEntry()) {
        const std::int32_t start = ArchivePosition;
        std::string name(CurrentHeader.nameLength, '\0');
        ReadSelfImage(&name[0], CurrentHeader.nameLength);
        entries.push_back({name, start, RemainingInput});
        SeekArchive(start + 30 + CurrentHeader.nameLength + CurrentHeader.extraLength +
                        static_cast<std::int32_t>(CurrentHeader.compressedSize),
                    SeekFromStart);
    }
    return entries;
}

std::uint32_t CurrentPosition() { return SetFilePointer(SelfImageHandle, 0, nullptr, FILE_CURRENT); }

class ArchiveWalk : public testing::Test {
protected:
    void Open(const std::vector<std::uint8_t>& archive) {
        path_ = scratch_ / "walk.exe";
        WriteWholeFile(path_, MakeSelfImage(archive));
        self_ = std::make_unique<OpenedSelfImage>(path_);
        ReadOptions();
    }
    ScratchFolder scratch_;
    std::string path_;
    std::unique_ptr<OpenedSelfImage> self_;
};

}  // namespace

TEST_F(ArchiveWalk, ListsEveryEntryOfAnInfoZipArchiveAndStopsAtTheCentralDirectory) {
    WriteWholeFile(scratch_ / "a.txt", std::string("alpha\n"));
    RunCommand("mkdir -p '" + scratch_.path() + "/sub' && printf 'beta beta beta beta\\n' > '" + scratch_.path() +
               "/sub/b.txt'");
    ASSERT_EQ(RunCommand("cd '" + scratch_.path() + "' && zip -q -X -r in.zip a.txt sub"), 0);
    Open(ReadWholeFile(scratch_ / "in.zip"));

    const std::vector<WalkedEntry> entries = Walk();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_EQ(entries[0].start, 32256);
    EXPECT_EQ(entries[1].name, "sub/");
    EXPECT_EQ(entries[2].name, "sub/b.txt");
    std::uint8_t signature[4];
    ASSERT_EQ(ReadSelfImage(signature, 4), 4u);
    EXPECT_EQ(ReadLe32(signature), 0x02014B50u) << "the walk leaves the file at the first central record";
}

TEST_F(ArchiveWalk, DataDescriptorsBetweenEntriesAreSkipped) {
    ZipEntry first = StoredEntry("first.txt", "one");
    first.flags = FlagDataDescriptor;
    first.descriptorBehind = true;
    ZipEntry second = StoredEntry("second.txt", "two");
    second.descriptorBehind = true;
    const std::vector<std::uint8_t> archive = BuildZip({first, second, StoredEntry("third.txt", "three")});
    Open(archive);

    const std::vector<WalkedEntry> entries = Walk();
    ASSERT_EQ(entries.size(), 3u);
    const std::int32_t secondStart = 32256 + 30 + 9 + 3 + 16;
    EXPECT_EQ(entries[1].name, "second.txt");
    EXPECT_EQ(entries[1].start, secondStart) << "the entry starts behind the descriptor";
    EXPECT_EQ(entries[2].start, secondStart + 30 + 10 + 3 + 16);
}

TEST_F(ArchiveWalk, ExtraFieldIsSteppedOverAndZeroedSignatureAccepted) {
    ZipEntry withExtra = StoredEntry("x.txt", "payload");
    withExtra.extra = {0x55, 0x54, 0x05, 0x00, 0x03, 1, 2, 3, 4};
    ZipEntry zeroed = StoredEntry("zeroed.txt", "z");
    zeroed.signature = ZeroedLocalSignature;
    Open(BuildZip({withExtra, zeroed}));

    const std::vector<WalkedEntry> entries = Walk();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].remainingInput, 7);
    EXPECT_EQ(entries[1].name, "zeroed.txt");
    EXPECT_EQ(entries[1].start, 32256 + 30 + 5 + 9 + 7);
}

TEST_F(ArchiveWalk, NoLocalHeaderAtTheBaseYieldsNothingAndKeepsThePosition) {
    Open(std::vector<std::uint8_t>{'P', 'K', 1, 2, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(Walk().empty());
    EXPECT_EQ(CurrentPosition(), 32256u);
}

TEST_F(ArchiveWalk, HeaderCutShortByTheEndOfTheFileIsNoEntry) {
    std::vector<std::uint8_t> archive = BuildZip({StoredEntry("a.txt", "a")});
    archive.resize(20);  // a local signature, then the file ends inside the header
    Open(archive);
    EXPECT_TRUE(Walk().empty());
    EXPECT_EQ(CurrentPosition(), 32256u);
}

TEST_F(ArchiveWalk, SizesOnlyInADescriptorEndTheWalkAtThatEntrysData) {
    ZipEntry streamed = StoredEntry("streamed.txt", "PK data that is not a header");
    streamed.flags = FlagDataDescriptor;
    streamed.sizesOnlyInDescriptor = true;
    Open(BuildZip({streamed, StoredEntry("later.txt", "never reached")}));

    const std::vector<WalkedEntry> entries = Walk();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].remainingInput, 0);
    EXPECT_EQ(CurrentPosition(), 32256u + 30 + 12);
}

TEST_F(ArchiveWalk, FailedSeekMarksThePositionInvalid) {
    Open(BuildZip({StoredEntry("a.txt", "a")}));
    SeekArchive(-5, SeekFromStart);
    EXPECT_EQ(ArchivePosition, -1);
    SeekArchive(100, SeekFromStart);
    EXPECT_EQ(ArchivePosition, 100);
    SeekArchive(28, SeekFromCurrent);
    EXPECT_EQ(ArchivePosition, 128);
}
