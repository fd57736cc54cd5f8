#pragma once
// Runs the stub's decoders the way the extraction driver does: the entry data
// in a SelfImage file, the file positioned at its first byte, RemainingInput,
// RunningCrc and OutputHandle preset, and the output read back from disk.
#include <cstdint>
#include <string>
#include <vector>

struct DecodedEntry {
    std::vector<std::uint8_t> bytes;  // what reached the output file
    std::uint32_t crc = 0;            // RunningCrc, inverted
    bool incomplete = false;          // EntryIncomplete
    std::int64_t consumed = 0;        // SelfImage bytes read from the entry's first byte on
};

struct DecodeSetup {
    std::uint16_t method = 8;
    std::uint16_t flags = 0;               // bit 0: decrypt with the CipherKeys as they stand
    std::vector<std::uint8_t> after;       // bytes behind the entry's data in the SelfImage
    std::int64_t remainingInput = -1;      // -1: the data's size
    std::string outputPath;                // empty: a scratch file
};

DecodedEntry DecodeEntryData(const std::vector<std::uint8_t>& data, const DecodeSetup& setup = DecodeSetup());

// One local entry of a real archive, taken through the password stage and the
// decoder as the driver takes it.
struct ArchiveEntryOutcome {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t headerCrc = 0;
    bool passwordFits = false;
    DecodedEntry decoded;
};

// Walks the archive file (archive at offset 0); decrypts with `password`.
std::vector<ArchiveEntryOutcome> DecodeArchive(const std::string& zipPath, const std::string& password);

// Writes Deflate streams bit by bit, least significant bit first; Huffman
// codes go most significant bit first, as RFC 1951 packs them.
class BitWriter {
public:
    void Put(std::uint32_t value, unsigned bits);
    void PutCode(std::uint32_t code, unsigned length);
    void AlignToByte();
    void PutByte(std::uint8_t byte);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    unsigned bitPos_ = 0;
};

// Canonical codes (RFC 1951, 3.2.2) for a list of code lengths.
std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths);

// A dynamic block header for the given literal/length and distance lengths
// (each 0..15), sent with a code-length code of sixteen 4-bit codes.
void PutDynamicHeader(BitWriter& out, bool last, const std::vector<unsigned>& literalLengths,
                      const std::vector<unsigned>& distanceLengths);
