#pragma once
// Builds small ZIP archives byte by byte, for the faults that real tools do
// not produce: data descriptors behind sized entries, odd signatures, empty
// names, unknown methods, broken data.
#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;
    std::vector<std::uint8_t> data;       // the entry data as stored (compressed, encrypted)
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint16_t dosTime = 0x6000;       // 12:00:00
    std::uint16_t dosDate = 0x5A21;       // 2025-01-01
    std::uint32_t crc32 = 0;              // of the plain data
    std::uint32_t uncompressedSize = 0;
    std::uint32_t externalAttributes = 0x20;
    std::vector<std::uint8_t> extra;
    std::uint32_t signature = 0x04034B50;
    bool descriptorBehind = false;        // a 16-byte data descriptor follows the data
    bool sizesOnlyInDescriptor = false;   // local header sizes and CRC are 0
};

std::uint32_t Crc32Of(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> BytesOf(const std::string& text);
// Raw Deflate (no zlib header) of the bytes, by zlib at the given level.
std::vector<std::uint8_t> DeflateRaw(const std::vector<std::uint8_t>& plain, int level = 9);

// A stored entry of `content`, with its CRC and sizes filled in.
ZipEntry StoredEntry(const std::string& name, const std::string& content);
// A deflated entry of `content`.
ZipEntry DeflatedEntry(const std::string& name, const std::string& content);

// The archive: local entries, the central directory and the end record.
std::vector<std::uint8_t> BuildZip(const std::vector<ZipEntry>& entries);
