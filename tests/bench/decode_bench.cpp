// Deflate decoding throughput: the stub's DecodeDeflateEntry (SelfImage file,
// InputFeed, OutputWindow, CRC-32, output file) against zlib's inflate doing
// the same job (file reads in 32 KiB chunks, 32 KiB output writes, zlib's
// crc32), on the same raw Deflate files in memory-backed storage.
//
//   build/native/tests/decode_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Throughput is counted in uncompressed bytes. StubCrcOnly is the CRC-32 part
// of the stub's time (its byte-at-a-time CRC), shown on its own.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/extract_state.h"
#include "decode/crc.h"
#include "decode/decode.h"
#include "platform/platform.h"
#include "startup/startup.h"
#include "support/zip_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFileBytes(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    Bytes out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (out.size() > limit) out.resize(limit);
    return out;
}

// Text: the system's licence texts and documentation, repeated up to 8 MiB.
// Binary: the benchmark's own executable and the C++ runtime, likewise.
Bytes Corpus(bool text) {
    const char* sources[][4] = {
        {"/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/Apache-2.0",
         "/usr/share/common-licenses/LGPL-2.1", "/usr/share/common-licenses/Artistic"},
        {"/proc/self/exe", "/usr/lib/x86_64-linux-gnu/libstdc++.so.6", "/usr/lib/x86_64-linux-gnu/libc.so.6",
         "/usr/bin/cmake"}};
    Bytes out;
    const std::size_t target = 8u << 20;
    for (int round = 0; out.size() < target && round < 64; ++round)
        for (const char* path : sources[text ? 0 : 1]) {
            const Bytes part = ReadFileBytes(path, 4u << 20);
            out.insert(out.end(), part.begin(), part.end());
        }
    out.resize(std::min(out.size(), target));
    return out;
}

struct Sample {
    std::string path;  // the raw Deflate file
    std::size_t compressedSize = 0;
    std::size_t plainSize = 0;
    std::uint32_t crc = 0;
    Bytes plain;
};

const Sample& GetSample(bool text) {
    static Sample samples[2];
    Sample& s = samples[text ? 0 : 1];
    if (s.path.empty()) {
        static std::uint32_t table[256];
        if (CrcTable == nullptr) {
            CrcTable = table;
            BuildCrcTable();
        }
        s.plain = Corpus(text);
        const Bytes compressed = DeflateRaw(s.plain, 6);
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        s.path = std::string(dir) + "/sfx-bench-" + (text ? "text" : "binary") + "-" + std::to_string(getpid());
        std::FILE* f = std::fopen(s.path.c_str(), "wb");
        std::fwrite(compressed.data(), 1, compressed.size(), f);
        std::fclose(f);
        s.compressedSize = compressed.size();
        s.plainSize = s.plain.size();
        s.crc = static_cast<std::uint32_t>(crc32(0, s.plain.data(), static_cast<uInt>(s.plain.size())));
        std::atexit([] {
            for (Sample& each : samples)
                if (!each.path.empty()) std::remove(each.path.c_str());
        });
    }
    return s;
}

void StubDecode(benchmark::State& state, bool text) {
    const Sample& s = GetSample(text);
    for (auto _ : state) {
        SelfImageHandle = CreateFileA(s.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        OutputHandle = CreateFileA("/dev/null", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        CurrentHeader = LocalEntryHeader{};
        RemainingInput = static_cast<std::int32_t>(s.compressedSize);
        RunningCrc = 0xFFFFFFFFu;
        EntryIncomplete = false;
        DecodeDeflateEntry();
        CloseHandle(OutputHandle);
        CloseHandle(SelfImageHandle);
        if ((RunningCrc ^ 0xFFFFFFFFu) != s.crc || EntryIncomplete) state.SkipWithError("wrong output");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.plainSize));
}

void ZlibInflate(benchmark::State& state, bool text, bool withCrc) {
    const Sample& s = GetSample(text);
    std::vector<std::uint8_t> in(32768), out(32768);
    for (auto _ : state) {
        const int input = open(s.path.c_str(), O_RDONLY);
        const int output = open("/dev/null", O_WRONLY);
        z_stream z{};
        inflateInit2(&z, -15);
        uLong crc = crc32(0, Z_NULL, 0);
        int ret = Z_OK;
        while (ret == Z_OK) {
            if (z.avail_in == 0) {
                const ssize_t n = read(input, in.data(), in.size());
                if (n <= 0) break;
                z.next_in = in.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            ret = inflate(&z, Z_NO_FLUSH);
            const uInt produced = static_cast<uInt>(out.size() - z.avail_out);
            if (write(output, out.data(), produced) < 0) break;
            if (withCrc) crc = crc32(crc, out.data(), produced);
        }
        inflateEnd(&z);
        close(input);
        close(output);
        if (ret != Z_STREAM_END || (withCrc && crc != s.crc)) state.SkipWithError("zlib failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.plainSize));
}

void StubCrcOnly(benchmark::State& state, bool text) {
    const Sample& s = GetSample(text);
    for (auto _ : state) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t at = 0; at < s.plain.size(); at += 32768)
            CrcUpdate(s.plain.data() + at, static_cast<std::int32_t>(std::min<std::size_t>(32768, s.plain.size() - at)), crc);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.plainSize));
}

}  // namespace

BENCHMARK_CAPTURE(StubDecode, text, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflate, text_with_crc32, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflate, text_without_crc32, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StubCrcOnly, text, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StubDecode, binary, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflate, binary_with_crc32, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflate, binary_without_crc32, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StubCrcOnly, binary, false)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
