// mksfx: makes a self-extracting archive from the stub, an optional options
// block and a ZIP archive (given, or packed from a folder).
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "entry_rules.h"
#include "errors.h"
#include "folder_input.h"
#include "info.h"
#include "input_file.h"
#include "options_block.h"
#include "output_file.h"
#include "sfx_writer.h"
#include "zip_input.h"

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef MKSFX_VERSION
#define MKSFX_VERSION "unknown"
#endif

namespace fs = std::filesystem;
using namespace mksfx;

namespace {

constexpr int DefaultLevel = 9;

const char Usage[] =
    "Usage:\n"
    "  mksfx [options] -o OUTPUT.exe INPUT    make a self-extractor; INPUT is a .zip file\n"
    "                                         or a folder to pack\n"
    "  mksfx --info FILE.exe                  show the options block and the entries of one\n"
    "\n"
    "Options that write an options block (without any of them there is none, and the\n"
    "stub shows the file list and starts with overwriting on):\n"
    "  --description TEXT      text shown in the extraction dialog\n"
    "  --folder TEXT           the folder offered for extraction; \"##\" is the\n"
    "                          user's temporary folder\n"
    "  --run COMMAND           started after a complete extraction, as\n"
    "                          \"program|parameters\"; \"##\" stands for the folder\n"
    "                          extracted into, e.g. \"##setup.exe|/quiet\"\n"
    "  --no-file-list          do not offer the list for choosing single files\n"
    "  --no-overwrite          the \"Overwrite existing files\" switch starts off\n"
    "  --hide-overwrite-switch do not show that switch\n"
    "Other options:\n"
    "  -o, --output FILE       the self-extractor to write (replaced only when complete)\n"
    "  --stub FILE             the stub to use (default: sfx.exe beside mksfx)\n"
    "  --level N               Deflate level 0-9 when packing a folder (default 9;\n"
    "                          0 stores the files)\n"
    "  --help, --version\n"
    "\n"
    "The three texts must fit the 256-byte options block: 249 bytes together, 255 each.\n"
    "Exit codes: 0 done, 1 the output could not be written, 2 bad usage or input.\n";

struct CommandLine {
    bool help = false, version = false;
    std::optional<std::string> info;
    std::optional<std::string> output, stub, level;
    std::vector<std::string> inputs;
    bool blockWanted = false;
    BlockSettings block;
};

CommandLine Parse(int argc, char** argv) {
    CommandLine line;
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> attached;
        if (const std::size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            attached = arg.substr(equals + 1);
            arg.erase(equals);
        }
        auto value = [&]() -> std::string {
            if (attached) return *attached;
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            return args[++i];
        };
        auto flag = [&](bool& target) {
            if (attached) throw UsageError(arg + " takes no value");
            target = true;
        };
        if (arg == "--help" || arg == "-h") flag(line.help);
        else if (arg == "--version") flag(line.version);
        else if (arg == "--info") line.info = value();
        else if (arg == "-o" || arg == "--output") line.output = value();
        else if (arg == "--stub") line.stub = value();
        else if (arg == "--level") line.level = value();
        else if (arg == "--description") line.block.description = value(), line.blockWanted = true;
        else if (arg == "--folder") line.block.defaultFolder = value(), line.blockWanted = true;
        else if (arg == "--run") line.block.launchCommand = value(), line.blockWanted = true;
        else if (arg == "--no-file-list") flag(line.block.noFileList), line.blockWanted = true;
        else if (arg == "--no-overwrite") flag(line.block.noOverwrite), line.blockWanted = true;
        else if (arg == "--hide-overwrite-switch") flag(line.block.hideOverwriteSwitch), line.blockWanted = true;
        else throw UsageError("unknown option " + arg);
    }
    return line;
}

int ParseLevel(const std::string& text) {
    if (text.size() != 1 || !std::isdigit(static_cast<unsigned char>(text[0])))
        throw UsageError("--level takes a number from 0 to 9, not \"" + text + "\"");
    return text[0] - '0';
}

fs::path ToolFolder(const char* argv0) {
#ifdef _WIN32
    char path[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length > 0 && length < sizeof path) return fs::path(path).parent_path();
#else
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) return self.parent_path();
#endif
    return fs::absolute(argv0).parent_path();
}

std::vector<std::uint8_t> ReadStub(const std::optional<std::string>& given, const char* argv0) {
    const fs::path path = given ? fs::path(*given) : ToolFolder(argv0) / "sfx.exe";
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        throw InputError("the stub " + path.string() + " is not there" +
                         (given ? "" : " (it belongs beside mksfx; or name one with --stub FILE)"));
    InputFile stub(path);
    if (stub.Size() != StubImageSize)
        throw InputError("the stub " + path.string() + " is " + std::to_string(stub.Size()) +
                         " bytes long; a stub is exactly " + std::to_string(StubImageSize) + " bytes");
    return stub.ReadAt(0, StubImageSize);
}

