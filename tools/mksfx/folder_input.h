#pragma once
// Packing a folder: every file below it becomes one entry, deflated where
// that makes it smaller and stored otherwise.
#include <filesystem>
#include <string>
#include <vector>

#include "sfx_writer.h"
#include "zip_format.h"

namespace mksfx {

struct FolderItem {
    std::string name;          // relative, "/" separators; a folder's ends in "/"
    std::filesystem::path path;
    bool isFolder = false;     // an empty folder, kept as a folder entry
};

struct FolderListing {
    std::vector<FolderItem> items;
    std::vector<std::string> skipped;  // warnings: what is not packed and why
};

// Lists the files and empty folders below `folder` in a fixed order (each
// folder's names sorted, files and subfolders mixed); throws InputError
// naming every file whose name the stub could not write.
FolderListing ListFolder(const std::filesystem::path& folder);

// Writes one entry per item; `level` 0 stores everything, 1 to 9 deflate.
void PackFiles(const FolderListing& listing, int level, SfxWriter& writer, std::vector<ArchiveEntry>& entries);

}  // namespace mksfx
