#pragma once
// StubOptions and ArchiveBase, read once from the OptionsBlock.
#include <cstdint>

#include "startup/options_block.h"

struct StubOptionsRecord {
    bool allowFileList;
    bool hideOverwriteSwitch;
    std::int32_t overwriteCheckId;
    bool overwriteDefault;
    bool hasDescription;
    char* description;        // TextBuffer
    bool hasDefaultFolder;
    char* defaultFolder;      // TextBuffer
    bool hasLaunchCommand;
    char* launchCommand;      // TextBuffer
};

extern StubOptionsRecord StubOptions;
// File offset of the first local entry: StubImageSize, or ArchiveBaseWithOptions
// when an OptionsBlock is present.
extern std::uint32_t ArchiveBase;

// Sets ArchiveBase and StubOptions from the SelfImage. The three TextBuffers of
// StubOptions must be allocated. Reports nothing.
void ReadOptions();
