#pragma once
// The three ways the tool fails, each with its exit code. The message is
// complete: it names the file or entry and the reason.
#include <stdexcept>
#include <string>

namespace mksfx {

// Bad command line: exit 2, with a hint to --help.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An input the tool cannot or must not turn into a self-extractor: exit 2.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The output could not be written (disk full, no permission): exit 1.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace mksfx
