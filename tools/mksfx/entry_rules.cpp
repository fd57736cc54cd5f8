#include "entry_rules.h"

#include <cstring>

#include "zip_format.h"

namespace mksfx {

std::string EntryNameProblem(const std::string& name) {
    if (name.empty()) return "the name is empty";
    if (name.find('\0') != std::string::npos) return "the name holds a zero byte";
    if (name.size() > MaxEntryNameLength)
        return "the name is " + std::to_string(name.size()) + " bytes long; at most " +
               std::to_string(MaxEntryNameLength) + " are possible";
    // The stub joins the name to its folder as it stands and takes both "/"
    // and "\" as separators, so each of these would write outside that folder.
    if (name[0] == '/' || name[0] == '\\') return "the name begins with a separator (an absolute path)";
    if (name.find(':') != std::string::npos) return "the name holds a colon (a drive designator)";
    // Windows file names cannot hold these; the stub refuses the wildcards
    // outright, and the platform the others when the file is created.
    for (unsigned char c : name) {
        if (c < 0x20) return "the name holds a control character, which Windows file names cannot hold";
        if (std::strchr("*?<>\"|", c) != nullptr)
            return std::string("the name holds \"") + static_cast<char>(c) + "\", which Windows file names cannot hold";
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0)
            return "the name has a \"..\" component, which leads outside the folder";
        start = end + 1;
    }
    return {};
}

bool IsFolderName(const std::string& name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

}  // namespace mksfx
