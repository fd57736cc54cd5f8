#pragma once
// Taking an existing ZIP: every entry is checked against what the stub can
// extract, and the entries are copied with their real sizes and CRC-32 in
// the local headers, whatever form the writing tool left them in.
#include <filesystem>
#include <string>
#include <vector>

#include "input_file.h"
#include "sfx_writer.h"
#include "zip_format.h"

namespace mksfx {

struct ZipSourceEntry {
    ArchiveEntry entry;               // as it will be written
    std::uint64_t dataOffset = 0;     // in the input
};

struct ZipSource {
    std::vector<ZipSourceEntry> entries;
    std::string comment;
    std::uint64_t archiveLength = 0;  // of the archive as it will be written
};

// Reads and checks the central directory and the local headers; throws an
// InputError that names every entry the stub could not extract, and why.
ZipSource ReadZip(InputFile& in);

// Copies each entry's data, checking it against its CRC-32 unless it is
// encrypted.
void CopyEntries(InputFile& in, ZipSource& source, SfxWriter& writer, std::vector<ArchiveEntry>& entries);

}  // namespace mksfx
