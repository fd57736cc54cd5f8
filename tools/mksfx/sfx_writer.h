#pragma once
// Writes the self-extractor: the stub's image, the options block when there
// is one, then the archive. Every local header carries the entry's real
// sizes and CRC-32, and the central directory and end record hold offsets
// from the start of the whole file, so the stub's walk and every ZIP tool
// read the same archive.
#include <cstdint>
#include <string>
#include <vector>

#include "options_block.h"
#include "output_file.h"
#include "zip_format.h"

namespace mksfx {

class SfxWriter {
public:
    SfxWriter(OutputFile& out, const std::vector<std::uint8_t>& stubImage, const OptionsBytes* block);

    // Writes the local header of `entry` (with the fields it has so far) and
    // records its offset; the data follows through WriteData.
    void BeginEntry(ArchiveEntry& entry);
    void WriteData(const void* bytes, std::size_t count);
    // Drops the data written since BeginEntry, to write it anew.
    void RestartData(const ArchiveEntry& entry);
    // Rewrites the local header with the final sizes and CRC-32, and adds the
    // data descriptor when the entry keeps one.
    void FinishEntry(const ArchiveEntry& entry);

    // Central directory and end record for the entries, in order; then the
    // file is put in place.
    void Finish(const std::vector<ArchiveEntry>& entries, const std::string& archiveComment);

private:
    void Put(const std::vector<std::uint8_t>& bytes);
    void CheckRoom(std::uint64_t count) const;

    OutputFile& out_;
    std::uint64_t dataStart_ = 0;
};

std::vector<std::uint8_t> LocalHeaderBytes(const ArchiveEntry& entry);

}  // namespace mksfx
