// The code table builder: its results, the root width it settles on, and that
// every code of a built table resolves to its own symbol in exactly its length.
#include <gtest/gtest.h>

#include <vector>

#include "decode/code_tables.h"
#include "decode/inflate.h"
#include "support/decode_harness.h"

namespace {

enum class Lists { LiteralLength, Distance, CodeLength };

struct TableCase {
    const char* name;
    std::vector<unsigned> lengths;
    Lists lists;
    unsigned startWidth;
    int result;
    unsigned width;  // the root width built (0: no table)
};

std::vector<unsigned> Repeat(std::vector<std::pair<unsigned, unsigned>> runs) {
    std::vector<unsigned> out;
    for (auto [count, len] : runs) out.insert(out.end(), count, len);
    return out;
}

// Literal/length lengths with symbol 256 (end of block) at 7 bits among codes
// of 2 to 12 bits, a complete code built by hand.
std::vector<unsigned> EndOfBlockAtSevenBits() {
    std::vector<unsigned> lengths(257, 0);
    // Kraft sum: 3/4 + 1/8 + 1/16 + 1/32 + 1/64 + 1/128 (eob) + 1/256 + 1/512 + 1/1024 + 1/2048 + 2/4096 = 1
    const unsigned assigned[][2] = {{'a', 2}, {'b', 2}, {'m', 2}, {'c', 3}, {'d', 4}, {'e', 5}, {'f', 6}, {256, 7},
                                    {'g', 8}, {'h', 9}, {'i', 10}, {'j', 11}, {'k', 12}, {'l', 12}};
    for (auto& a : assigned) lengths[a[0]] = a[1];
    return lengths;
}

const TableCase Cases[] = {
    {"all lengths zero: no table", std::vector<unsigned>(30, 0), Lists::Distance, 6, CodeComplete, 0},
    {"single one-bit code", Repeat({{1, 1}, {29, 0}}), Lists::Distance, 6, CodeComplete, 1},
    {"three one-bit codes: oversubscribed", Repeat({{3, 1}}), Lists::Distance, 6, CodeOversubscribed, 0},
    {"one code of 1 bit and one of 2: incomplete", Repeat({{1, 1}, {1, 2}}), Lists::Distance, 6, CodeIncomplete, 2},
    {"fixed distance code: 30 of 5 bits", Repeat({{30, 5}}), Lists::Distance, 5, CodeIncomplete, 5},
    {"fixed literal/length code", Repeat({{144, 8}, {112, 9}, {24, 7}, {8, 8}}), Lists::LiteralLength, 7,
     CodeComplete, 7},
    {"end of block at 7 bits caps a 9-bit root", EndOfBlockAtSevenBits(), Lists::LiteralLength, 9, CodeComplete, 7},
    {"shortest code longer than the start width", Repeat({{16, 4}, {14, 0}}), Lists::Distance, 3, CodeComplete, 4},
    {"root no wider than the longest code", Repeat({{2, 1}}), Lists::CodeLength, 7, CodeComplete, 1},
    {"15-bit codes below a 9-bit root", Repeat({{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8},
                                                {1, 9}, {1, 10}, {1, 11}, {1, 12}, {1, 13}, {1, 14}, {2, 15}}),
     Lists::Distance, 9, CodeComplete, 9},
    {"all 288 literal/length codes in use, HLIT 288", Repeat({{224, 8}, {64, 9}}), Lists::LiteralLength, 9,
     CodeComplete, 9},
    {"all 32 distance codes, HDIST 32", Repeat({{32, 5}}), Lists::Distance, 6, CodeComplete, 5},
    {"code-length code over 19 symbols", Repeat({{2, 2}, {2, 3}, {2, 4}, {4, 5}, {9, 0}}), Lists::CodeLength, 7,
     CodeComplete, 5},
};

// Decodes the stream bits `bits` through the tables as the decoder does.
const CodeTableEntry* Resolve(const CodeTableEntry* root, unsigned width, std::uint32_t bits, unsigned& consumed) {
    const CodeTableEntry* entry = &root[bits & BitMask[width]];
    consumed = 0;
    while (entry->Op > OpLiteral && entry->Op != OpInvalid) {
        consumed += entry->Bits;
        bits >>= entry->Bits;
        entry = &entry->SubTable[bits & BitMask[entry->Op - 16]];
    }
    consumed += entry->Bits;
    return entry;
}

std::uint32_t Reversed(std::uint32_t code, unsigned length) {
    std::uint32_t out = 0;
    for (unsigned i = 0; i < length; ++i) out |= ((code >> i) & 1) << (length - 1 - i);
    return out;
}

class CodeTableBuilder : public ::testing::TestWithParam<TableCase> {};

TEST_P(CodeTableBuilder, ResultWidthAndEveryCode) {
    const TableCase& c = GetParam();
    std::vector<std::uint16_t> lengths(c.lengths.begin(), c.lengths.end());
    const std::uint16_t* base = nullptr;
    const std::uint8_t* extra = nullptr;
    unsigned simple = 19, listSize = 0;
    if (c.lists == Lists::LiteralLength) base = LengthBase, extra = LengthExtra, simple = 257, listSize = 31;
    if (c.lists == Lists::Distance) base = DistanceBase, extra = DistanceExtra, simple = 0, listSize = 30;

    CodeTableEntry sentinel{};
    CodeTableEntry* root = &sentinel;
    TableList list = {nullptr};
    unsigned width = c.startWidth;
    const int result = BuildCodeTable(lengths.data(), static_cast<unsigned>(lengths.size()), simple, base, extra,
                                      listSize, root, list, width);
    ASSERT_EQ(result, c.result);
    if (result == CodeOversubscribed) {
        EXPECT_EQ(root, &sentinel) << "root set although nothing was built";
        EXPECT_EQ(list.First, nullptr) << "tables allocated for an oversubscribed code";
        return;
    }
    EXPECT_EQ(width, c.width);
    if (c.width == 0) {
        EXPECT_EQ(root, nullptr);
        EXPECT_EQ(list.First, nullptr);
        return;
    }
    ASSERT_NE(root, nullptr);

    // Every code resolves to its symbol in exactly its length, whatever bits follow it.
    const std::vector<std::uint32_t> codes = CanonicalCodes(c.lengths);
    unsigned kraft = 0;  // in units of 2^-16
    for (std::size_t symbol = 0; symbol < c.lengths.size(); ++symbol) {
        const unsigned len = c.lengths[symbol];
        if (len == 0) continue;
        kraft += 1u << (16 - len);
        for (std::uint32_t follow : {0u, 0xFFFFFFFFu}) {
            const std::uint32_t bits = Reversed(codes[symbol], len) | (len < 32 ? (follow << len) : 0);
            unsigned consumed = 0;
            const CodeTableEntry* entry = Resolve(root, width, bits, consumed);
            SCOPED_TRACE(testing::Message() << "symbol " << symbol);
            EXPECT_EQ(consumed, len);
            if (symbol < simple) {
                EXPECT_EQ(entry->Op, symbol == 256 ? OpEndOfBlock : OpLiteral);
                EXPECT_EQ(entry->Value, symbol);
            } else if (symbol - simple < listSize) {
                EXPECT_EQ(entry->Op, extra[symbol - simple]);
                EXPECT_EQ(entry->Value, base[symbol - simple]);
            } else {
                EXPECT_EQ(entry->Op, OpInvalid);
            }
        }
    }
    // The codes an incomplete set leaves unused are invalid entries.
    if (result == CodeIncomplete) {
        unsigned invalid = 0;
        for (std::uint32_t bits = 0; bits < 1u << 16; bits += 1) {
            unsigned consumed = 0;
            if (Resolve(root, width, bits, consumed)->Op == OpInvalid) ++invalid;
        }
        EXPECT_GT(invalid, 0u);
        EXPECT_LT(kraft, 1u << 16);
    }
    FreeCodeTables(list);
    EXPECT_EQ(list.First, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, CodeTableBuilder, ::testing::ValuesIn(Cases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(CodeTableBuilder, FixedDistanceSymbolsThirtyAndThirtyOneAreInvalid) {
    std::vector<std::uint16_t> lengths(30, 5);
    CodeTableEntry* root = nullptr;
    TableList list = {nullptr};
    unsigned width = 5;
    ASSERT_EQ(BuildCodeTable(lengths.data(), 30, 0, DistanceBase, DistanceExtra, 30, root, list, width),
              CodeIncomplete);
    // The 5-bit codes 11110 and 11111 (symbols 30, 31), first bit lowest.
    EXPECT_EQ(root[Reversed(30, 5)].Op, OpInvalid);
    EXPECT_EQ(root[Reversed(31, 5)].Op, OpInvalid);
    EXPECT_EQ(root[Reversed(29, 5)].Value, 24577);
    FreeCodeTables(list);
}

TEST(CodeTableBuilder, FreeingReleasesTablesOfSeveralBuildsAndAnEmptyListIsFine) {
    TableList list = {nullptr};
    FreeCodeTables(list);
    EXPECT_EQ(list.First, nullptr);

    std::vector<std::uint16_t> literal(288, 0);
    for (unsigned i = 0; i < 288; ++i) literal[i] = static_cast<std::uint16_t>(i < 224 ? 8 : 9);
    std::vector<std::uint16_t> distance(30, 5);
    CodeTableEntry* root = nullptr;
    unsigned width = 7;
    ASSERT_EQ(BuildCodeTable(literal.data(), 288, 257, LengthBase, LengthExtra, 31, root, list, width), CodeComplete);
    width = 5;
    ASSERT_EQ(BuildCodeTable(distance.data(), 30, 0, DistanceBase, DistanceExtra, 30, root, list, width),
              CodeIncomplete);
    unsigned tables = 0;
    for (CodeTableEntry* t = list.First; t != nullptr; t = t[-1].SubTable) ++tables;
    EXPECT_GT(tables, 2u);  // a root and sub-tables for the 9-bit codes, and the distance root
    FreeCodeTables(list);   // the sanitizer build reports anything left behind
    EXPECT_EQ(list.First, nullptr);
}

}  // namespace
