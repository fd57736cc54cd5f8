#include "info.h"

#include <iomanip>

#include "errors.h"
#include "input_file.h"
#include "options_block.h"
#include "zip_format.h"

namespace mksfx {

namespace {

constexpr std::uint32_t ZeroedLocalSignature = 0x50000000u;  // the stub takes it as a local header

void ShowCommand(const std::string& command, std::ostream& out) {
    const std::size_t bar = command.find('|');
    const std::string program = command.substr(0, bar);
    const std::string parameters = bar == std::string::npos ? "" : command.substr(bar + 1);
    out << "  run after extraction: \"" << Shown(command) << "\"\n"
        << "    program:            \"" << Shown(program) << "\"\n"
        << "    parameters:         \"" << Shown(parameters) << "\"\n";
    if (command.find("##") != std::string::npos) out << "    (\"##\" stands for the folder extracted into)\n";
}

void ShowOptions(const StubView& view, std::ostream& out) {
    if (view.blockPresent) {
        out << "Options block: present, flags 0x" << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
            << unsigned(view.flags) << std::dec << std::setfill(' ') << "\n";
    } else {
        out << "Options block: none (the stub's defaults apply)\n";
    }
    out << "  file list:            " << (view.allowFileList ? "offered" : "not offered") << "\n"
        << "  overwrite switch:     " << (view.hideOverwriteSwitch ? "hidden" : "shown") << ", starts "
        << (view.overwriteDefault ? "on" : "off") << "\n";
    if (!view.description.empty()) out << "  description:          \"" << Shown(view.description) << "\"\n";
    if (!view.defaultFolder.empty()) {
        out << "  default folder:       \"" << Shown(view.defaultFolder) << "\"";
        if (view.defaultFolder == "##") out << " (the temporary folder)";
        out << "\n";
    }
    if (!view.launchCommand.empty()) ShowCommand(view.launchCommand, out);
    if (view.textsOverrun) out << "  warning: the texts run past the block's 256 bytes into the archive\n";
}

const char* MethodText(std::uint16_t method) {
    return method == MethodStored ? "stored" : method == MethodDeflated ? "deflated" : "UNKNOWN";
}

}  // namespace

void ShowInfo(const std::string& path, std::ostream& out) {
    InputFile in(path);
    if (in.Size() < StubImageSize)
        throw InputError(path + " is " + std::to_string(in.Size()) + " bytes long: too short for a self-extractor, "
                         "whose stub alone is " + std::to_string(StubImageSize) + " bytes");
    const std::uint64_t behind = std::min<std::uint64_t>(in.Size() - StubImageSize, OptionsBlockSize + 3 * 255);
    const StubView view = ReadStubView(in.ReadAt(StubImageSize, static_cast<std::size_t>(behind)));
    ShowOptions(view, out);

    out << "Entries, as the stub walks them from offset " << view.archiveBase << ":\n"
        << "  Method        Size      Packed  Modified             Name\n";
    std::uint64_t position = view.archiveBase, entries = 0, total = 0;
    std::string trouble;
    while (position + LocalHeaderLength <= in.Size()) {
        const std::vector<std::uint8_t> header = in.ReadAt(position, LocalHeaderLength);
        const std::uint32_t signature = GetLe32(header.data());
        if (signature == DescriptorSignature) {
            position += DescriptorLength;
            continue;
        }
        if (signature != LocalSignature && signature != ZeroedLocalSignature) {
            if (signature != CentralSignature && trouble.empty())
                trouble = "the walk ends at offset " + std::to_string(position) + " on a record that is neither a "
                          "local header nor the central directory";
            break;
        }
        const std::uint16_t flags = GetLe16(&header[6]), method = GetLe16(&header[8]);
        const std::uint32_t packed = GetLe32(&header[18]), size = GetLe32(&header[22]);
        const std::size_t nameLength = GetLe16(&header[26]), extraLength = GetLe16(&header[28]);
        const std::vector<std::uint8_t> nameBytes =
            in.ReadAt(position + LocalHeaderLength, std::min<std::uint64_t>(nameLength, in.Size() - position - LocalHeaderLength));
        const std::string name(nameBytes.begin(), nameBytes.end());
        out << "  " << std::left << std::setw(8) << MethodText(method) << std::right << std::setw(10) << size
            << std::setw(12) << packed << "  " << FormatDosDateTime(GetLe16(&header[10]), GetLe16(&header[12]))
            << "  " << Shown(name) << ((flags & FlagEncrypted) ? "  (encrypted)" : "") << "\n";
        if (packed == 0 && (flags & FlagDescriptor) != 0 && size == 0 && trouble.empty())
            trouble = "\"" + Shown(name) + "\" keeps its sizes only in a data descriptor: the stub loses its way there";
        ++entries;
        total += size;
        position += LocalHeaderLength + nameLength + extraLength + packed;
    }
    out << entries << (entries == 1 ? " entry, " : " entries, ") << total << " bytes unpacked\n";
    if (!trouble.empty()) out << "warning: " << trouble << "\n";
    if (entries == 0) throw InputError(path + ": the stub finds no entries behind its image");
}

}  // namespace mksfx
