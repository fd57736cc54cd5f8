#pragma once
// ExtractState: the process-wide record of the entry being extracted. The
// driver sets it for each entry; the decoders advance it.
#include <cstdint>

#include "archive/records.h"
#include "platform/platform.h"

struct CipherKeyState {
    std::uint32_t key0;
    std::uint32_t key1;
    std::uint32_t key2;
};

extern LocalEntryHeader CurrentHeader;
extern std::uint16_t EntryDosTime;
extern std::uint16_t EntryDosDate;
// Compressed bytes of the entry not yet delivered (excluding the 12-byte
// encryption header of an encrypted entry).
extern std::int32_t RemainingInput;
extern std::uint32_t RunningCrc;
extern HANDLE OutputHandle;
extern CipherKeyState CipherKeys;
// Set by a decoder when the entry's output is known to be incomplete: the
// compressed data ended before the final block, the data was unusable, or the
// output could not all be written. The driver then fails the entry even if
// the CRC happens to match.
extern bool EntryIncomplete;
