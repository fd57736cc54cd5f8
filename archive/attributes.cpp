// The attribute pass over the central directory.
#include "archive/attributes.h"

#include "archive/entry_names.h"
#include "archive/paths.h"
#include "archive/records.h"
#include "platform/platform.h"
#include "startup/startup.h"
#include "ui/dialogs.h"

void ApplyAttributes() {
    for (;;) {
        std::uint8_t record[CentralHeaderSize];
        // A record cut short by the end of the file is not used.
        if (ReadSelfImage(record, CentralHeaderSize) != CentralHeaderSize) return;
        if (record[2] != 0x01 || record[3] != 0x02) return;
        const std::uint16_t nameLength = ReadLe16(record + 28);
        const std::uint16_t extraLength = ReadLe16(record + 30);
        const std::uint16_t commentLength = ReadLe16(record + 32);
        const std::uint32_t attributes = ReadLe32(record + 38);

        String name(nameLength, '\0');
        if (ReadSelfImage(&name[0], nameLength) != nameLength) return;
        name = TextFromBuffer(name.data(), nameLength);
        // A folder entry's attributes belong to the folder itself, which the
        // existence test finds only without the trailing separator.
        if (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();

        // Names the extraction refuses would reach outside the folder here too.
        if (IsSafeEntryName(name)) {
            String path = FolderText(ExtractFolder);
            path += '\\';
            path += name;
            if (PathExists(path)) SetFileAttributesA(path.c_str(), attributes);
        }
        SetFilePointer(SelfImageHandle, static_cast<LONG>(extraLength) + commentLength, nullptr, FILE_CURRENT);
    }
}
