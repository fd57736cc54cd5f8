#include "runtime/heap.h"

#include "platform/platform.h"
#include "runtime/fatal.h"

namespace {

// Every block carries a small header so that a release can tell our blocks
// from anything else; the size keeps the payload 8-byte aligned.
struct BlockHeader {
    unsigned int magic;
    unsigned int size;
};
static_assert(sizeof(BlockHeader) == 8, "payload alignment depends on an 8-byte header");

constexpr unsigned int LiveBlockMagic = 0x4B564842u;  // "BHVK"
constexpr unsigned int DeadBlockMagic = 0x44454144u;

}  // namespace

void* GetMem(std::size_t size) {
    if (size > 0x7FFFFF00u) RunError(203);
    void* raw = HeapAlloc(GetProcessHeap(), 0, size + sizeof(BlockHeader));
    if (raw == nullptr) RunError(203);
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    header->magic = LiveBlockMagic;
    header->size = static_cast<unsigned int>(size);
    return header + 1;
}

void FreeMem(void* block) {
    if (block == nullptr) return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->magic != LiveBlockMagic) RunError(204);
    header->magic = DeadBlockMagic;
    HeapFree(GetProcessHeap(), 0, header);
}
