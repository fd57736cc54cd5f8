#include "sfx_writer.h"

#include "errors.h"

namespace mksfx {

std::vector<std::uint8_t> LocalHeaderBytes(const ArchiveEntry& entry) {
    std::vector<std::uint8_t> bytes;
    PutLe32(bytes, LocalSignature);
    PutLe16(bytes, entry.versionNeeded);
    PutLe16(bytes, entry.flags);
    PutLe16(bytes, entry.method);
    PutLe16(bytes, entry.dosTime);
    PutLe16(bytes, entry.dosDate);
    PutLe32(bytes, entry.crc);
    PutLe32(bytes, entry.compressedSize);
    PutLe32(bytes, entry.uncompressedSize);
    PutLe16(bytes, static_cast<std::uint32_t>(entry.name.size()));
    PutLe16(bytes, static_cast<std::uint32_t>(entry.localExtra.size()));
    bytes.insert(bytes.end(), entry.name.begin(), entry.name.end());
    bytes.insert(bytes.end(), entry.localExtra.begin(), entry.localExtra.end());
    return bytes;
}

namespace {

std::vector<std::uint8_t> CentralHeaderBytes(const ArchiveEntry& entry) {
    std::vector<std::uint8_t> bytes;
    PutLe32(bytes, CentralSignature);
    PutLe16(bytes, entry.versionMadeBy);
    PutLe16(bytes, entry.versionNeeded);
    PutLe16(bytes, entry.flags);
    PutLe16(bytes, entry.method);
    PutLe16(bytes, entry.dosTime);
    PutLe16(bytes, entry.dosDate);
    PutLe32(bytes, entry.crc);
    PutLe32(bytes, entry.compressedSize);
    PutLe32(bytes, entry.uncompressedSize);
    PutLe16(bytes, static_cast<std::uint32_t>(entry.name.size()));
    PutLe16(bytes, static_cast<std::uint32_t>(entry.centralExtra.size()));
    PutLe16(bytes, static_cast<std::uint32_t>(entry.comment.size()));
    PutLe16(bytes, 0);  // disk number
    PutLe16(bytes, entry.internalAttributes);
    PutLe32(bytes, entry.externalAttributes);
    PutLe32(bytes, entry.localOffset);
    bytes.insert(bytes.end(), entry.name.begin(), entry.name.end());
    bytes.insert(bytes.end(), entry.centralExtra.begin(), entry.centralExtra.end());
    bytes.insert(bytes.end(), entry.comment.begin(), entry.comment.end());
    return bytes;
}

}  // namespace

SfxWriter::SfxWriter(OutputFile& out, const std::vector<std::uint8_t>& stubImage, const OptionsBytes* block)
    : out_(out) {
    Put(stubImage);
    if (block != nullptr) Put(std::vector<std::uint8_t>(block->begin(), block->end()));
}

void SfxWriter::CheckRoom(std::uint64_t count) const {
    if (out_.Position() + count > MaxSelfImageSize)
        throw InputError("the self-extractor would grow past 2 GiB (" + std::to_string(MaxSelfImageSize) +
                         " bytes), the most the stub can read");
}

void SfxWriter::Put(const std::vector<std::uint8_t>& bytes) {
    CheckRoom(bytes.size());
    out_.Write(bytes.data(), bytes.size());
}

void SfxWriter::BeginEntry(ArchiveEntry& entry) {
    entry.localOffset = static_cast<std::uint32_t>(out_.Position());
    Put(LocalHeaderBytes(entry));
    dataStart_ = out_.Position();
}

void SfxWriter::WriteData(const void* bytes, std::size_t count) {
    CheckRoom(count);
    out_.Write(bytes, count);
}

void SfxWriter::RestartData(const ArchiveEntry&) { out_.Seek(dataStart_); }

void SfxWriter::FinishEntry(const ArchiveEntry& entry) {
    const std::uint64_t dataEnd = out_.Position();
    out_.Seek(entry.localOffset);
    out_.Write(LocalHeaderBytes(entry).data(), LocalHeaderLength + entry.name.size() + entry.localExtra.size());
    out_.Seek(dataEnd);
    if (entry.writeDescriptor) {
        std::vector<std::uint8_t> descriptor;
        PutLe32(descriptor, DescriptorSignature);
        PutLe32(descriptor, entry.crc);
        PutLe32(descriptor, entry.compressedSize);
        PutLe32(descriptor, entry.uncompressedSize);
        Put(descriptor);
    }
}

void SfxWriter::Finish(const std::vector<ArchiveEntry>& entries, const std::string& archiveComment) {
    if (entries.size() > MaxEntries)
        throw InputError(std::to_string(entries.size()) + " entries are more than the " +
                         std::to_string(MaxEntries) + " a ZIP without Zip64 records can list");
    const std::uint64_t centralStart = out_.Position();
    for (const ArchiveEntry& entry : entries) Put(CentralHeaderBytes(entry));
    const std::uint64_t centralLength = out_.Position() - centralStart;

    std::vector<std::uint8_t> end;
    PutLe32(end, EndSignature);
    PutLe16(end, 0);  // this disk
    PutLe16(end, 0);  // disk where the central directory starts
    PutLe16(end, static_cast<std::uint32_t>(entries.size()));
    PutLe16(end, static_cast<std::uint32_t>(entries.size()));
    PutLe32(end, static_cast<std::uint32_t>(centralLength));
    PutLe32(end, static_cast<std::uint32_t>(centralStart));
    PutLe16(end, static_cast<std::uint32_t>(archiveComment.size()));
    end.insert(end.end(), archiveComment.begin(), archiveComment.end());
    Put(end);
    out_.Commit(out_.Position());
}

}  // namespace mksfx
