// Every raw Deflate stream zlib makes of a varied corpus, at every level and
// strategy, window size 9..15 and several memory levels, decodes byte-exactly
// with the right CRC-32, ends complete, and reads nothing past its own data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/decode_harness.h"
#include "support/zip_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Next(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

Bytes Text(std::size_t size) {
    static const char* words[] = {"the ", "archive ", "stub ", "extracts ", "entries ", "into ", "a ", "folder, ",
                                  "with ", "their ", "times ", "and ", "attributes. ", "Deflate ", "window ", "\n"};
    Bytes out;
    std::uint32_t s = 12345;
    while (out.size() < size) {
        const char* w = words[Next(s) % 16];
        out.insert(out.end(), w, w + std::strlen(w));
    }
    out.resize(size);
    return out;
}

Bytes Random(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(Next(seed));
    return out;
}

Bytes Runs(std::size_t size) {
    Bytes out;
    std::uint32_t s = 99;
    while (out.size() < size) out.insert(out.end(), 1 + Next(s) % 700, static_cast<std::uint8_t>(Next(s) % 4));
    out.resize(size);
    return out;
}

// Real machine code: the test program's own file.
Bytes Binary(std::size_t size) {
    std::ifstream in("/proc/self/exe", std::ios::binary);
    Bytes out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out.resize(size);
    return out;
}

// Text, binary, random and runs in turn: every kind of block in one stream.
Bytes Mixed(std::size_t size) {
    Bytes out;
    const Bytes parts[] = {Text(20000), Binary(30000), Random(5000, 5), Runs(15000)};
    for (unsigned i = 0; out.size() < size; ++i) out.insert(out.end(), parts[i % 4].begin(), parts[i % 4].end());
    out.resize(size);
    return out;
}

struct Settings {
    int level, windowBits, memLevel, strategy;
    int flush;          // Z_NO_FLUSH, or a flush made every 5000 input bytes
};

Bytes Deflate(const Bytes& plain, const Settings& s) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, s.level, Z_DEFLATED, -s.windowBits, s.memLevel, s.strategy), Z_OK);
    Bytes out(deflateBound(&z, static_cast<uLong>(plain.size())) + 1024 + plain.size() / 100);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    std::size_t pos = 0;
    const std::size_t step = s.flush == Z_NO_FLUSH ? plain.size() + 1 : 5000;
    do {
        const std::size_t piece = std::min(step, plain.size() - pos);
        z.next_in = const_cast<Bytef*>(plain.data() + pos);
        z.avail_in = static_cast<uInt>(piece);
        pos += piece;
        const int mode = pos == plain.size() ? Z_FINISH : s.flush;
        const int ret = deflate(&z, mode);
        EXPECT_TRUE(ret == Z_OK || ret == Z_STREAM_END);
    } while (pos < plain.size());
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

const char* StrategyName(int strategy) {
    switch (strategy) {
        case Z_FILTERED: return "filtered";
        case Z_HUFFMAN_ONLY: return "huffman-only";
        case Z_RLE: return "rle";
        case Z_FIXED: return "fixed";
        default: return "default";
    }
}

const int Strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};

void ExpectRoundTrip(const Bytes& plain, const Settings& s) {
    const Bytes compressed = Deflate(plain, s);
    DecodeSetup setup;
    setup.after = BytesOf("PK\x03\x04");  // the next local header must stay unread
    const DecodedEntry got = DecodeEntryData(compressed, setup);
    const bool sameBytes = got.bytes == plain;
    EXPECT_TRUE(sameBytes && got.crc == Crc32Of(plain) && !got.incomplete &&
                got.consumed == static_cast<std::int64_t>(compressed.size()))
        << plain.size() << " bytes, level " << s.level << ", window bits " << s.windowBits << ", memory level "
        << s.memLevel << ", " << StrategyName(s.strategy) << ", flush " << s.flush << ": "
        << (sameBytes ? "same bytes" : "different bytes") << ", incomplete " << got.incomplete << ", consumed "
        << got.consumed << " of " << compressed.size();
}

struct CorpusItem {
    const char* name;
    Bytes (*make)();
};

class ZlibConformance : public ::testing::TestWithParam<CorpusItem> {};

// Varied content: every level, strategy and window size; memory levels 1 and
// 9 beside the default at the smallest and largest window.
TEST_P(ZlibConformance, EveryLevelStrategyAndWindow) {
    const Bytes plain = GetParam().make();
    for (int level = 0; level <= 9; ++level)
        for (int strategy : Strategies) {
            for (int bits = 9; bits <= 15; ++bits) ExpectRoundTrip(plain, {level, bits, 8, strategy, Z_NO_FLUSH});
            for (int bits : {9, 15})
                for (int mem : {1, 9}) ExpectRoundTrip(plain, {level, bits, mem, strategy, Z_NO_FLUSH});
        }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ZlibConformance,
                         ::testing::Values(CorpusItem{"text", [] { return Text(40000); }},
                                           CorpusItem{"binary", [] { return Binary(40000); }},
                                           CorpusItem{"runs", [] { return Runs(40000); }},
                                           CorpusItem{"mixed", [] { return Mixed(70000); }}),
                         [](const auto& info) { return std::string(info.param.name); });

// Sizes around the window and block boundaries, at every level and strategy.
TEST(ZlibConformanceSizes, AroundWindowAndBlockBoundaries) {
    for (std::size_t size : {0, 1, 2, 257, 32767, 32768, 32769, 65535, 65536, 65537}) {
        const Bytes plain = Mixed(size);
        for (int level = 0; level <= 9; ++level)
            for (int strategy : Strategies)
                for (int bits : {9, 15}) ExpectRoundTrip(plain, {level, bits, 8, strategy, Z_NO_FLUSH});
    }
}

TEST(ZlibConformanceSizes, RandomDataIsStoredOrBarelyCompressed) {
    const Bytes plain = Random(100000, 77);
    for (int level = 0; level <= 9; ++level)
        for (int strategy : Strategies) ExpectRoundTrip(plain, {level, 15, 8, strategy, Z_NO_FLUSH});
}

// Sync, full and partial flushes: empty stored blocks, empty fixed blocks,
// byte alignment in mid-stream, many blocks per entry.
TEST(ZlibConformanceSizes, FlushedStreams) {
    const Bytes plain = Mixed(60000);
    for (int flush : {Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK})
        for (int level : {0, 1, 6, 9})
            for (int strategy : Strategies) ExpectRoundTrip(plain, {level, 15, 8, strategy, flush});
}

TEST(ZlibConformanceSizes, SeveralMegabytes) {
    const Bytes plain = Mixed(3 * 1024 * 1024 + 17);
    for (const Settings& s : {Settings{1, 15, 8, Z_DEFAULT_STRATEGY, Z_NO_FLUSH},
                              Settings{6, 15, 8, Z_DEFAULT_STRATEGY, Z_NO_FLUSH},
                              Settings{9, 15, 9, Z_DEFAULT_STRATEGY, Z_NO_FLUSH},
                              Settings{6, 15, 8, Z_HUFFMAN_ONLY, Z_NO_FLUSH}, Settings{6, 15, 8, Z_RLE, Z_NO_FLUSH},
                              Settings{6, 15, 8, Z_FIXED, Z_NO_FLUSH}, Settings{0, 15, 8, Z_DEFAULT_STRATEGY, Z_NO_FLUSH}})
        ExpectRoundTrip(plain, s);
}

}  // namespace
