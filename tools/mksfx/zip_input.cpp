#include "zip_input.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "entry_rules.h"
#include "errors.h"

namespace mksfx {

namespace {

constexpr std::size_t ChunkSize = 256 * 1024;
constexpr std::uint32_t Escape32 = 0xFFFFFFFFu;  // "see the Zip64 record"
constexpr std::uint16_t Escape16 = 0xFFFF;

struct EndRecord {
    std::uint64_t position = 0;
    std::uint16_t disk = 0, centralDisk = 0, entriesHere = 0, entries = 0;
    std::uint32_t centralLength = 0, centralOffset = 0;
    std::string comment;
};

EndRecord FindEndRecord(InputFile& in) {
    const std::uint64_t tail = std::min<std::uint64_t>(in.Size(), EndRecordLength + 0xFFFF);
    const std::vector<std::uint8_t> bytes = in.ReadAt(in.Size() - tail, static_cast<std::size_t>(tail));
    // From the back: the record whose comment reaches exactly to the end of
    // the file, else the last one whose comment fits.
    std::int64_t found = -1;
    for (std::int64_t at = static_cast<std::int64_t>(tail) - EndRecordLength; at >= 0; --at) {
        if (GetLe32(&bytes[at]) != EndSignature) continue;
        const std::uint64_t reach = at + EndRecordLength + GetLe16(&bytes[at + 20]);
        if (reach == tail) { found = at; break; }
        if (reach < tail && found < 0) found = at;
    }
    if (found < 0) throw InputError(in.Name() + " is not a ZIP archive (no end of central directory record)");
    const std::uint8_t* p = &bytes[found];
    EndRecord end;
    end.position = in.Size() - tail + found;
    end.disk = GetLe16(p + 4);
    end.centralDisk = GetLe16(p + 6);
    end.entriesHere = GetLe16(p + 8);
    end.entries = GetLe16(p + 10);
    end.centralLength = GetLe32(p + 12);
    end.centralOffset = GetLe32(p + 16);
    const std::size_t commentLength = std::min<std::size_t>(GetLe16(p + 20), tail - found - EndRecordLength);
    end.comment.assign(reinterpret_cast<const char*>(p + EndRecordLength), commentLength);
    return end;
}

std::string MethodName(std::uint16_t method) {
    switch (method) {
        case 1: return "Shrink";
        case 6: return "Implode";
        case 9: return "Deflate64";
        case 12: return "bzip2";
        case 14: return "LZMA";
        case 93: return "Zstandard";
        case 95: return "XZ";
        case 98: return "PPMd";
        default: return "method " + std::to_string(method);
    }
}

// The reason the stub could not extract an entry with these central fields,
// or empty.
std::string CentralProblem(std::uint16_t flags, std::uint16_t method, std::uint32_t compressedSize,
                           std::uint32_t size, std::uint32_t localOffset, const std::vector<std::uint8_t>& extra,
                           const std::string& name) {
    if (compressedSize == Escape32 || size == Escape32 || localOffset == Escape32 || HasExtraBlock(extra, ExtraZip64))
        return "it uses Zip64 records or sizes, which the stub cannot read";
    if ((flags & (FlagStrongEncryption | FlagMaskedHeaders)) != 0 || HasExtraBlock(extra, ExtraStrongEncryption))
        return "it uses strong encryption; the stub decrypts only the traditional ZIP encryption";
    if (method == MethodAes || HasExtraBlock(extra, ExtraAes))
        return "it uses AES encryption; the stub decrypts only the traditional ZIP encryption";
    if (method != MethodStored && method != MethodDeflated)
        return "it is compressed with " + MethodName(method) + " (method " + std::to_string(method) +
               "); the stub extracts only stored (0) and deflated (8) entries";
    std::string problem = EntryNameProblem(name);
    if (!problem.empty()) return problem;
    // Some writers deflate a folder entry's empty content into two bytes.
    if (IsFolderName(name) && size != 0) return "its name ends in a separator, yet it holds data";
    if ((flags & FlagEncrypted) != 0 && compressedSize < 12)
        return "it is encrypted but shorter than the 12-byte encryption header";
    if ((flags & FlagEncrypted) == 0 && method == MethodStored && compressedSize != size)
        return "it is stored, yet its packed and unpacked sizes differ";
    return {};
}

}  // namespace

ZipSource ReadZip(InputFile& in) {
    const EndRecord end = FindEndRecord(in);
    if (end.position >= Zip64LocatorLength &&
        GetLe32(in.ReadAt(end.position - Zip64LocatorLength, 4).data()) == Zip64LocatorSignature)
        throw InputError(in.Name() + " uses Zip64 end records, which the stub cannot read");
    if (end.entries == Escape16 || end.centralLength == Escape32 || end.centralOffset == Escape32)
        throw InputError(in.Name() + " uses Zip64 end records, which the stub cannot read");
    if (end.disk != 0 || end.centralDisk != 0 || end.entriesHere != end.entries)
        throw InputError(in.Name() + " is one part of a split archive; join the parts into one ZIP first");
    if (static_cast<std::uint64_t>(end.centralOffset) + end.centralLength > end.position)
        throw InputError(in.Name() + " is damaged: its central directory lies past its end record");
    // Bytes in front of the archive (an SFX stub, say) shift every offset.
    const std::uint64_t shift = end.position - end.centralLength - end.centralOffset;
    const std::uint64_t centralStart = end.centralOffset + shift;

    ZipSource source;
    source.comment = end.comment;
    std::vector<std::string> problems;
    const std::vector<std::uint8_t> central = in.ReadAt(centralStart, end.centralLength);
    std::size_t at = 0;
    for (unsigned index = 0; index < end.entries; ++index) {
        if (at + CentralHeaderLength > central.size() || GetLe32(&central[at]) != CentralSignature)
            throw InputError(in.Name() + " is damaged: its central directory ends after " + std::to_string(index) +
                             " of " + std::to_string(end.entries) + " entries");
        const std::uint8_t* p = &central[at];
        const std::size_t nameLength = GetLe16(p + 28), extraLength = GetLe16(p + 30), commentLength = GetLe16(p + 32);
        if (at + CentralHeaderLength + nameLength + extraLength + commentLength > central.size())
            throw InputError(in.Name() + " is damaged: central record " + std::to_string(index + 1) +
                             " runs past the central directory");
        ZipSourceEntry item;
        ArchiveEntry& entry = item.entry;
        entry.versionMadeBy = GetLe16(p + 4);
        entry.versionNeeded = GetLe16(p + 6);
        const std::uint16_t centralFlags = GetLe16(p + 8);
        entry.method = GetLe16(p + 10);
        entry.crc = GetLe32(p + 16);
        entry.compressedSize = GetLe32(p + 20);
        entry.uncompressedSize = GetLe32(p + 24);
        entry.internalAttributes = GetLe16(p + 36);
        entry.externalAttributes = GetLe32(p + 38);
        const std::uint32_t localOffset = GetLe32(p + 42);
        const char* text = reinterpret_cast<const char*>(p + CentralHeaderLength);
        entry.name.assign(text, nameLength);
        entry.centralExtra.assign(p + CentralHeaderLength + nameLength,
                                  p + CentralHeaderLength + nameLength + extraLength);
        entry.comment.assign(text + nameLength + extraLength, commentLength);
        at += CentralHeaderLength + nameLength + extraLength + commentLength;

        const std::string label = "entry \"" + Shown(entry.name) + "\": ";
        std::string problem = CentralProblem(centralFlags, entry.method, entry.compressedSize,
                                             entry.uncompressedSize, localOffset, entry.centralExtra, entry.name);
        if (!problem.empty()) {
            problems.push_back(label + problem);
            continue;
        }

        const std::uint64_t localStart = localOffset + shift;
        const std::vector<std::uint8_t> local = localStart + LocalHeaderLength <= centralStart
                                                    ? in.ReadAt(localStart, LocalHeaderLength)
                                                    : std::vector<std::uint8_t>(LocalHeaderLength, 0);
        if (GetLe32(local.data()) != LocalSignature) {
            problems.push_back(label + "its local header is missing or damaged");
            continue;
        }
        const std::uint16_t localFlags = GetLe16(&local[6]);
        const std::size_t localNameLength = GetLe16(&local[26]), localExtraLength = GetLe16(&local[28]);
        entry.localExtra = in.ReadAt(localStart + LocalHeaderLength + localNameLength, localExtraLength);
        item.dataOffset = localStart + LocalHeaderLength + localNameLength + localExtraLength;
        if (HasExtraBlock(entry.localExtra, ExtraZip64)) {
            problems.push_back(label + "it uses Zip64 records or sizes, which the stub cannot read");
            continue;
        }
        if (HasExtraBlock(entry.localExtra, ExtraAes)) {
            problems.push_back(label + "it uses AES encryption; the stub decrypts only the traditional ZIP encryption");
            continue;
        }
        if ((localFlags ^ centralFlags) & FlagEncrypted) {
            problems.push_back(label + "its local and central records disagree on whether it is encrypted");
            continue;
        }
        if (item.dataOffset + entry.compressedSize > centralStart) {
            problems.push_back(label + "its data runs into the central directory (the archive is damaged)");
            continue;
        }
        // The stub takes the flags and the time from the local header: the
        // password check byte is the high byte of the time when flag bit 3 is
        // set, of the CRC-32 otherwise. An encrypted entry keeps the bit the
        // writer encrypted it with, and with it a descriptor behind its data
        // as other tools expect; any other entry drops both.
        entry.flags = localFlags;
        entry.dosTime = GetLe16(&local[10]);
        entry.dosDate = GetLe16(&local[12]);
        const bool encrypted = (localFlags & FlagEncrypted) != 0;
        if ((localFlags & FlagDescriptor) != 0 && !encrypted) entry.flags &= ~FlagDescriptor;
        entry.writeDescriptor = (entry.flags & FlagDescriptor) != 0;
        source.archiveLength += LocalHeaderLength + entry.name.size() + entry.localExtra.size() +
                                entry.compressedSize + (entry.writeDescriptor ? DescriptorLength : 0) +
                                CentralHeaderLength + entry.name.size() + entry.centralExtra.size() +
                                entry.comment.size();
        source.entries.push_back(std::move(item));
    }
    if (!problems.empty()) {
        std::string message = "cannot pack " + in.Name() + ": the stub could not extract " +
                              (problems.size() == 1 ? "this entry:" : "these entries:");
        for (const std::string& problem : problems) message += "\n  " + problem;
        throw InputError(message);
    }
    if (source.entries.empty())
        throw InputError("cannot pack " + in.Name() + ": it holds no entries");
    if (source.entries.size() > MaxEntries)
        throw InputError("cannot pack " + in.Name() + ": " + std::to_string(source.entries.size()) +
                         " entries are more than the " + std::to_string(MaxEntries) +
                         " a ZIP without Zip64 records can list");
    source.archiveLength += EndRecordLength + source.comment.size();
    return source;
}

namespace {

// Follows an unencrypted entry's data through its CRC-32 (inflating it when
// deflated) to prove that the sizes and CRC-32 written into the local header
// are the data's own.
class DataCheck {
public:
    DataCheck(const std::string& archive, const ArchiveEntry& entry) : archive_(archive), entry_(entry), out_(ChunkSize) {
        if (entry.method == MethodDeflated && inflateInit2(&stream_, -MAX_WBITS) != Z_OK)
            throw OutputError("zlib could not start checking \"" + Shown(entry.name) + "\"");
    }
    ~DataCheck() {
        if (entry_.method == MethodDeflated) inflateEnd(&stream_);
    }
    void Feed(const std::uint8_t* bytes, std::size_t count) {
        if (entry_.method == MethodStored) {
            Count(bytes, count);
            return;
        }
        stream_.next_in = const_cast<Bytef*>(bytes);
        stream_.avail_in = static_cast<uInt>(count);
        while (stream_.avail_in > 0 && !ended_) {
            stream_.next_out = out_.data();
            stream_.avail_out = static_cast<uInt>(out_.size());
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END) Damaged("its Deflate data is invalid");
            Count(out_.data(), out_.size() - stream_.avail_out);
            ended_ = result == Z_STREAM_END;
        }
        if (ended_ && stream_.avail_in > 0) Damaged("its Deflate data ends before its packed size");
    }
    void Finish() {
        // Drain what inflate holds back once all input is in.
        while (entry_.method == MethodDeflated && !ended_) {
            stream_.next_out = out_.data();
            stream_.avail_out = static_cast<uInt>(out_.size());
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_BUF_ERROR || (result != Z_OK && result != Z_STREAM_END))
                Damaged("its Deflate data is cut short");
            Count(out_.data(), out_.size() - stream_.avail_out);
            ended_ = result == Z_STREAM_END;
        }
        if (size_ != entry_.uncompressedSize)
            Damaged("it unpacks to " + std::to_string(size_) + " bytes, not the " +
                    std::to_string(entry_.uncompressedSize) + " its central record gives");
        if (crc_ != entry_.crc) Damaged("its data does not match its CRC-32");
    }

private:
    void Count(const std::uint8_t* bytes, std::size_t count) {
        crc_ = crc32(crc_, bytes, static_cast<uInt>(count));
        size_ += count;
    }
    [[noreturn]] void Damaged(const std::string& reason) const {
        throw InputError("cannot pack " + archive_ + ": entry \"" + Shown(entry_.name) + "\": " + reason +
                         " (the archive is damaged)");
    }

