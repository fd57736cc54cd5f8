#pragma once
// The OptionsBlock as the packager asks for it, written in the stub's layout
// and read back for --info with the stub's own flag rules.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "startup/options_block.h"

namespace mksfx {

struct BlockSettings {
    std::string description;
    std::string defaultFolder;   // "##": the temporary folder
    std::string launchCommand;   // "program|parameters", "##" for the folder extracted into
    bool noFileList = false;
    bool noOverwrite = false;
    bool hideOverwriteSwitch = false;
};

using OptionsBytes = std::array<std::uint8_t, OptionsBlockSize>;

std::uint8_t FlagsFor(const BlockSettings& settings);

// Throws InputError when the texts do not fit the block.
OptionsBytes BuildOptionsBlock(const BlockSettings& settings);

// What the stub takes from the bytes behind its image: the defaults when no
// block is there (fewer than 3 bytes, or not "@KV").
struct StubView {
    bool blockPresent = false;
    std::uint32_t archiveBase = StubImageSize;
    std::uint8_t flags = 0;
    bool allowFileList = true;
    bool hideOverwriteSwitch = false;
    bool overwriteDefault = true;
    std::string description;
    std::string defaultFolder;
    std::string launchCommand;
    // The texts run past the block's 256 bytes (the stub reads them anyway).
    bool textsOverrun = false;
};

// `behindImage`: the file's bytes from offset 32256 on (as many as there are,
// up to 256 + 255 * 3 suffice). Missing bytes read as zero.
StubView ReadStubView(const std::vector<std::uint8_t>& behindImage);

}  // namespace mksfx
