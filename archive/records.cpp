// The ZIP records as read, and the primitives of the front-to-back walk.
#include "archive/records.h"

#include "archive/extract_state.h"
#include "platform/platform.h"
#include "startup/startup.h"

std::int32_t ArchivePosition = -1;
std::uint32_t LocalHeaderSignature;

void ParseLocalEntryHeader(const std::uint8_t* bytes, LocalEntryHeader& header) {
    header.signature = ReadLe32(bytes + 0);
    header.versionNeeded = ReadLe16(bytes + 4);
    header.flags = ReadLe16(bytes + 6);
    header.method = ReadLe16(bytes + 8);
    header.modTime = ReadLe16(bytes + 10);
    header.modDate = ReadLe16(bytes + 12);
    header.crc32 = ReadLe32(bytes + 14);
    header.compressedSize = ReadLe32(bytes + 18);
    header.uncompressedSize = ReadLe32(bytes + 22);
    header.nameLength = ReadLe16(bytes + 26);
    header.extraLength = ReadLe16(bytes + 28);
}

std::uint32_t ReadSelfImage(void* buffer, std::uint32_t count) {
    DWORD read = 0;
    ReadFile(SelfImageHandle, buffer, count, &read, nullptr);
    return read;
}

void SeekArchive(std::int32_t distance, SeekMethod method) {
    const DWORD position =
        SetFilePointer(SelfImageHandle, distance, nullptr, method == SeekFromStart ? FILE_BEGIN : FILE_CURRENT);
    if (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        ArchivePosition = -1;
    } else {
        ArchivePosition = static_cast<std::int32_t>(position);
    }
}

bool ReadLocalEntry() {
    // A descriptor is skipped by reading on behind it; a loop rather than the
    // recursion keeps a long run of descriptors from growing the stack.
    for (;;) {
        std::uint8_t bytes[LocalHeaderSize] = {};  // a short read leaves no old signature behind
        const std::uint32_t read = ReadSelfImage(bytes, LocalHeaderSize);
        ParseLocalEntryHeader(bytes, CurrentHeader);
        // Only a whole header counts: the fields of a cut record were never read.
        if (read == LocalHeaderSize &&
            (CurrentHeader.signature == LocalHeaderSignature || CurrentHeader.signature == ZeroedLocalSignature)) {
            RemainingInput = static_cast<std::int32_t>(CurrentHeader.compressedSize);
            EntryDosTime = CurrentHeader.modTime;
            EntryDosDate = CurrentHeader.modDate;
            return true;
        }
        SetFilePointer(SelfImageHandle, -static_cast<LONG>(read), nullptr, FILE_CURRENT);
        RemainingInput = 0;
        if (read < 4 || CurrentHeader.signature != DataDescriptorSignature) return false;
        if (ArchivePosition < 0 || ArchivePosition > 0x7FFFFFFF - static_cast<std::int32_t>(DataDescriptorSize))
            return false;
        SeekArchive(ArchivePosition + static_cast<std::int32_t>(DataDescriptorSize), SeekFromStart);
        if (ArchivePosition == -1) return false;
    }
}
