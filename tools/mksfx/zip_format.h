#pragma once
// ZIP record layouts as the packaging tool writes and checks them, with
// explicit little-endian helpers.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace mksfx {

constexpr std::uint32_t LocalSignature = 0x04034B50u;
constexpr std::uint32_t CentralSignature = 0x02014B50u;
constexpr std::uint32_t EndSignature = 0x06054B50u;
constexpr std::uint32_t Zip64EndSignature = 0x06064B50u;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064B50u;
constexpr std::uint32_t DescriptorSignature = 0x08074B50u;

constexpr unsigned LocalHeaderLength = 30;
constexpr unsigned CentralHeaderLength = 46;
constexpr unsigned EndRecordLength = 22;
constexpr unsigned DescriptorLength = 16;  // with its signature
constexpr unsigned Zip64LocatorLength = 20;

constexpr std::uint16_t FlagEncrypted = 0x0001;
constexpr std::uint16_t FlagDescriptor = 0x0008;
constexpr std::uint16_t FlagStrongEncryption = 0x0040;
constexpr std::uint16_t FlagUtf8 = 0x0800;
constexpr std::uint16_t FlagMaskedHeaders = 0x2000;  // central directory encryption

constexpr std::uint16_t MethodStored = 0;
constexpr std::uint16_t MethodDeflated = 8;
constexpr std::uint16_t MethodAes = 99;

constexpr std::uint16_t ExtraZip64 = 0x0001;
constexpr std::uint16_t ExtraStrongEncryption = 0x0017;
constexpr std::uint16_t ExtraAes = 0x9901;

// Version 2.0 (Deflate, traditional encryption); host 0 (MS-DOS): the
// external attributes then hold DOS bits only, which the stub hands to the
// platform as they are.
constexpr std::uint16_t VersionDeflate = 20;

constexpr std::uint32_t DosReadOnly = 0x01;
constexpr std::uint32_t DosFolder = 0x10;
constexpr std::uint32_t DosArchive = 0x20;

// The stub keeps file positions in 32-bit signed values.
constexpr std::uint64_t MaxSelfImageSize = 0x7FFFFFFFu;
constexpr unsigned MaxEntryNameLength = 255;
constexpr std::size_t MaxEntries = 0xFFFF;

inline std::uint16_t GetLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

// One entry as it goes into the output: the fields of its local and central
// records. Sizes and CRC are the real ones, never left to a data descriptor.
struct ArchiveEntry {
    std::string name;
    std::uint16_t versionMadeBy = VersionDeflate;
    std::uint16_t versionNeeded = VersionDeflate;
    std::uint16_t flags = 0;
    std::uint16_t method = MethodStored;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::vector<std::uint8_t> localExtra;
    std::vector<std::uint8_t> centralExtra;
    std::string comment;
    // A descriptor is written behind the data only for an encrypted entry
    // whose password check byte was made from the time (flag bit 3).
    bool writeDescriptor = false;
    std::uint32_t localOffset = 0;  // file offset of the local header, set when written
};

// Local time of `when` as DOS time and date words; times before 1980 become
// 1980-01-01 00:00, the earliest a DOS date can hold.
void ToDosDateTime(std::time_t when, std::uint16_t& dosTime, std::uint16_t& dosDate);
// "YYYY-MM-DD HH:MM:SS" of DOS time and date words.
std::string FormatDosDateTime(std::uint16_t dosTime, std::uint16_t dosDate);

// Finds one extra-field block by its id; false when absent. A malformed
// extra field (a block running past the end) counts as not holding it.
bool HasExtraBlock(const std::vector<std::uint8_t>& extra, std::uint16_t id);

}  // namespace mksfx
