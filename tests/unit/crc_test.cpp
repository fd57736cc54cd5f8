#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "decode/crc.h"
#include "support/fixtures.h"

TEST(Crc32, TableMatchesThePublishedZipTable) {
    UseCrcTable();
    EXPECT_EQ(CrcTable[0], 0u);
    EXPECT_EQ(CrcTable[1], 0x77073096u);
    EXPECT_EQ(CrcTable[255], 0x2D02EF8Du);
}

TEST(Crc32, CheckValueAndEmptyInput) {
    UseCrcTable();
    const char* check = "123456789";
    std::uint32_t crc = 0xFFFFFFFFu;
    CrcUpdate(reinterpret_cast<const std::uint8_t*>(check), 9, crc);
    EXPECT_EQ(crc ^ 0xFFFFFFFFu, 0xCBF43926u);

    std::uint32_t empty = 0xFFFFFFFFu;
    CrcUpdate(reinterpret_cast<const std::uint8_t*>(check), 0, empty);
    CrcUpdate(reinterpret_cast<const std::uint8_t*>(check), -5, empty);
    EXPECT_EQ(empty ^ 0xFFFFFFFFu, 0u);
}

TEST(Crc32, PiecesGiveTheSameRegisterAsTheWhole) {
    UseCrcTable();
    const char* text = "The quick brown fox jumps over the lazy dog";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
    const int n = static_cast<int>(std::strlen(text));
    std::uint32_t whole = 0xFFFFFFFFu, pieces = 0xFFFFFFFFu;
    CrcUpdate(bytes, n, whole);
    CrcUpdate(bytes, 10, pieces);
    CrcUpdate(bytes + 10, n - 10, pieces);
    EXPECT_EQ(whole, pieces);
    EXPECT_EQ(whole ^ 0xFFFFFFFFu, 0x414FA339u);
}

TEST(Crc32, AgreesWithZlibForEveryLengthAndAlignment) {
    UseCrcTable();
    std::uint8_t bytes[80];
    for (int i = 0; i < 80; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (int offset = 0; offset < 8; ++offset)
        for (int length = 0; length <= 70; ++length) {
            std::uint32_t ours = 0xFFFFFFFFu;
            CrcUpdate(bytes + offset, length, ours);
            EXPECT_EQ(ours ^ 0xFFFFFFFFu, crc32(0L, bytes + offset, static_cast<uInt>(length)))
                << "offset " << offset << ", length " << length;
        }
}
