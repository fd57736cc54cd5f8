// The decode fuzz target run over its seed corpus and every saved regression
// input, in the ordinary (and sanitizer) unit test builds. The target aborts
// on a failure.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>

#include "../fuzz/decode_fuzzer.cpp"  // the target itself, without libFuzzer
#include "support/fixtures.h"

namespace {

int ReplayFolder(const std::string& folder) {
    int count = 0;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return 0;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const std::vector<std::uint8_t> bytes = ReadWholeFile(folder + "/" + e->d_name);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++count;
    }
    closedir(dir);
    return count;
}

TEST(DecodeFuzzInputs, SeedsAndRegressionsDecodeWithoutFault) {
    const std::string fuzz = std::string(SFX_SOURCE_DIR) + "/tests/fuzz";
    EXPECT_GT(ReplayFolder(fuzz + "/corpus/decode"), 0);
    ReplayFolder(fuzz + "/regressions/decode");
}

}  // namespace
