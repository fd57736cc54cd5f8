#include "decode/crc.h"

std::uint32_t* CrcTable = nullptr;

namespace {

// CrcUpdate runs sixteen bytes per step with fifteen tables derived from
// CrcTable ("slicing by sixteen"): the lookups of a step do not wait on each
// other, where the byte-wise loop waits on every lookup. Kept out of the image
// in uninitialised storage and filled by BuildCrcTable.
constexpr int SliceTables = 15;
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
    for (; i + 16 <= length; i += 16) {
        const std::uint32_t a = Le32(buffer + i) ^ c;
        const std::uint32_t b = Le32(buffer + i + 4);
        const std::uint32_t d = Le32(buffer + i + 8);
        const std::uint32_t e = Le32(buffer + i + 12);
        c = CrcSlices[14][a & 0xFF] ^ CrcSlices[13][(a >> 8) & 0xFF] ^ CrcSlices[12][(a >> 16) & 0xFF] ^
            CrcSlices[11][a >> 24] ^ CrcSlices[10][b & 0xFF] ^ CrcSlices[9][(b >> 8) & 0xFF] ^
            CrcSlices[8][(b >> 16) & 0xFF] ^ CrcSlices[7][b >> 24] ^ CrcSlices[6][d & 0xFF] ^
            CrcSlices[5][(d >> 8) & 0xFF] ^ CrcSlices[4][(d >> 16) & 0xFF] ^ CrcSlices[3][d >> 24] ^
            CrcSlices[2][e & 0xFF] ^ CrcSlices[1][(e >> 8) & 0xFF] ^ CrcSlices[0][(e >> 16) & 0xFF] ^
            CrcTable[e >> 24];
    }
    for (; i < length; ++i) c = CrcTable[(c ^ buffer[i]) & 0xFF] ^ (c >> 8);
    crc = c;
}
