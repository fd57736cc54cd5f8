#include "zip_format.h"

#include <cstdio>

namespace mksfx {

void ToDosDateTime(std::time_t when, std::uint16_t& dosTime, std::uint16_t& dosDate) {
    std::tm local{};
#ifdef _WIN32
    const bool ok = localtime_s(&local, &when) == 0;
#else
    const bool ok = localtime_r(&when, &local) != nullptr;
#endif
    if (!ok || local.tm_year < 80) {
        dosTime = 0;
        dosDate = (1 << 5) | 1;
        return;
    }
    if (local.tm_year > 207) {  // the last DOS date: 2107-12-31 23:59:58
        dosTime = (23 << 11) | (59 << 5) | 29;
        dosDate = (127 << 9) | (12 << 5) | 31;
        return;
    }
    dosTime = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    dosDate = static_cast<std::uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

std::string FormatDosDateTime(std::uint16_t dosTime, std::uint16_t dosDate) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (dosDate >> 9),
                  (dosDate >> 5) & 0x0Fu, dosDate & 0x1Fu, dosTime >> 11, (dosTime >> 5) & 0x3Fu,
                  (dosTime & 0x1Fu) * 2);
    return text;
}

bool HasExtraBlock(const std::vector<std::uint8_t>& extra, std::uint16_t id) {
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const std::uint16_t blockId = GetLe16(&extra[at]);
        const std::uint16_t length = GetLe16(&extra[at + 2]);
        if (at + 4 + length > extra.size()) return false;
        if (blockId == id) return true;
        at += 4 + length;
    }
    return false;
}

}  // namespace mksfx
