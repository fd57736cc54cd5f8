// libFuzzer target: arbitrary bytes as one entry's compressed data, decoded
// through the real path (SelfImage file, InputFeed, decoders, OutputWindow,
// output file), plain and encrypted, stored and deflated.
//
// Input: byte 0 chooses the entry (bit 0: encrypted, bit 1: stored); the rest
// is the entry data. Plain deflated data that zlib's inflate accepts must
// decode to the same bytes and count as complete.
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/extract_state.h"
#include "decode/crc.h"
#include "decode/decode.h"
#include "platform/platform.h"
#include "startup/startup.h"

namespace {

const std::string& ImagePath() {
    static const std::string path = [] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/sfx-decode-fuzz-" + std::to_string(getpid()) + ".bin";
    }();
    return path;
}

void PrepareOnce() {
    static bool done = false;
    if (done) return;
    static std::uint32_t table[256];
    CrcTable = table;
    BuildCrcTable();
    std::atexit([] { std::remove(ImagePath().c_str()); });
    done = true;
}

// zlib's verdict on a raw Deflate stream: the CRC of its output, or false when
// it does not accept the stream as one complete stream.
bool InflateWithZlib(const std::uint8_t* data, std::size_t size, std::uint32_t& crc) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    std::vector<std::uint8_t> out(1 << 16);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    uLong c = crc32(0L, Z_NULL, 0);
    int ret;
    do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        ret = inflate(&z, Z_NO_FLUSH);
        c = crc32(c, out.data(), static_cast<uInt>(out.size() - z.avail_out));
    } while (ret == Z_OK && (z.avail_out == 0 || z.avail_in > 0));
    inflateEnd(&z);
    crc = static_cast<std::uint32_t>(c);
    return ret == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    PrepareOnce();
    const bool encrypted = data[0] & 1;
    const bool stored = data[0] & 2;
    const std::uint8_t* body = data + 1;
    const std::size_t bodySize = size - 1;

    FILE* image = std::fopen(ImagePath().c_str(), "wb");
    if (image == nullptr) return 0;
    // A local header behind the data: the decoders must not read into it.
    static const std::uint8_t next[] = {'P', 'K', 3, 4, 0xFF, 0xFF, 0xFF, 0xFF};
    std::fwrite(body, 1, bodySize, image);
    std::fwrite(next, 1, sizeof(next), image);
    std::fclose(image);

    SelfImageHandle = CreateFileA(ImagePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    OutputHandle = CreateFileA("/dev/null", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    CurrentHeader = LocalEntryHeader{};
    CurrentHeader.flags = encrypted ? 0x0001 : 0;
    CurrentHeader.method = stored ? 0 : 8;
    if (encrypted) InitKeys(String("fuzz"));
    RemainingInput = static_cast<std::int32_t>(bodySize);
    RunningCrc = 0xFFFFFFFFu;
    EntryIncomplete = false;
    if (stored) {
        CopyStoredEntry();
    } else {
        DecodeDeflateEntry();
    }
    const std::uint32_t position = SetFilePointer(SelfImageHandle, 0, nullptr, FILE_CURRENT);
    CloseHandle(OutputHandle);
    CloseHandle(SelfImageHandle);
    OutputHandle = INVALID_HANDLE_VALUE;
    SelfImageHandle = INVALID_HANDLE_VALUE;

    if (position > bodySize) {
        std::fprintf(stderr, "read %u bytes of a %zu-byte entry\n", position, bodySize);
        std::abort();
    }
    std::uint32_t zlibCrc = 0;
    if (!encrypted && !stored && InflateWithZlib(body, bodySize, zlibCrc)) {
        if (EntryIncomplete || (RunningCrc ^ 0xFFFFFFFFu) != zlibCrc) {
            std::fprintf(stderr, "zlib accepts the stream: CRC %08X, ours %08X, incomplete %d\n", zlibCrc,
                         RunningCrc ^ 0xFFFFFFFFu, EntryIncomplete);
            std::abort();
        }
    }
    return 0;
}
