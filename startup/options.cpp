// The OptionsBlock reader: where the archive begins, and the StubOptions.
#include "startup/options.h"

#include "archive/records.h"
#include "platform/platform.h"
#include "startup/startup.h"

StubOptionsRecord StubOptions;
std::uint32_t ArchiveBase = StubImageSize;

namespace {

// Reads `count` bytes; bytes the SelfImage does not have read as zero.
void ReadOptionBytes(void* buffer, std::uint32_t count) {
    std::uint8_t* bytes = static_cast<std::uint8_t*>(buffer);
    const std::uint32_t read = ReadSelfImage(bytes, count);
    for (std::uint32_t i = read; i < count; ++i) bytes[i] = 0;
}

// Reads a text of `length` bytes into a TextBuffer and terminates it there.
void ReadOptionText(char* buffer, std::uint8_t length) {
    if (length > 0) ReadOptionBytes(buffer, length);
    buffer[length] = '\0';
}

}  // namespace

void ReadOptions() {
    StubOptions.overwriteDefault = true;
    StubOptions.hasLaunchCommand = false;
    StubOptions.hasDefaultFolder = false;
    StubOptions.hasDescription = false;
    StubOptions.allowFileList = true;
    StubOptions.hideOverwriteSwitch = false;
    StubOptions.overwriteCheckId = OverwriteCheckBoxId;
    StubOptions.description[0] = '\0';
    StubOptions.defaultFolder[0] = '\0';
    StubOptions.launchCommand[0] = '\0';
    ArchiveBase = StubImageSize;

    SeekArchive(static_cast<std::int32_t>(StubImageSize), SeekFromStart);
    char magic[OptionsMagicLength];
    if (ReadSelfImage(magic, OptionsMagicLength) != OptionsMagicLength) return;
    if (magic[0] != '@' || magic[1] != 'K' || magic[2] != 'V') return;
    ArchiveBase = ArchiveBaseWithOptions;

    std::uint8_t fields[4];  // flags, D, F, L
    ReadOptionBytes(fields, sizeof fields);
    const std::uint8_t flags = fields[0];
    StubOptions.allowFileList = FlagsAllowFileList(flags);
    StubOptions.hideOverwriteSwitch = FlagsHideOverwriteSwitch(flags);
    StubOptions.overwriteDefault = FlagsOverwriteDefault(flags);
    StubOptions.overwriteCheckId = StubOptions.overwriteDefault ? OverwriteCheckBoxId : NoOverwriteCheckId;
    StubOptions.hasDescription = fields[1] > 0;
    StubOptions.hasDefaultFolder = fields[2] > 0;
    StubOptions.hasLaunchCommand = fields[3] > 0;

    ReadOptionText(StubOptions.description, fields[1]);
    ReadOptionText(StubOptions.defaultFolder, fields[2]);
    if (fields[2] == 2 && StubOptions.defaultFolder[0] == '#' && StubOptions.defaultFolder[1] == '#') {
        // "##" stands for the temporary folder. A path that does not fit the
        // TextBuffer leaves the text empty rather than cut.
        const DWORD length = GetTempPathA(TextBufferSize - 1, StubOptions.defaultFolder);
        if (length == 0 || length >= TextBufferSize - 1) {
            StubOptions.defaultFolder[0] = '\0';
            StubOptions.hasDefaultFolder = false;
        }
    }
    ReadOptionText(StubOptions.launchCommand, fields[3]);
}
