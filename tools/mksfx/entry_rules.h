#pragma once
// What an entry must be for the stub to extract it below the chosen folder.
#include <string>

namespace mksfx {

// Empty when the stub can write an entry of this name below its folder;
// otherwise the reason it cannot, as a phrase for a message.
std::string EntryNameProblem(const std::string& name);

// A name that ends in a separator: the entry stands for a folder.
bool IsFolderName(const std::string& name);

}  // namespace mksfx
