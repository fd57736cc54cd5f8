// Traditional decryption against archives made by Info-ZIP (`zip -P`, check
// byte from the modification time, data descriptors) and 7-Zip (ZipCrypto,
// check byte from the CRC), stored and deflated, and the password check's rules.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "archive/extract_state.h"
#include "decode/decode.h"
#include "support/decode_harness.h"
#include "support/fixtures.h"
#include "support/zip_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct SourceFiles {
    ScratchFolder folder;
    std::map<std::string, Bytes> files;
    SourceFiles() {
        std::string text;
        for (int i = 0; text.size() < 90000; ++i) text += "Entry line " + std::to_string(i * 7919 % 1000) + " of the notes.\n";
        Bytes noise(5000);
        std::uint32_t s = 7;
        for (auto& b : noise) b = static_cast<std::uint8_t>(s = s * 1664525u + 1013904223u, s >> 24);
        files["notes.txt"] = BytesOf(text);
        files["noise.bin"] = noise;
        files["empty.txt"] = {};
        for (const auto& [name, bytes] : files) WriteWholeFile(folder / name, bytes);
    }
};

std::string MakeArchive(SourceFiles& src, const std::string& name, const std::string& command) {
    const std::string path = src.folder / name;
    const int status = RunCommand("cd '" + src.folder.path() + "' && " + command + " >/dev/null 2>&1");
    EXPECT_EQ(status, 0) << command;
    return path;
}

struct ArchiveKind {
    const char* name;
    const char* command;  // makes archive.zip of the three files with password "Kovarin-42"
    bool descriptorFlag;  // Info-ZIP sets bit 3 on encrypted entries
};

const ArchiveKind Kinds[] = {
    {"InfoZipDeflated", "zip -q -P Kovarin-42 archive.zip notes.txt noise.bin empty.txt", true},
    {"InfoZipStored", "zip -q -0 -P Kovarin-42 archive.zip notes.txt noise.bin empty.txt", true},
    {"SevenZipDeflated", "7z a -tzip -mem=ZipCrypto -pKovarin-42 archive.zip notes.txt noise.bin empty.txt", false},
    {"SevenZipStored", "7z a -tzip -mx=0 -mem=ZipCrypto -pKovarin-42 archive.zip notes.txt noise.bin empty.txt", false},
};

class EncryptedArchives : public ::testing::TestWithParam<ArchiveKind> {};

TEST_P(EncryptedArchives, RightPasswordDecryptsEveryEntry) {
    SourceFiles src;
    const std::string zip = MakeArchive(src, "archive.zip", GetParam().command);
    const auto outcomes = DecodeArchive(zip, "Kovarin-42");
    ASSERT_EQ(outcomes.size(), 3u);
    for (const auto& o : outcomes) {
        SCOPED_TRACE(o.name);
        ASSERT_TRUE(src.files.count(o.name));
        if (src.files[o.name].empty() && !(o.flags & 1)) continue;  // some tools store empty files unencrypted
        EXPECT_TRUE(o.flags & 1) << "entry not encrypted";
        EXPECT_EQ((o.flags & 8) != 0, GetParam().descriptorFlag);
        EXPECT_TRUE(o.passwordFits);
        EXPECT_EQ(o.decoded.bytes, src.files[o.name]);
        EXPECT_EQ(o.decoded.crc, o.headerCrc);
        EXPECT_FALSE(o.decoded.incomplete);
    }
}

