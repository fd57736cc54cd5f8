// Replays saved fuzz inputs without libFuzzer: each argument is a file or a
// folder of files, run once through the fuzz target.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

int RunPath(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return 0;
    if (!S_ISDIR(info.st_mode)) return RunFile(path);
    int count = 0;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.') count += RunPath(path + "/" + e->d_name);
        closedir(dir);
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) count += RunPath(argv[i]);
    std::printf("replayed %d inputs\n", count);
    return 0;
}
