#include "decode/crc.h"

std::uint32_t* CrcTable = nullptr;

namespace {

// CrcUpdate runs eight bytes per step with seven tables derived from CrcTable
// ("slicing by eight"): the eight lookups of a step do not wait on each other,
// where the byte-wise loop waits on every lookup. Kept out of the image in
// uninitialised storage and filled by BuildCrcTable.
constexpr int SliceTables = 7;
std::uint32_t CrcSlices[SliceTables][256];

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

void BuildCrcTable() {
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        CrcTable[i] = value;
    }
    // CrcSlices[k][i] is the register after i and then k + 1 zero bytes.
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = CrcTable[i];
        for (int k = 0; k < SliceTables; ++k) {
            value = CrcTable[value & 0xFF] ^ (value >> 8);
            CrcSlices[k][i] = value;
        }
    }
}

void CrcUpdate(const std::uint8_t* buffer, std::int32_t length, std::uint32_t& crc) {
    std::uint32_t c = crc;
    std::int32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        c ^= Le32(buffer + i);
        const std::uint32_t high = Le32(buffer + i + 4);
        c = CrcSlices[6][c & 0xFF] ^ CrcSlices[5][(c >> 8) & 0xFF] ^ CrcSlices[4][(c >> 16) & 0xFF] ^
            CrcSlices[3][c >> 24] ^ CrcSlices[2][high & 0xFF] ^ CrcSlices[1][(high >> 8) & 0xFF] ^
            CrcSlices[0][(high >> 16) & 0xFF] ^ CrcTable[high >> 24];
    }
    for (; i < length; ++i) c = CrcTable[(c ^ buffer[i]) & 0xFF] ^ (c >> 8);
    crc = c;
}
