// Input feed, output window and the stored copy.
#include "decode/feed.h"

#include "archive/extract_state.h"
#include "archive/records.h"
#include "decode/crc.h"
#include "decode/decode.h"
#include "runtime/heap.h"
#include "startup/startup.h"

std::uint8_t* InputBuffer = nullptr;
std::uint16_t InputPos = 0;
std::uint32_t InputCount = 0;
std::uint8_t* OutputWindow = nullptr;
std::uint16_t WindowPos = 0;

namespace {

bool EntryIsEncrypted() { return (CurrentHeader.flags & FlagEncrypted) != 0; }

std::uint32_t ChunkSize() {
    return RemainingInput < static_cast<std::int32_t>(InputBufferSize) ? static_cast<std::uint32_t>(RemainingInput)
                                                                         : InputBufferSize;
}

void DecryptBuffer(std::uint8_t* bytes, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) bytes[i] = DecryptByte(bytes[i]);
}

}  // namespace

int NextInputByte() {
    if (RemainingInput <= 0) return -1;
    if (InputPos >= InputCount) {
        // Everything read so far has been delivered, so the chunk asked for is
        // exactly what is left of the entry, up to one buffer.
        DWORD read = 0;
        ReadFile(SelfImageHandle, InputBuffer, ChunkSize(), &read, nullptr);
        InputCount = read;
        if (EntryIsEncrypted()) DecryptBuffer(InputBuffer, InputCount);
        InputPos = 0;
    }
    int result;
    if (InputCount == 0) {
        // The SelfImage ended early or the read failed: the data ends here.
        RemainingInput = 0;
        InputPos = 0;
        result = -1;
    } else {
        result = InputBuffer[InputPos++];
    }
    --RemainingInput;
    return result;
}

void FlushWindow() {
    DWORD written = 0;
    WriteFile(OutputHandle, OutputWindow, WindowPos, &written, nullptr);
    if (written != WindowPos) EntryIncomplete = true;
    CrcUpdate(OutputWindow, WindowPos, RunningCrc);
    WindowPos = 0;
}

void CopyStoredEntry() {
    if (RemainingInput <= 0) return;
    HeapBlock buffer(ChunkSize());
    while (RemainingInput > 0) {
        DWORD read = 0;
        ReadFile(SelfImageHandle, buffer.bytes(), ChunkSize(), &read, nullptr);
        if (read == 0) {
            // The SelfImage ended inside the entry; repeating the read would
            // never end.
            EntryIncomplete = true;
            return;
        }
        RemainingInput -= static_cast<std::int32_t>(read);
        if (EntryIsEncrypted()) DecryptBuffer(buffer.bytes(), read);
        DWORD written = 0;
        WriteFile(OutputHandle, buffer.bytes(), read, &written, nullptr);
        CrcUpdate(buffer.bytes(), static_cast<std::int32_t>(written), RunningCrc);
        if (written != read) {
            // Disk full or a failed write: the file cannot be whole.
            EntryIncomplete = true;
            return;
        }
    }
}