// A wrong password is refused by the check byte, or (one time in 256) passes
// it and then fails the entry's CRC: the entry is never accepted.
TEST_P(EncryptedArchives, WrongPasswordIsRefused) {
    SourceFiles src;
    const std::string zip = MakeArchive(src, "archive.zip", GetParam().command);
    for (const char* wrong : {"kovarin-42", "Kovarin-4", "Kovarin-42 ", "x"}) {
        for (const auto& o : DecodeArchive(zip, wrong)) {
            // An empty file has no data to give a wrong password away: only
            // the check byte guards it, and one password in 256 passes that.
            if (!(o.flags & 1) || o.name == "empty.txt") continue;
            const bool accepted = o.passwordFits && o.decoded.crc == o.headerCrc && !o.decoded.incomplete;
            EXPECT_FALSE(accepted) << o.name << " with " << wrong;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, EncryptedArchives, ::testing::ValuesIn(Kinds),
                         [](const auto& info) { return std::string(info.param.name); });

// The header of an Info-ZIP entry, as read from the archive.
struct RealHeader {
    std::uint8_t bytes[24];
    std::uint32_t timeAndDate;
};

RealHeader ReadInfoZipHeader() {
    SourceFiles src;
    const std::string zip = MakeArchive(src, "one.zip", "zip -q -P Kovarin-42 one.zip notes.txt");
    const Bytes archive = ReadWholeFile(zip);
    RealHeader h{};
    const std::uint16_t nameLength = static_cast<std::uint16_t>(archive[26] | (archive[27] << 8));
    const std::uint16_t extraLength = static_cast<std::uint16_t>(archive[28] | (archive[29] << 8));
    h.timeAndDate = static_cast<std::uint32_t>(archive[10] | (archive[11] << 8) | (archive[12] << 16) | (archive[13] << 24));
    const std::size_t at = 30u + nameLength + extraLength;
    for (int i = 0; i < 12; ++i) h.bytes[i] = h.bytes[12 + i] = archive[at + i];
    return h;
}

TEST(PasswordCheck, CheckByteSourceFollowsFlagBitThree) {
    UseCrcTable();
    RealHeader h = ReadInfoZipHeader();
    const std::uint8_t timeHigh = static_cast<std::uint8_t>(h.timeAndDate >> 8);
    const String password("Kovarin-42");
    // Bit 3: the time's high byte counts, whatever the CRC field holds.
    EXPECT_TRUE(CheckEncryptionHeader(h.bytes, 12, 0x0009, h.timeAndDate, static_cast<std::uint32_t>(timeHigh ^ 0x80) << 24, password));
    // Bit 3 clear: the CRC's high byte counts.
    EXPECT_TRUE(CheckEncryptionHeader(h.bytes, 12, 0x0001, 0, static_cast<std::uint32_t>(timeHigh) << 24, password));
    EXPECT_FALSE(CheckEncryptionHeader(h.bytes, 12, 0x0001, h.timeAndDate,
                                       static_cast<std::uint32_t>(timeHigh ^ 0x80) << 24, password));
}

TEST(PasswordCheck, SecondAttemptOnTheSameBufferMatchesAFirstAttempt) {
    UseCrcTable();
    RealHeader first = ReadInfoZipHeader();
    RealHeader second = first;
    const String right("Kovarin-42");
    ASSERT_TRUE(CheckEncryptionHeader(first.bytes, 12, 0x0009, first.timeAndDate, 0, right));
    const CipherKeyState direct = CipherKeys;

    CheckEncryptionHeader(second.bytes, 12, 0x0009, second.timeAndDate, 0, String("wrong one"));
    ASSERT_TRUE(CheckEncryptionHeader(second.bytes, 12, 0x0009, second.timeAndDate, 0, right));
    EXPECT_EQ(CipherKeys.key0, direct.key0);
    EXPECT_EQ(CipherKeys.key1, direct.key1);
    EXPECT_EQ(CipherKeys.key2, direct.key2);
    EXPECT_EQ(0, std::memcmp(first.bytes, second.bytes, 24)) << "the cipher copy must stay untouched";
}

TEST(PasswordCheck, EmptyPasswordFailsWithoutTouchingKeysOrBuffer) {
    UseCrcTable();
    RealHeader h = ReadInfoZipHeader();
    const RealHeader before = h;
    CipherKeys = {1, 2, 3};
    EXPECT_FALSE(CheckEncryptionHeader(h.bytes, 12, 0x0009, h.timeAndDate, 0, String()));
    EXPECT_EQ(CipherKeys.key0, 1u);
    EXPECT_EQ(CipherKeys.key1, 2u);
    EXPECT_EQ(CipherKeys.key2, 3u);
    EXPECT_EQ(0, std::memcmp(h.bytes, before.bytes, 24));
}

// A streamed entry whose sizes sit only in its data descriptor: the header's
// compressed size and CRC are 0. Decoding gets no data, and that must not pass
// as an empty file.
TEST(EncryptedEntries, SizesOnlyInADescriptorAreNotAnEmptyFile) {
    SourceFiles src;
    const std::string zip = MakeArchive(src, "one.zip", "zip -q -P Kovarin-42 one.zip notes.txt");
    Bytes archive = ReadWholeFile(zip);
    for (int i = 14; i < 22; ++i) archive[i] = 0;  // CRC and compressed size
    WriteWholeFile(zip, archive);
    const auto outcomes = DecodeArchive(zip, "Kovarin-42");
    ASSERT_FALSE(outcomes.empty());
    EXPECT_TRUE(outcomes[0].passwordFits);  // bit 3: the check byte is the time's
    EXPECT_EQ(outcomes[0].decoded.crc, 0u);
    EXPECT_TRUE(outcomes[0].decoded.incomplete);
}

}  // namespace