    const std::string& archive_;
    const ArchiveEntry& entry_;
    z_stream stream_{};
    std::vector<std::uint8_t> out_;
    std::uint32_t crc_ = crc32(0, nullptr, 0);
    std::uint64_t size_ = 0;
    bool ended_ = false;
};

}  // namespace

void CopyEntries(InputFile& in, ZipSource& source, SfxWriter& writer, std::vector<ArchiveEntry>& entries) {
    std::vector<std::uint8_t> buffer(ChunkSize);
    for (ZipSourceEntry& item : source.entries) {
        ArchiveEntry& entry = item.entry;
        const bool encrypted = (entry.flags & FlagEncrypted) != 0;
        std::unique_ptr<DataCheck> check;
        if (!encrypted) check = std::make_unique<DataCheck>(in.Name(), entry);
        writer.BeginEntry(entry);
        std::uint64_t offset = item.dataOffset;
        for (std::uint64_t left = entry.compressedSize; left > 0;) {
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            in.ReadAt(offset, buffer.data(), count);
            if (check) check->Feed(buffer.data(), count);
            writer.WriteData(buffer.data(), count);
            offset += count;
            left -= count;
        }
        if (check) check->Finish();
        writer.FinishEntry(entry);
        entries.push_back(entry);
    }
}

}  // namespace mksfx
