// The Deflate decoder on small hand-made streams, one row per behaviour or
// fault: block types, copies around the window, the extremes of the dynamic
// header, invalid symbols, unusable codes and input that runs out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/decode_harness.h"
#include "support/zip_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- writers --

void PutFixedSymbol(BitWriter& w, unsigned symbol) {
    if (symbol < 144) w.PutCode(0x30 + symbol, 8);
    else if (symbol < 256) w.PutCode(0x190 + symbol - 144, 9);
    else if (symbol < 280) w.PutCode(symbol - 256, 7);
    else w.PutCode(0xC0 + symbol - 280, 8);
}

const unsigned LengthBases[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned LengthExtras[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned DistBases[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned DistExtras[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// A length/distance pair with the fixed codes.
void PutFixedCopy(BitWriter& w, unsigned length, unsigned distance) {
    unsigned s = 28;
    while (LengthBases[s] > length || (s == 28 && length != 258)) --s;
    PutFixedSymbol(w, 257 + s);
    w.Put(length - LengthBases[s], LengthExtras[s]);
    unsigned d = 29;
    while (DistBases[d] > distance) --d;
    w.PutCode(d, 5);
    w.Put(distance - DistBases[d], DistExtras[d]);
}

void PutFixedText(BitWriter& w, const std::string& text) {
    for (unsigned char c : text) PutFixedSymbol(w, c);
}

void PutHeader(BitWriter& w, bool last, unsigned type) {
    w.Put(last ? 1 : 0, 1);
    w.Put(type, 2);
}

void PutStored(BitWriter& w, bool last, const Bytes& data, int nlen = -1) {
    PutHeader(w, last, 0);
    w.AlignToByte();
    w.Put(static_cast<std::uint32_t>(data.size()), 16);
    w.Put(nlen < 0 ? static_cast<std::uint32_t>(~data.size() & 0xFFFF) : static_cast<std::uint32_t>(nlen), 16);
    for (std::uint8_t b : data) w.PutByte(b);
}

// A prefix code given by its lengths, for writing symbols.
struct Code {
    std::vector<unsigned> lengths;
    std::vector<std::uint32_t> codes;
    explicit Code(std::vector<unsigned> l) : lengths(std::move(l)), codes(CanonicalCodes(lengths)) {}
    void Put(BitWriter& w, unsigned symbol) const { w.PutCode(codes.at(symbol), lengths.at(symbol)); }
};

// A dynamic header whose code-length code is `clLengths` (19 lengths, by
// symbol); the caller then writes the code-length symbols itself.
void PutCodeLengthCode(BitWriter& w, bool last, unsigned hlit, unsigned hdist, const std::vector<unsigned>& clLengths) {
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    PutHeader(w, last, 2);
    w.Put(hlit - 257, 5);
    w.Put(hdist - 1, 5);
    w.Put(19 - 4, 4);
    for (unsigned symbol : order) w.Put(clLengths[symbol], 3);
}

std::vector<unsigned> LitLengths(unsigned count, std::vector<std::pair<unsigned, unsigned>> set) {
    std::vector<unsigned> lengths(count, 0);
    for (auto [symbol, len] : set) lengths[symbol] = len;
    return lengths;
}

// Literal/length lengths of a complete code over all 288 symbols (224 of 8
// bits, 64 of 9), so that 286 and 287 have codes.
std::vector<unsigned> FullLiteralLengths() {
    std::vector<unsigned> lengths(288, 8);
    for (unsigned s = 0; s < 64; ++s) lengths[s] = 9;
    return lengths;
}

// Applies literals and copies as RFC 1951 defines them, for expected output.
struct Reference {
    Bytes out;
    void Text(const std::string& t) { out.insert(out.end(), t.begin(), t.end()); }
    void Copy(unsigned length, unsigned distance) {
        for (unsigned i = 0; i < length; ++i) {
            const std::size_t from = out.size() >= distance ? out.size() - distance : SIZE_MAX;
            out.push_back(from == SIZE_MAX ? 0 : out[from]);
        }
    }
};

Bytes Pattern(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    for (auto& b : out) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    return out;
}

// ------------------------------------------------------------------ cases --

struct StreamCase {
    const char* name;
    std::function<void(BitWriter&, Reference&)> build;
    bool incomplete;
};

const StreamCase Cases[] = {
    {"final empty fixed block", [](BitWriter& w, Reference&) { PutHeader(w, true, 1); PutFixedSymbol(w, 256); },
     false},
    {"no compressed data at all", [](BitWriter&, Reference&) {}, true},
    {"block type 3 marked last ends the entry",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, false, 1); PutFixedText(w, "AB"); PutFixedSymbol(w, 256); r.Text("AB");
         PutHeader(w, true, 3);
     }, false},
    {"block type 3 not last: the next block follows",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, false, 3); PutHeader(w, true, 1); PutFixedText(w, "C"); PutFixedSymbol(w, 256); r.Text("C");
     }, false},
    {"two fixed blocks: the second reuses the tables",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, false, 1); PutFixedText(w, "ab"); PutFixedCopy(w, 4, 2); PutFixedSymbol(w, 256);
         PutHeader(w, true, 1); PutFixedText(w, "c"); PutFixedCopy(w, 5, 3); PutFixedSymbol(w, 256);
         r.Text("ab"); r.Copy(4, 2); r.Text("c"); r.Copy(5, 3);
     }, false},
    {"distance 1, length 258",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, true, 1); PutFixedText(w, "x"); PutFixedCopy(w, 258, 1); PutFixedSymbol(w, 256);
         r.Text("x"); r.Copy(258, 1);
     }, false},
    {"distance reaching before the first byte copies zeros",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, true, 1); PutFixedText(w, "a"); PutFixedCopy(w, 3, 100); PutFixedSymbol(w, 256);
         r.Text("a"); r.Copy(3, 100);
     }, false},
    {"stored block starting mid-byte",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, false, 1); PutFixedText(w, "A"); PutFixedSymbol(w, 256);
         PutStored(w, true, {'x', 'y', 'z'}); r.Text("Axyz");
     }, false},
    {"stored block of LEN 0",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, false, 1); PutFixedText(w, "A"); PutFixedSymbol(w, 256); PutStored(w, true, {});
         r.Text("A");
     }, false},
    {"stored block of LEN 65535 across a window flush",
     [](BitWriter& w, Reference& r) {
         const Bytes data = Pattern(65535, 7);
         PutStored(w, true, data); r.out = data;
     }, false},
    {"stored block whose NLEN does not match is copied with LEN bytes",
     [](BitWriter& w, Reference& r) { PutStored(w, true, {'q', 'r'}, 0x1234); r.Text("qr"); }, false},
    {"copies across the window's end and from its upper part",
     [](BitWriter& w, Reference& r) {
         const Bytes data = Pattern(32760, 3);
         PutStored(w, false, data); r.out = data;
         PutHeader(w, true, 1);
         PutFixedCopy(w, 20, 100); r.Copy(20, 100);  // destination crosses the end: flush mid-copy
         PutFixedCopy(w, 30, 50); r.Copy(30, 50);    // source wholly in the upper part
         PutFixedCopy(w, 40, 60); r.Copy(40, 60);    // source runs into the window's start
         PutFixedCopy(w, 258, 32768); r.Copy(258, 32768);
         PutFixedSymbol(w, 256);
     }, false},
    {"HLIT 288 and HDIST 32 are accepted",
     [](BitWriter& w, Reference& r) {
         const Code lit(FullLiteralLengths()), dist(std::vector<unsigned>(32, 5));
         PutDynamicHeader(w, true, lit.lengths, dist.lengths);
         lit.Put(w, 'h'); lit.Put(w, 'i'); lit.Put(w, 257 + 1); dist.Put(w, 1);  // length 4, distance 2
         lit.Put(w, 256);
         r.Text("hi"); r.Copy(4, 2);
     }, false},
    {"literal/length symbol 286 is an invalid code",
     [](BitWriter& w, Reference& r) {
         const Code lit(FullLiteralLengths()), dist(std::vector<unsigned>(32, 5));
         PutDynamicHeader(w, true, lit.lengths, dist.lengths);
         lit.Put(w, 'o'); lit.Put(w, 'k'); lit.Put(w, 286); lit.Put(w, 'x'); lit.Put(w, 256);
         r.Text("ok");
     }, true},
    {"literal/length symbol 287 is an invalid code",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, true, 1); PutFixedText(w, "ok"); PutFixedSymbol(w, 287); PutFixedText(w, "x");
         PutFixedSymbol(w, 256); r.Text("ok");
     }, true},
    {"distance symbol 30 is an invalid code",
     [](BitWriter& w, Reference& r) {
         const Code lit(FullLiteralLengths()), dist(std::vector<unsigned>(32, 5));
         PutDynamicHeader(w, true, lit.lengths, dist.lengths);
         lit.Put(w, 'o'); lit.Put(w, 257); dist.Put(w, 30); lit.Put(w, 256);
         r.Text("o");
     }, true},
    {"distance symbol 31 is an invalid code",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, true, 1); PutFixedText(w, "o"); PutFixedSymbol(w, 257); w.PutCode(31, 5);
         PutFixedSymbol(w, 256); r.Text("o");
     }, true},
    {"a single one-bit distance code decodes",
     [](BitWriter& w, Reference& r) {
         const Code lit(LitLengths(259, {{'z', 1}, {256, 2}, {258, 2}})), dist({1});
         PutDynamicHeader(w, true, lit.lengths, dist.lengths);
         lit.Put(w, 'z'); lit.Put(w, 258); dist.Put(w, 0); lit.Put(w, 256);
         r.Text("z"); r.Copy(4, 1);
     }, false},
    {"the unused code of a single one-bit distance code is invalid",
     [](BitWriter& w, Reference& r) {
         const Code lit(LitLengths(259, {{'z', 1}, {256, 2}, {258, 2}}));
         PutDynamicHeader(w, true, lit.lengths, {1});
         lit.Put(w, 'z'); lit.Put(w, 258); w.PutCode(1, 1); lit.Put(w, 256);
         r.Text("z");
     }, true},
    {"an incomplete distance code is used as built",
     [](BitWriter& w, Reference& r) {
         const Code lit(LitLengths(259, {{'z', 1}, {256, 2}, {258, 2}})), dist({1, 2});
         PutDynamicHeader(w, true, lit.lengths, dist.lengths);
         lit.Put(w, 'z'); lit.Put(w, 258); dist.Put(w, 1); lit.Put(w, 258); dist.Put(w, 0); lit.Put(w, 256);
         r.Text("z"); r.Copy(4, 2); r.Copy(4, 1);
     }, false},
    {"a distance code without codes serves a block without copies",
     [](BitWriter& w, Reference& r) {
         const Code lit(LitLengths(257, {{'z', 1}, {256, 1}}));
         PutDynamicHeader(w, true, lit.lengths, {0});
         lit.Put(w, 'z'); lit.Put(w, 'z'); lit.Put(w, 256); r.Text("zz");
     }, false},
    {"a length symbol with a distance code without codes",
     [](BitWriter& w, Reference& r) {
         const Code lit(LitLengths(259, {{'z', 1}, {256, 2}, {258, 2}}));
         PutDynamicHeader(w, true, lit.lengths, {0});
         lit.Put(w, 'z'); lit.Put(w, 258); w.Put(0, 8); lit.Put(w, 256); r.Text("z");
     }, true},
    {"an incomplete literal/length code",
     [](BitWriter& w, Reference&) {
         PutDynamicHeader(w, true, LitLengths(257, {{'z', 1}, {256, 2}}), {1});
         w.Put(0, 16);
     }, true},
    {"an oversubscribed literal/length code",
     [](BitWriter& w, Reference&) {
         PutDynamicHeader(w, true, LitLengths(257, {{'y', 1}, {'z', 1}, {256, 1}}), {1});
         w.Put(0, 16);
     }, true},
    {"an oversubscribed distance code",
     [](BitWriter& w, Reference&) {
         PutDynamicHeader(w, true, LitLengths(257, {{'z', 1}, {256, 1}}), {1, 1, 1});
         w.Put(0, 16);
     }, true},
    {"a literal/length code without codes",
     [](BitWriter& w, Reference&) { PutDynamicHeader(w, true, LitLengths(257, {}), {1}); w.Put(0, 16); }, true},
    {"an incomplete code-length code",
     [](BitWriter& w, Reference&) {
         std::vector<unsigned> cl(19, 0); cl[0] = 2; cl[8] = 2;
         PutCodeLengthCode(w, true, 257, 1, cl); w.Put(0, 32);
     }, true},
    {"an oversubscribed code-length code",
     [](BitWriter& w, Reference&) {
         std::vector<unsigned> cl(19, 0); cl[0] = 1; cl[8] = 1; cl[9] = 1;
         PutCodeLengthCode(w, true, 257, 1, cl); w.Put(0, 32);
     }, true},
    {"a code-length code without codes",
     [](BitWriter& w, Reference&) { PutCodeLengthCode(w, true, 257, 1, std::vector<unsigned>(19, 0)); w.Put(0, 32); },
     true},
    {"an invalid code-length symbol",
     [](BitWriter& w, Reference&) {
         std::vector<unsigned> cl(19, 0); cl[8] = 1;  // a single one-bit code: '1' is unused
         PutCodeLengthCode(w, true, 257, 1, cl); w.Put(0xFFFFFFFF, 32);
     }, true},
    {"a repeat past HLIT + HDIST",
     [](BitWriter& w, Reference&) {
         std::vector<unsigned> cl(19, 0); cl[8] = 1; cl[18] = 1;
         const Code c(cl);
         PutCodeLengthCode(w, true, 257, 1, cl);
         c.Put(w, 18); w.Put(127, 7);  // 138 zeros
         c.Put(w, 18); w.Put(127, 7);  // 276 > 258
         w.Put(0, 32);
     }, true},
    {"a repeat code at the very start repeats the length 0",
     [](BitWriter& w, Reference& r) {
         std::vector<unsigned> cl(19, 0); cl[0] = 2; cl[8] = 2; cl[9] = 2; cl[16] = 2;
         const Code c(cl);
         PutCodeLengthCode(w, true, 260, 1, cl);
         c.Put(w, 16); w.Put(0, 2);                      // symbols 0..2: length 0
         std::vector<unsigned> lit(260, 0);
         for (unsigned s = 3; s < 260; ++s) lit[s] = (s == 254 || s == 255) ? 9 : 8;
         for (unsigned s = 3; s < 260; ++s) c.Put(w, lit[s]);
         c.Put(w, 8);                                    // the one distance code
         const Code litCode(lit);
         litCode.Put(w, 'a'); litCode.Put(w, 'b'); litCode.Put(w, 256);
         r.Text("ab");
     }, false},
    {"input ends inside a fixed block",
     [](BitWriter& w, Reference& r) { PutHeader(w, true, 1); PutFixedText(w, "AB"); r.Text("AB"); }, true},
    {"input ends inside a stored block",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, true, 0); w.AlignToByte(); w.Put(100, 16); w.Put(~100u & 0xFFFF, 16);
         for (char c : std::string("0123456789")) w.PutByte(static_cast<std::uint8_t>(c));
         r.Text("0123456789");
     }, true},
    {"input ends inside a dynamic header",
     [](BitWriter& w, Reference&) { PutHeader(w, true, 2); w.Put(0, 14); }, true},
    {"input ends after a block that is not the last",
     [](BitWriter& w, Reference& r) {
         PutHeader(w, false, 1); PutFixedText(w, "AB"); PutFixedSymbol(w, 256); r.Text("AB");
     }, true},
};

class DeflateStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DeflateStreams, DecodeAsExpected) {
    const StreamCase& c = GetParam();
    BitWriter w;
    Reference expected;
    c.build(w, expected);
    DecodeSetup setup;
    setup.after = BytesOf("PK\x03\x04 the next entry");
    const DecodedEntry got = DecodeEntryData(w.Bytes(), setup);
    EXPECT_EQ(got.bytes, expected.out);
    EXPECT_EQ(got.crc, Crc32Of(expected.out));
    EXPECT_EQ(got.incomplete, c.incomplete);
    EXPECT_LE(got.consumed, static_cast<std::int64_t>(w.Bytes().size())) << "read into the next entry";
}

INSTANTIATE_TEST_SUITE_P(Cases, DeflateStreams, ::testing::ValuesIn(Cases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

// One-bits past the data must not decode for ever: with the fixed codes they
// read as literal 255 without end, and a stored block's LEN as 65535. None of
// these entries holds a whole symbol, so nothing may be output.
TEST(DeflateInput, ExhaustedDataNeverGrowsOutputFromOneBits) {
    for (const Bytes& data : {Bytes{0x03}, Bytes{0x01}, Bytes{0xFB}, Bytes{0x02}}) {
        const DecodedEntry got = DecodeEntryData(data);
        EXPECT_TRUE(got.incomplete);
        EXPECT_TRUE(got.bytes.empty());
    }
}

}  // namespace