std::string Folded(std::string name) {
    for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// A packager who writes "##setup.exe" means a file of the archive; say so
// when the archive has none of that name.
void WarnAboutMissingProgram(const std::string& command, const std::vector<ArchiveEntry>& entries) {
    const std::string program = command.substr(0, command.find('|'));
    if (program.rfind("##", 0) != 0) return;
    std::string wanted = program.substr(2);
    if (wanted.empty() || wanted.find("##") != std::string::npos) return;
    wanted = Folded(wanted);
    const bool found = std::any_of(entries.begin(), entries.end(),
                                   [&](const ArchiveEntry& entry) { return Folded(entry.name) == wanted; });
    if (!found)
        std::cerr << "mksfx: warning: --run starts \"" << program << "\", but the archive has no entry \""
                  << program.substr(2) << "\"\n";
}

void Pack(const CommandLine& line, const char* argv0) {
    if (line.inputs.size() != 1)
        throw UsageError(line.inputs.empty() ? "no INPUT given (a .zip file or a folder)" : "more than one INPUT given");
    if (!line.output) throw UsageError("no output given: -o OUTPUT.exe");
    const std::string& input = line.inputs.front();
    std::error_code error;
    const bool isFolder = fs::is_directory(input, error);
    if (!isFolder && !fs::is_regular_file(input, error))
        throw InputError("the input " + input + " is neither a .zip file nor a folder");
    if (line.level && !isFolder) throw UsageError("--level applies only when packing a folder");
    const int level = line.level ? ParseLevel(*line.level) : DefaultLevel;

    std::optional<OptionsBytes> block;
    if (line.blockWanted) block = BuildOptionsBlock(line.block);
    const std::vector<std::uint8_t> stub = ReadStub(line.stub, argv0);

    std::vector<ArchiveEntry> entries;
    if (isFolder) {
        FolderListing listing = ListFolder(input);
        // An earlier output inside the folder is not part of what is packed.
        listing.items.erase(std::remove_if(listing.items.begin(), listing.items.end(),
                                           [&](const FolderItem& item) {
                                               std::error_code same;
                                               return !item.isFolder && fs::equivalent(item.path, *line.output, same);
                                           }),
                            listing.items.end());
        if (listing.items.empty()) throw InputError("cannot pack " + input + ": it holds nothing but " + *line.output);
        for (const std::string& skipped : listing.skipped) std::cerr << "mksfx: warning: " << skipped << "\n";

        OutputFile out(*line.output);
        SfxWriter writer(out, stub, block ? &*block : nullptr);
        PackFiles(listing, level, writer, entries);
        if (!line.block.launchCommand.empty()) WarnAboutMissingProgram(line.block.launchCommand, entries);
        writer.Finish(entries, "");
    } else {
        InputFile in(input);
        ZipSource source = ReadZip(in);
        const std::uint64_t front = StubImageSize + (block ? OptionsBlockSize : 0);
        if (front + source.archiveLength > MaxSelfImageSize)
            throw InputError("cannot pack " + input + ": the self-extractor would be " +
                             std::to_string(front + source.archiveLength) + " bytes long, past 2 GiB (" +
                             std::to_string(MaxSelfImageSize) + " bytes), the most the stub can read");
        OutputFile out(*line.output);
        SfxWriter writer(out, stub, block ? &*block : nullptr);
        CopyEntries(in, source, writer, entries);
        if (!line.block.launchCommand.empty()) WarnAboutMissingProgram(line.block.launchCommand, entries);
        writer.Finish(entries, source.comment);
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const CommandLine line = Parse(argc, argv);
        if (line.help) {
            std::cout << Usage;
            return 0;
        }
        if (line.version) {
            std::cout << "mksfx " MKSFX_VERSION "\n";
            return 0;
        }
        if (line.info) {
            if (!line.inputs.empty() || line.output || line.blockWanted)
                throw UsageError("--info takes one FILE and no other options");
            ShowInfo(*line.info, std::cout);
            return 0;
        }
        Pack(line, argv[0]);
        return 0;
    } catch (const UsageError& error) {
        std::cerr << "mksfx: " << error.what() << "\nTry 'mksfx --help'.\n";
        return 2;
    } catch (const InputError& error) {
        std::cerr << "mksfx: " << error.what() << "\n";
        return 2;
    } catch (const OutputError& error) {
        std::cerr << "mksfx: " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "mksfx: " << error.what() << "\n";
        return 1;
    }
}
