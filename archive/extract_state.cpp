#include "archive/extract_state.h"

LocalEntryHeader CurrentHeader;
std::uint16_t EntryDosTime;
std::uint16_t EntryDosDate;
std::int32_t RemainingInput;
std::uint32_t RunningCrc;
HANDLE OutputHandle = INVALID_HANDLE_VALUE;
CipherKeyState CipherKeys;
bool EntryIncomplete;
