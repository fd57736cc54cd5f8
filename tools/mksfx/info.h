#pragma once
#include <ostream>
#include <string>

namespace mksfx {

// Shows what the stub makes of FILE: the options block decoded with the
// stub's rules, then the entries its front-to-back walk meets. Throws
// InputError for a file that cannot be a self-extractor.
void ShowInfo(const std::string& path, std::ostream& out);

}  // namespace mksfx
