#include "folder_input.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "entry_rules.h"
#include "errors.h"
#include "input_file.h"

namespace mksfx {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t ChunkSize = 256 * 1024;

std::string NameOf(const fs::path& path) {
    try {
        return path.filename().string();
    } catch (const std::exception&) {
        // A name the system's 8-bit code page cannot hold.
        throw InputError("cannot pack " + path.u8string() + ": its name has characters outside the system's code page");
    }
}

void ListInto(const fs::path& folder, const std::string& prefix, FolderListing& listing,
              std::vector<std::string>& badNames) {
    std::error_code error;
    std::vector<fs::directory_entry> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        children.push_back(*it);
    if (error) throw InputError("cannot read the folder " + folder.string() + ": " + error.message());
    std::sort(children.begin(), children.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });

    // Folders that hold files come about through them; an empty one needs
    // an entry of its own.
    if (children.empty() && !prefix.empty()) {
        const std::string problem = EntryNameProblem(prefix);
        if (!problem.empty()) badNames.push_back("\"" + Shown(prefix) + "\": " + problem);
        listing.items.push_back({prefix, folder, true});
    }
    for (const fs::directory_entry& child : children) {
        const std::string name = prefix + NameOf(child.path());
        const fs::file_status link = child.symlink_status(error);
        const fs::file_status target = child.status(error);
        if (fs::is_directory(link)) {
            ListInto(child.path(), name + "/", listing, badNames);
        } else if (fs::is_regular_file(target)) {
            const std::string problem = EntryNameProblem(name);
            if (!problem.empty()) badNames.push_back("\"" + Shown(name) + "\": " + problem);
            listing.items.push_back({name, child.path(), false});
        } else if (fs::is_directory(target)) {
            listing.skipped.push_back("\"" + Shown(name) + "\" is a link to a folder and is not followed");
        } else {
            listing.skipped.push_back("\"" + Shown(name) + "\" is neither a file nor a folder and is left out");
        }
    }
}

struct FileFacts {
    std::uint64_t size = 0;
    std::time_t modified = 0;
    bool readOnly = false;
};

FileFacts FactsOf(const fs::path& path) {
    FileFacts facts;
#ifdef _WIN32
    struct _stat64 info;
    if (_wstat64(path.c_str(), &info) != 0)
#else
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
#endif
        throw InputError("cannot read " + path.string() + ": " + std::strerror(errno));
    facts.size = static_cast<std::uint64_t>(info.st_size);
    facts.modified = info.st_mtime;
    std::error_code error;
    const fs::perms perms = fs::status(path, error).permissions();
    facts.readOnly = !error && (perms & fs::perms::owner_write) == fs::perms::none;
    return facts;
}

#ifndef _WIN32
bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || at + length > text.size()) return false;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[at + i]) >> 6) != 2) return false;
        at += length;
    }
    return true;
}
#endif

// Copies the file as it is; returns its CRC-32 and length.
void StoreFile(InputFile& in, SfxWriter& writer, ArchiveEntry& entry, std::vector<unsigned char>& buffer) {
    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t total = 0;
    in.Rewind();
    for (std::size_t got; (got = in.ReadSome(buffer.data(), buffer.size())) > 0;) {
        crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
        writer.WriteData(buffer.data(), got);
        total += got;
    }
    entry.method = MethodStored;
    entry.crc = crc;
    entry.uncompressedSize = static_cast<std::uint32_t>(total);
    entry.compressedSize = static_cast<std::uint32_t>(total);
}

// Deflates the file into the output; false when that made it no smaller.
bool DeflateFile(InputFile& in, int level, SfxWriter& writer, ArchiveEntry& entry,
                 std::vector<unsigned char>& buffer) {
    z_stream stream{};
    // Raw Deflate: no zlib header or trailer inside a ZIP entry.
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw OutputError("zlib could not start compressing " + in.Name());
    std::vector<unsigned char> packed(ChunkSize);
    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t total = 0, compressed = 0;
    int result = Z_OK;
    try {
        bool atEnd = false;
        while (result != Z_STREAM_END) {
            if (stream.avail_in == 0 && !atEnd) {
                const std::size_t got = in.ReadSome(buffer.data(), buffer.size());
                atEnd = got == 0;
                crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
                total += got;
                stream.next_in = buffer.data();
                stream.avail_in = static_cast<uInt>(got);
            }
            stream.next_out = packed.data();
            stream.avail_out = static_cast<uInt>(packed.size());
            result = deflate(&stream, atEnd ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR) throw OutputError("zlib failed while compressing " + in.Name());
            const std::size_t produced = packed.size() - stream.avail_out;
            compressed += produced;
            writer.WriteData(packed.data(), produced);
        }
    } catch (...) {
        deflateEnd(&stream);
        throw;
    }
    deflateEnd(&stream);
    if (compressed >= total) return false;
    entry.method = MethodDeflated;
    entry.crc = crc;
    entry.uncompressedSize = static_cast<std::uint32_t>(total);
    entry.compressedSize = static_cast<std::uint32_t>(compressed);
    return true;
}

}  // namespace

FolderListing ListFolder(const fs::path& folder) {
    FolderListing listing;
    std::vector<std::string> badNames;
    ListInto(folder, "", listing, badNames);
    if (!badNames.empty()) {
        std::string message = "cannot pack " + folder.string() + ": the stub could not write these files:";
        for (const std::string& bad : badNames) message += "\n  " + bad;
        throw InputError(message);
    }
    if (listing.items.empty()) throw InputError("cannot pack " + folder.string() + ": it is empty");
    return listing;
}

void PackFiles(const FolderListing& listing, int level, SfxWriter& writer, std::vector<ArchiveEntry>& entries) {
    std::vector<unsigned char> buffer(ChunkSize);
    for (const FolderItem& item : listing.items) {
        const FileFacts facts = FactsOf(item.path);
        if (facts.size > 0xFFFFFFFFu)
            throw InputError("cannot pack \"" + Shown(item.name) + "\": it is " + std::to_string(facts.size) +
                             " bytes long, which would need Zip64 sizes");
        ArchiveEntry entry;
        entry.name = item.name;
#ifndef _WIN32
        // Names come from the file system as UTF-8 here; say so to the tools
        // that honour the flag (the stub takes names as 8-bit text anyway).
        if (!IsAscii(entry.name) && IsUtf8(entry.name)) entry.flags |= FlagUtf8;
#endif
        ToDosDateTime(facts.modified, entry.dosTime, entry.dosDate);
        entry.externalAttributes = (item.isFolder ? DosFolder : DosArchive) | (facts.readOnly ? DosReadOnly : 0);

        writer.BeginEntry(entry);
        if (!item.isFolder) {
            InputFile in(item.path);
            if (level == 0 || facts.size == 0 || !DeflateFile(in, level, writer, entry, buffer)) {
                writer.RestartData(entry);
                StoreFile(in, writer, entry, buffer);
            }
        }
        writer.FinishEntry(entry);
        entries.push_back(std::move(entry));
    }
}

}  // namespace mksfx
