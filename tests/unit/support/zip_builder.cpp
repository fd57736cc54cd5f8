#include "support/zip_builder.h"

#include <zlib.h>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::uint32_t Crc32Of(const std::vector<std::uint8_t>& bytes) {
    return static_cast<std::uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::vector<std::uint8_t> BytesOf(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

std::vector<std::uint8_t> DeflateRaw(const std::vector<std::uint8_t>& plain, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(plain.size())) + 16);
    z.next_in = const_cast<Bytef*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

ZipEntry StoredEntry(const std::string& name, const std::string& content) {
    ZipEntry entry;
    entry.name = name;
    entry.data = BytesOf(content);
    entry.crc32 = Crc32Of(entry.data);
    entry.uncompressedSize = static_cast<std::uint32_t>(content.size());
    return entry;
}

ZipEntry DeflatedEntry(const std::string& name, const std::string& content) {
    ZipEntry entry = StoredEntry(name, content);
    entry.method = 8;
    entry.data = DeflateRaw(BytesOf(content));
    return entry;
}

std::vector<std::uint8_t> BuildZip(const std::vector<ZipEntry>& entries) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint32_t> offsets;
    for (const ZipEntry& e : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        const bool zeroSizes = e.sizesOnlyInDescriptor;
        Put32(out, e.signature);
        Put16(out, 20);
        Put16(out, e.flags);
        Put16(out, e.method);
        Put16(out, e.dosTime);
        Put16(out, e.dosDate);
        Put32(out, zeroSizes ? 0 : e.crc32);
        Put32(out, zeroSizes ? 0 : static_cast<std::uint32_t>(e.data.size()));
        Put32(out, zeroSizes ? 0 : e.uncompressedSize);
        Put16(out, static_cast<std::uint32_t>(e.name.size()));
        Put16(out, static_cast<std::uint32_t>(e.extra.size()));
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), e.extra.begin(), e.extra.end());
        out.insert(out.end(), e.data.begin(), e.data.end());
        if (e.descriptorBehind || e.sizesOnlyInDescriptor) {
            Put32(out, 0x08074B50);
            Put32(out, e.crc32);
            Put32(out, static_cast<std::uint32_t>(e.data.size()));
            Put32(out, e.uncompressedSize);
        }
    }
    const std::uint32_t centralStart = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ZipEntry& e = entries[i];
        Put32(out, 0x02014B50);
        Put16(out, 20);
        Put16(out, 20);
        Put16(out, e.flags);
        Put16(out, e.method);
        Put16(out, e.dosTime);
        Put16(out, e.dosDate);
        Put32(out, e.crc32);
        Put32(out, static_cast<std::uint32_t>(e.data.size()));
        Put32(out, e.uncompressedSize);
        Put16(out, static_cast<std::uint32_t>(e.name.size()));
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, 0);
        Put32(out, e.externalAttributes);
        Put32(out, offsets[i]);
        out.insert(out.end(), e.name.begin(), e.name.end());
    }
    const std::uint32_t centralSize = static_cast<std::uint32_t>(out.size()) - centralStart;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put32(out, centralSize);
    Put32(out, centralStart);
    Put16(out, 0);
    return out;
}
