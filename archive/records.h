#pragma once
// The ZIP records as the stub reads them, and the front-to-back walk's
// primitives. Fields are little-endian and read with explicit helpers.
#include <cstdint>

constexpr unsigned LocalHeaderSize = 30;
constexpr unsigned CentralHeaderSize = 46;
constexpr unsigned DataDescriptorSize = 16;
constexpr std::uint32_t DataDescriptorSignature = 0x08074B50u;
// Some writers leave the first three bytes of a local header zero; such a
// record is taken as a local header with its fields as they stand.
constexpr std::uint32_t ZeroedLocalSignature = 0x50000000u;

constexpr std::uint16_t FlagEncrypted = 0x0001;
constexpr std::uint16_t FlagDataDescriptor = 0x0008;

constexpr std::uint16_t MethodStored = 0;
constexpr std::uint16_t MethodDeflated = 8;

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct LocalEntryHeader {
    std::uint32_t signature;
    std::uint16_t versionNeeded;
    std::uint16_t flags;
    std::uint16_t method;
    std::uint16_t modTime;
    std::uint16_t modDate;
    std::uint32_t crc32;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
    std::uint16_t nameLength;
    std::uint16_t extraLength;
};

// The 32 bits at offsets 10 to 13: time in the low half, date in the high half.
inline std::uint32_t TimeAndDate(const LocalEntryHeader& header) {
    return static_cast<std::uint32_t>(header.modTime) | (static_cast<std::uint32_t>(header.modDate) << 16);
}

void ParseLocalEntryHeader(const std::uint8_t* bytes, LocalEntryHeader& header);

// The position the last SeekArchive produced, or -1 after a failed seek.
extern std::int32_t ArchivePosition;
// The local-header signature the walk compares with; set at the start of every
// walk so that the image holds no complete copy of the signature bytes.
extern std::uint32_t LocalHeaderSignature;

enum SeekMethod : std::uint16_t { SeekFromStart = 0, SeekFromCurrent = 1 };

void SeekArchive(std::int32_t distance, SeekMethod method);

// Reads the LocalEntryHeader at the current position into ExtractState, skipping
// data descriptors. True: the position is behind the header. False: no local
// entry here, and the position is back where the record began.
bool ReadLocalEntry();

// Reads `count` bytes of the SelfImage at its current position into `buffer`;
// returns how many were read (0 on failure).
std::uint32_t ReadSelfImage(void* buffer, std::uint32_t count);
