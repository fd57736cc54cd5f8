#include "decode/crc.h"

std::uint32_t* CrcTable = nullptr;

void BuildCrcTable() {
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        CrcTable[i] = value;
    }
}

void CrcUpdate(const std::uint8_t* buffer, std::int32_t length, std::uint32_t& crc) {
    std::uint32_t c = crc;
    for (std::int32_t i = 0; i < length; ++i) c = CrcTable[(c ^ buffer[i]) & 0xFF] ^ (c >> 8);
    crc = c;
}
