#include "options_block.h"

#include <cstring>

#include "errors.h"

namespace mksfx {

namespace {

constexpr char Magic[OptionsMagicLength] = {'@', 'K', 'V'};
constexpr std::size_t MaxTextLength = 255;  // one length byte each

void CheckText(const char* option, const std::string& text) {
    if (text.size() > MaxTextLength)
        throw InputError(std::string(option) + " is " + std::to_string(text.size()) +
                         " bytes long; the options block holds at most " + std::to_string(MaxTextLength));
}

}  // namespace

std::uint8_t FlagsFor(const BlockSettings& settings) {
    std::uint8_t flags = 0;
    if (!settings.noFileList) flags |= OptionAllowFileList;
    if (settings.hideOverwriteSwitch) flags |= OptionHideOverwriteSwitch;
    if (!settings.noOverwrite) flags |= OptionOverwriteOn;
    return flags;
}

OptionsBytes BuildOptionsBlock(const BlockSettings& settings) {
    CheckText("--description", settings.description);
    CheckText("--folder", settings.defaultFolder);
    CheckText("--run", settings.launchCommand);
    const std::size_t total = OptionsTextsOffset + settings.description.size() +
                              settings.defaultFolder.size() + settings.launchCommand.size();
    if (total > OptionsBlockSize)
        throw InputError("the texts of --description, --folder and --run are " +
                         std::to_string(total - OptionsTextsOffset) +
                         " bytes together; the options block holds at most " +
                         std::to_string(OptionsBlockSize - OptionsTextsOffset));

    OptionsBytes block{};
    std::memcpy(block.data(), Magic, sizeof Magic);
    block[OptionsFlagsOffset] = FlagsFor(settings);
    block[OptionsDescriptionLengthOffset] = static_cast<std::uint8_t>(settings.description.size());
    block[OptionsFolderLengthOffset] = static_cast<std::uint8_t>(settings.defaultFolder.size());
    block[OptionsCommandLengthOffset] = static_cast<std::uint8_t>(settings.launchCommand.size());
    std::size_t at = OptionsTextsOffset;
    for (const std::string* text : {&settings.description, &settings.defaultFolder, &settings.launchCommand}) {
        std::memcpy(block.data() + at, text->data(), text->size());
        at += text->size();
    }
    return block;
}

StubView ReadStubView(const std::vector<std::uint8_t>& behindImage) {
    StubView view;
    if (behindImage.size() < OptionsMagicLength || std::memcmp(behindImage.data(), Magic, sizeof Magic) != 0)
        return view;
    auto byteAt = [&](std::size_t at) -> std::uint8_t { return at < behindImage.size() ? behindImage[at] : 0; };
    view.blockPresent = true;
    view.archiveBase = ArchiveBaseWithOptions;
    view.flags = byteAt(OptionsFlagsOffset);
    view.allowFileList = FlagsAllowFileList(view.flags);
    view.hideOverwriteSwitch = FlagsHideOverwriteSwitch(view.flags);
    view.overwriteDefault = FlagsOverwriteDefault(view.flags);
    std::size_t at = OptionsTextsOffset;
    for (auto [lengthOffset, text] : {std::pair{OptionsDescriptionLengthOffset, &view.description},
                                      std::pair{OptionsFolderLengthOffset, &view.defaultFolder},
                                      std::pair{OptionsCommandLengthOffset, &view.launchCommand}}) {
        const std::size_t length = byteAt(lengthOffset);
        for (std::size_t i = 0; i < length; ++i) text->push_back(static_cast<char>(byteAt(at + i)));
        // The stub's text buffers end at the first zero byte.
        text->resize(std::strlen(text->c_str()));
        at += length;
    }
    view.textsOverrun = at > OptionsBlockSize;
    return view;
}

}  // namespace mksfx
