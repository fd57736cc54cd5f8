// The stored copy and the output path shared by both decoders: chunking,
// the entry's exact extent in the SelfImage, a SelfImage that ends early and
// output that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/decode_harness.h"
#include "support/zip_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size) {
    Bytes out(size);
    std::uint32_t s = 2463534242u;
    for (auto& b : out) {
        s ^= s << 13, s ^= s >> 17, s ^= s << 5;
        b = static_cast<std::uint8_t>(s);
    }
    return out;
}

TEST(StoredCopy, CopiesExactlyTheEntryAndLeavesTheNextHeaderUnread) {
    for (std::size_t size : {1, 100, 32767, 32768, 32769, 65536, 100000}) {
        const Bytes plain = Pattern(size);
        DecodeSetup setup;
        setup.method = 0;
        setup.after = BytesOf("PK\x03\x04 next");
        const DecodedEntry got = DecodeEntryData(plain, setup);
        EXPECT_EQ(got.bytes, plain) << size;
        EXPECT_EQ(got.crc, Crc32Of(plain)) << size;
        EXPECT_FALSE(got.incomplete) << size;
        EXPECT_EQ(got.consumed, static_cast<std::int64_t>(size)) << size;
    }
}

TEST(StoredCopy, EmptyEntryWritesNothingAndHasTheEmptyCrc) {
    DecodeSetup setup;
    setup.method = 0;
    setup.after = BytesOf("PK\x03\x04");
    const DecodedEntry got = DecodeEntryData({}, setup);
    EXPECT_TRUE(got.bytes.empty());
    EXPECT_EQ(got.crc, 0u);
    EXPECT_FALSE(got.incomplete);
    EXPECT_EQ(got.consumed, 0);
}

// The header promises more than the SelfImage holds: the bytes that exist are
// written, the copy ends, and the entry is incomplete.
TEST(StoredCopy, SelfImageEndingInsideTheEntry) {
    const Bytes plain = Pattern(40000);
    DecodeSetup setup;
    setup.method = 0;
    setup.remainingInput = 90000;
    const DecodedEntry got = DecodeEntryData(plain, setup);
    EXPECT_EQ(got.bytes, plain);
    EXPECT_TRUE(got.incomplete);
}

// A deflated entry whose data the SelfImage cuts short.
TEST(DeflateFeed, SelfImageEndingInsideTheEntry) {
    const Bytes plain = Pattern(50000);
    const Bytes compressed = DeflateRaw(plain, 6);
    const Bytes cut(compressed.begin(), compressed.begin() + compressed.size() / 2);
    DecodeSetup setup;
    setup.remainingInput = static_cast<std::int64_t>(compressed.size());
    const DecodedEntry got = DecodeEntryData(cut, setup);
    EXPECT_TRUE(got.incomplete);
    ASSERT_LE(got.bytes.size(), plain.size());
    EXPECT_TRUE(std::equal(got.bytes.begin(), got.bytes.end(), plain.begin())) << "output up to the cut is exact";
}

// Disk full: a failed write must fail the entry even where the CRC, taken over
// the bytes produced, would match.
TEST(OutputPath, FailedWritesMakeTheEntryIncomplete) {
    const Bytes plain = Pattern(70000);
    for (std::uint16_t method : {0, 8}) {
        DecodeSetup setup;
        setup.method = method;
        setup.outputPath = "/dev/full";
        const DecodedEntry got = DecodeEntryData(method == 0 ? plain : DeflateRaw(plain, 6), setup);
        EXPECT_TRUE(got.incomplete) << "method " << method;
    }
}

}  // namespace
