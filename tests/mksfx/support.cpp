#include "support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace mksfx_test {

namespace {

std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(b, at)) | (static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The traditional ZIP cipher, only as far as the password check byte.
struct Cipher {
    std::uint32_t keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
    static std::uint32_t CrcByte(std::uint8_t byte, std::uint32_t crc) {
        std::uint32_t c = (crc ^ byte) & 0xFF;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        return c ^ (crc >> 8);
    }
    void Update(std::uint8_t plain) {
        keys[0] = CrcByte(plain, keys[0]);
        keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
        keys[2] = CrcByte(static_cast<std::uint8_t>(keys[1] >> 24), keys[2]);
    }
    std::uint8_t Decrypt(std::uint8_t cipher) {
        const std::uint32_t t = (keys[2] & 0xFFFF) | 2;
        const std::uint8_t plain = cipher ^ static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
        Update(plain);
        return plain;
    }
};

std::string ProblemWithData(const std::vector<std::uint8_t>& bytes, std::size_t at, const WalkedEntry& entry) {
    std::string plain;
    if (entry.method == 0) {
        plain.assign(bytes.begin() + at, bytes.begin() + at + entry.packedSize);
    } else if (entry.method == 8) {
        z_stream stream{};
        inflateInit2(&stream, -MAX_WBITS);
        stream.next_in = const_cast<Bytef*>(bytes.data() + at);
        stream.avail_in = entry.packedSize;
        std::vector<std::uint8_t> out(64 * 1024);
        int result = Z_OK;
        while (result == Z_OK) {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            result = inflate(&stream, Z_NO_FLUSH);
            plain.append(out.begin(), out.begin() + (out.size() - stream.avail_out));
        }
        const bool whole = result == Z_STREAM_END && stream.avail_in == 0;
        inflateEnd(&stream);
        if (!whole) return "its Deflate data does not end exactly at its packed size";
    } else {
        return "method " + std::to_string(entry.method);
    }
    if (plain.size() != entry.size) return "the header's size differs from the data's";
    const std::uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size()));
    if (crc != entry.crc) return "the header's CRC-32 differs from the data's";
    return {};
}

}  // namespace

Scratch::Scratch() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/mksfx-test-XXXXXX";
    const char* made = mkdtemp(&pattern[0]);
    path_ = made ? made : "";
}

