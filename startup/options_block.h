#pragma once
// The layout of the SelfImage behind the stub's image and the flag rules of
// the OptionsBlock. Free of platform calls, so the packaging tool shares it.
#include <cstdint>

// The stub's image is padded to this length: the OptionsBlock or the archive
// follows directly behind it.
constexpr std::uint32_t StubImageSize = 32256;     // 0x7E00
constexpr std::uint32_t OptionsBlockSize = 256;
constexpr std::uint32_t ArchiveBaseWithOptions = StubImageSize + OptionsBlockSize;  // 0x7F00

// Offsets inside the OptionsBlock.
constexpr unsigned OptionsMagicLength = 3;          // "@KV"
constexpr unsigned OptionsFlagsOffset = 3;
constexpr unsigned OptionsDescriptionLengthOffset = 4;
constexpr unsigned OptionsFolderLengthOffset = 5;
constexpr unsigned OptionsCommandLengthOffset = 6;
constexpr unsigned OptionsTextsOffset = 7;

// Flag bits.
constexpr std::uint8_t OptionAllowFileList = 0x02;
constexpr std::uint8_t OptionHideOverwriteSwitch = 0x04;
constexpr std::uint8_t OptionOverwriteMask = 0x18;
constexpr std::uint8_t OptionOverwriteOn = 0x08;    // bits 3-4 exactly 01: overwrite starts on

// The overwrite check box of the main dialog, and the id that names no
// control (so nothing is checked when the dialog opens).
constexpr int OverwriteCheckBoxId = 501;
constexpr int NoOverwriteCheckId = 502;

inline bool FlagsAllowFileList(std::uint8_t flags) { return (flags & OptionAllowFileList) != 0; }
inline bool FlagsHideOverwriteSwitch(std::uint8_t flags) { return (flags & OptionHideOverwriteSwitch) != 0; }
inline bool FlagsOverwriteDefault(std::uint8_t flags) { return (flags & OptionOverwriteMask) == OptionOverwriteOn; }
