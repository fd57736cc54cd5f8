#pragma once
// Packing a folder: every file below it becomes one entry, deflated where
// that makes it smaller and stored otherwise.
#include <filesystem>
#include <string>
#include <vector>

#include "sfx_writer.h"
#include "zip_format.h"

namespace mksfx {

struct FolderFile {
    std::string name;          // relative, "/" separators
    std::filesystem::path path;
};

struct FolderListing {
    std::vector<FolderFile> files;
    std::vector<std::string> emptyFolders;  // relative, ending in "/"
    std::vector<std::string> skipped;       // warnings: what is not packed and why
};

// Lists the files below `folder` in a fixed order (each folder's names
// sorted, files and subfolders mixed); throws InputError naming every file
// whose name the stub could not write.
FolderListing ListFolder(const std::filesystem::path& folder);

// Writes one entry per file; `level` 0 stores everything, 1 to 9 deflate.
void PackFiles(const FolderListing& listing, int level, SfxWriter& writer, std::vector<ArchiveEntry>& entries);

}  // namespace mksfx