Scratch::~Scratch() {
    if (!path_.empty()) std::system(("chmod -R u+w " + Quoted(path_) + "; rm -rf " + Quoted(path_)).c_str());
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Outcome Shell(const std::string& commandLine) {
    Scratch logs;
    const std::string out = logs / "out", err = logs / "err";
    Outcome outcome;
    const int status = std::system(("( " + commandLine + " ) </dev/null >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = ReadAll(out);
    outcome.err = ReadAll(err);
    return outcome;
}

Outcome RunMksfx(const std::string& arguments) { return Shell(Quoted(MKSFX_PATH) + " " + arguments); }

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    const std::string all = ReadAll(path);
    return std::vector<std::uint8_t>(all.begin(), all.end());
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::string& StandInStub() {
    static Scratch folder;
    static std::string path;
    if (!path.empty()) return path;
    path = folder / "stub.exe";
    WriteText(folder / "stub.c", "int main(void) { return 0; }\n");
    const Outcome built = Shell("i686-w64-mingw32-gcc -Os -s -o " + Quoted(folder / "program.exe") + " " +
                              Quoted(folder / "stub.c"));
    std::vector<std::uint8_t> image;
    if (built.exitCode == 0) image = ReadBytes(folder / "program.exe");
    if (image.empty() || image.size() > 32256) image = {'M', 'Z'};  // no cross compiler: a plain image
    image.resize(32256, 0);
    WriteBytes(path, image);
    return path;
}

std::map<std::string, std::string> Tree(const std::string& folder, bool withFolders) {
    std::map<std::string, std::string> tree;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        for (const std::string& name : FolderNames(folder + "/" + relative)) {
            const std::string child = relative + name;
            struct stat info;
            if (stat((folder + "/" + child).c_str(), &info) != 0) continue;
            if (S_ISDIR(info.st_mode)) {
                if (withFolders) tree[child + "/"] = "";
                pending.push_back(child + "/");
            } else {
                tree[child] = ReadAll(folder + "/" + child);
            }
        }
    }
    return tree;
}

::testing::AssertionResult WalkLikeTheStub(const std::string& sfx, std::vector<WalkedEntry>& entries,
                                           const std::string& password) {
    entries.clear();
    const std::vector<std::uint8_t> bytes = ReadBytes(sfx);
    auto fail = [&](const std::string& what) { return ::testing::AssertionFailure() << sfx << ": " << what; };
    if (bytes.size() < 32256 + 22) return fail("too short");
    const bool block = bytes[32256] == '@' && bytes[32257] == 'K' && bytes[32258] == 'V';
    std::size_t at = block ? 32512 : 32256;

    while (at + 4 <= bytes.size() && Le32(bytes, at) == 0x04034B50u) {
        if (at + 30 > bytes.size()) return fail("a local header is cut short");
        WalkedEntry entry;
        entry.offset = static_cast<std::uint32_t>(at);
        entry.flags = Le16(bytes, at + 6);
        entry.method = Le16(bytes, at + 8);
        entry.dosTime = Le16(bytes, at + 10);
        entry.dosDate = Le16(bytes, at + 12);
        entry.crc = Le32(bytes, at + 14);
        entry.packedSize = Le32(bytes, at + 18);
        entry.size = Le32(bytes, at + 22);
        const std::size_t nameLength = Le16(bytes, at + 26), extraLength = Le16(bytes, at + 28);
        const std::size_t data = at + 30 + nameLength + extraLength;
        if (data + entry.packedSize > bytes.size()) return fail("entry data runs past the end of the file");
        entry.name.assign(bytes.begin() + at + 30, bytes.begin() + at + 30 + nameLength);
        const std::string label = "entry \"" + entry.name + "\" at " + std::to_string(at) + ": ";
        if ((entry.flags & 1) == 0) {
            const std::string problem = ProblemWithData(bytes, data, entry);
            if (!problem.empty()) return fail(label + problem);
        } else if (!password.empty()) {
            Cipher cipher;
            for (char c : password) cipher.Update(static_cast<std::uint8_t>(c));
            std::uint8_t check = 0;
            for (int i = 0; i < 12; ++i) check = cipher.Decrypt(bytes[data + i]);
            const std::uint8_t expected = (entry.flags & 8) ? static_cast<std::uint8_t>(entry.dosTime >> 8)
                                                            : static_cast<std::uint8_t>(entry.crc >> 24);
            if (check != expected) return fail(label + "the password check byte does not fit the header");
        }
        at = data + entry.packedSize;
        if (at + 16 <= bytes.size() && Le32(bytes, at) == 0x08074B50u) {
            if ((entry.flags & 9) != 9) return fail(label + "a data descriptor follows an entry that needs none");
            if (Le32(bytes, at + 4) != entry.crc || Le32(bytes, at + 8) != entry.packedSize ||
                Le32(bytes, at + 12) != entry.size)
                return fail(label + "its data descriptor differs from its header");
            entry.descriptorBehind = true;
            at += 16;
        }
        entries.push_back(entry);
    }

    std::size_t end = bytes.size() - 22;
    while (end > 0 && !(Le32(bytes, end) == 0x06054B50u && end + 22 + Le16(bytes, end + 20) == bytes.size())) --end;
    if (end == 0) return fail("no end record");
    const std::uint32_t centralOffset = Le32(bytes, end + 16), centralLength = Le32(bytes, end + 12);
    if (centralOffset != at)
        return fail("the walk ends at " + std::to_string(at) + ", the end record puts the central directory at " +
                    std::to_string(centralOffset));
    if (centralOffset + centralLength != end) return fail("the central directory does not reach the end record");
    if (Le16(bytes, end + 10) != entries.size()) return fail("the end record counts other entries than the walk");
    std::size_t record = centralOffset;
    for (WalkedEntry& entry : entries) {
        if (Le32(bytes, record) != 0x02014B50u) return fail("a central record is missing");
        const std::size_t nameLength = Le16(bytes, record + 28);
        const std::string name(bytes.begin() + record + 46, bytes.begin() + record + 46 + nameLength);
        if (name != entry.name || Le32(bytes, record + 42) != entry.offset || Le32(bytes, record + 16) != entry.crc ||
            Le32(bytes, record + 20) != entry.packedSize || Le32(bytes, record + 24) != entry.size ||
            Le16(bytes, record + 8) != entry.flags)
            return fail("the central record of \"" + entry.name + "\" differs from its local header");
        entry.externalAttributes = Le32(bytes, record + 38);
        record += 46 + nameLength + Le16(bytes, record + 30) + Le16(bytes, record + 32);
    }
    return ::testing::AssertionSuccess();
}

std::string SfxExtractTool() {
    for (const std::string& candidate : {std::string(SFX_EXTRACT_PATH), std::string(SFX_SOURCE_DIR) + "/dist/sfx-extract"})
        if (!candidate.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    return {};
}

}  // namespace mksfx_test
