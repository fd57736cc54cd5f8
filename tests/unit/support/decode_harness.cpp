#include "support/decode_harness.h"

#include <unistd.h>

#include <cstdlib>

#include "archive/extract_state.h"
#include "archive/records.h"
#include "decode/decode.h"
#include "platform/platform.h"
#include "startup/startup.h"
#include "support/fixtures.h"

namespace {

// A fixed junk prefix, so that the data does not start at file offset 0.
constexpr std::size_t LeadBytes = 7;

// Many entries are decoded per test: their files go to memory where it can.
struct MemoryScratch {
    std::string savedTmpdir;
    bool hadTmpdir = SwitchTmpdir();
    ScratchFolder folder;
    MemoryScratch() {
        if (hadTmpdir) setenv("TMPDIR", savedTmpdir.c_str(), 1);
        else unsetenv("TMPDIR");
    }
    bool SwitchTmpdir() {
        const char* saved = std::getenv("TMPDIR");
        if (saved) savedTmpdir = saved;
        if (access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
        return saved != nullptr;
    }
};

ScratchFolder& Scratch() {
    static MemoryScratch scratch;
    return scratch.folder;
}

}  // namespace

DecodedEntry DecodeEntryData(const std::vector<std::uint8_t>& data, const DecodeSetup& setup) {
    UseCrcTable();
    std::vector<std::uint8_t> image(LeadBytes, 0xA5);
    image.insert(image.end(), data.begin(), data.end());
    image.insert(image.end(), setup.after.begin(), setup.after.end());
    const std::string imagePath = Scratch() / "image.bin";
    const std::string outputPath = setup.outputPath.empty() ? Scratch() / "output.bin" : setup.outputPath;
    WriteWholeFile(imagePath, image);

    DecodedEntry result;
    OpenedSelfImage opened(imagePath);
    SetFilePointer(SelfImageHandle, static_cast<LONG>(LeadBytes), nullptr, FILE_BEGIN);
    OutputHandle = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    CurrentHeader = LocalEntryHeader{};
    CurrentHeader.flags = setup.flags;
    CurrentHeader.method = setup.method;
    RemainingInput = static_cast<std::int32_t>(setup.remainingInput < 0 ? static_cast<std::int64_t>(data.size())
                                                                        : setup.remainingInput);
    RunningCrc = 0xFFFFFFFFu;
    EntryIncomplete = false;
    if (setup.method == 0) {
        CopyStoredEntry();
    } else {
        DecodeDeflateEntry();
    }
    result.crc = RunningCrc ^ 0xFFFFFFFFu;
    result.incomplete = EntryIncomplete;
    result.consumed = static_cast<std::int64_t>(SetFilePointer(SelfImageHandle, 0, nullptr, FILE_CURRENT)) -
                      static_cast<std::int64_t>(LeadBytes);
    CloseHandle(OutputHandle);
    OutputHandle = INVALID_HANDLE_VALUE;
    if (setup.outputPath.empty() || setup.outputPath.rfind("/dev/", 0) != 0) result.bytes = ReadWholeFile(outputPath);
    return result;
}

std::vector<ArchiveEntryOutcome> DecodeArchive(const std::string& zipPath, const std::string& password) {
    UseCrcTable();
    std::vector<ArchiveEntryOutcome> outcomes;
    OpenedSelfImage opened(zipPath);
    LocalHeaderSignature = 0x04034B50u;
    SeekArchive(0, SeekFromStart);
    const std::string outputPath = Scratch() / "entry.bin";
    while (ReadLocalEntry()) {
        const std::int32_t start = ArchivePosition;
        ArchiveEntryOutcome outcome;
        outcome.flags = CurrentHeader.flags;
        outcome.method = CurrentHeader.method;
        outcome.headerCrc = CurrentHeader.crc32;
        std::string name(CurrentHeader.nameLength, '\0');
        DWORD read = 0;
        ReadFile(SelfImageHandle, &name[0], CurrentHeader.nameLength, &read, nullptr);
        outcome.name = name;
        SetFilePointer(SelfImageHandle, CurrentHeader.extraLength, nullptr, FILE_CURRENT);
        outcome.passwordFits = true;
        if (CurrentHeader.flags & FlagEncrypted) {
            std::uint8_t header[2 * EncryptionHeaderSize];
            ReadFile(SelfImageHandle, header, EncryptionHeaderSize, &read, nullptr);
            for (int i = 0; i < EncryptionHeaderSize; ++i) header[EncryptionHeaderSize + i] = header[i];
            outcome.passwordFits = CheckEncryptionHeader(header, EncryptionHeaderSize, CurrentHeader.flags,
                                                         TimeAndDate(CurrentHeader), CurrentHeader.crc32,
                                                         String(password.c_str()));
        }
        if (outcome.passwordFits) {
            OutputHandle = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
            RunningCrc = 0xFFFFFFFFu;
            RemainingInput = static_cast<std::int32_t>(CurrentHeader.compressedSize) -
                             ((CurrentHeader.flags & FlagEncrypted) ? EncryptionHeaderSize : 0);
            EntryIncomplete = false;
            if (CurrentHeader.method == MethodStored) CopyStoredEntry();
            if (CurrentHeader.method == MethodDeflated) DecodeDeflateEntry();
            outcome.decoded.crc = RunningCrc ^ 0xFFFFFFFFu;
            outcome.decoded.incomplete = EntryIncomplete;
            CloseHandle(OutputHandle);
            OutputHandle = INVALID_HANDLE_VALUE;
            outcome.decoded.bytes = ReadWholeFile(outputPath);
        }
        outcomes.push_back(outcome);
        SeekArchive(start + static_cast<std::int32_t>(LocalHeaderSize + CurrentHeader.nameLength +
                                                      CurrentHeader.extraLength + CurrentHeader.compressedSize),
                    SeekFromStart);
    }
    return outcomes;
}

void BitWriter::Put(std::uint32_t value, unsigned bits) {
    for (unsigned i = 0; i < bits; ++i) {
        if (bitPos_ == 0) bytes_.push_back(0);
        if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(1u << bitPos_);
        bitPos_ = (bitPos_ + 1) & 7;
    }
}

void BitWriter::PutCode(std::uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) Put((code >> i) & 1, 1);
}

void BitWriter::AlignToByte() { bitPos_ = 0; }

void BitWriter::PutByte(std::uint8_t byte) { Put(byte, 8); }

std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths) {
    unsigned count[17] = {};
    for (unsigned len : lengths) ++count[len];
    count[0] = 0;
    std::uint32_t nextCode[17] = {};
    std::uint32_t code = 0;
    for (unsigned bits = 1; bits <= 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        nextCode[bits] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    for (std::size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i] != 0) codes[i] = nextCode[lengths[i]]++;
    return codes;
}

void PutDynamicHeader(BitWriter& out, bool last, const std::vector<unsigned>& literalLengths,
                      const std::vector<unsigned>& distanceLengths) {
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    out.Put(last ? 1 : 0, 1);
    out.Put(2, 2);
    out.Put(static_cast<std::uint32_t>(literalLengths.size() - 257), 5);
    out.Put(static_cast<std::uint32_t>(distanceLengths.size() - 1), 5);
    out.Put(19 - 4, 4);
    for (unsigned symbol : order) out.Put(symbol < 16 ? 4 : 0, 3);
    // Sixteen 4-bit codes: the canonical code of length symbol s is s itself.
    for (unsigned len : literalLengths) out.PutCode(len, 4);
    for (unsigned len : distanceLengths) out.PutCode(len, 4);
}
