// Code table builder: canonical prefix codes (RFC 1951, 3.2.2) laid out as
// multi-level lookup tables indexed by the stream's next bits, first bit lowest.
#include "decode/code_tables.h"

#include "runtime/heap.h"

namespace {

// A table level per possible code bit at most: every table resolves at least
// one bit and no code is longer than MaxCodeLength.
constexpr unsigned MaxLevels = MaxCodeLength + 1;

CodeTableEntry InvalidEntry() {
    CodeTableEntry entry;
    entry.Op = OpInvalid;
    entry.Bits = 0;
    entry.Value = 0;
    entry.SubTable = nullptr;
    return entry;
}

// Allocates a table of 2^bits entries behind its chain entry and puts it at
// the front of `list`. Its slots start invalid, so a slot the layout leaves
// unfilled can never send the decoder through an uninitialised link.
CodeTableEntry* AllocateTable(unsigned bits, TableList& list) {
    const unsigned size = 1u << bits;
    auto* block = static_cast<CodeTableEntry*>(GetMem((size + 1) * sizeof(CodeTableEntry)));
    block[0] = InvalidEntry();
    block[0].SubTable = list.First;
    for (unsigned i = 1; i <= size; ++i) block[i] = InvalidEntry();
    list.First = block + 1;
    return block + 1;
}

}  // namespace

int BuildCodeTable(const std::uint16_t* lengths, unsigned count, unsigned simpleBound, const std::uint16_t* base,
                   const std::uint8_t* extra, unsigned listSize, CodeTableEntry*& root, TableList& list,
                   unsigned& width) {
    // The end-of-block code's length: no table may reach past it (below).
    const unsigned eob = count > 256 ? lengths[256] : 16;

    unsigned lengthCount[MaxCodeLength + 1] = {};
    for (unsigned i = 0; i < count; ++i) ++lengthCount[lengths[i]];
    if (lengthCount[0] == count) {
        root = nullptr;
        width = 0;
        return CodeComplete;
    }

    unsigned minLen = 1;
    while (lengthCount[minLen] == 0) ++minLen;
    unsigned maxLen = MaxCodeLength;
    while (lengthCount[maxLen] == 0) --maxLen;
    if (width < minLen) width = minLen;
    if (width > maxLen) width = maxLen;

    // Kraft check. The unused codes of the longest length are laid out as
    // dummies, so every slot of every table is filled.
    int spare = 1 << minLen;
    for (unsigned len = minLen; len < maxLen; ++len) {
        spare -= static_cast<int>(lengthCount[len]);
        if (spare < 0) return CodeOversubscribed;
        spare <<= 1;
    }
    spare -= static_cast<int>(lengthCount[maxLen]);
    if (spare < 0) return CodeOversubscribed;
    lengthCount[maxLen] += static_cast<unsigned>(spare);

    unsigned offset[MaxCodeLength + 2];
    offset[1] = 0;
    for (unsigned len = 1; len < maxLen; ++len) offset[len + 1] = offset[len] + lengthCount[len];
    std::uint16_t sorted[MaxCodeLengths];
    unsigned placed = 0;
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        const unsigned len = lengths[symbol];
        if (len == 0) continue;
        sorted[offset[len]++] = static_cast<std::uint16_t>(symbol);
        ++placed;
    }

    // Level state; index level + 1 so that level -1 (no table yet) has width 0.
    unsigned levelWidth[MaxLevels + 1];
    CodeTableEntry* levelTable[MaxLevels];
    unsigned levelPrefix[MaxLevels];
    int level = -1;
    levelWidth[0] = 0;
    levelPrefix[0] = 0;
    unsigned resolved = 0;  // bits resolved by the tables above the current one
    unsigned code = 0;      // bit-reversed: the code's first bit is bit 0
    unsigned next = 0;      // position in `sorted`
    CodeTableEntry* rootTable = nullptr;

    for (unsigned k = minLen; k <= maxLen; ++k) {
        unsigned codesOfLength = lengthCount[k];
        while (codesOfLength-- != 0) {
            const unsigned left = codesOfLength;  // codes of length k still to come

            while (k > resolved + levelWidth[level + 1]) {
                resolved += levelWidth[level + 1];
                ++level;
                const unsigned limit = maxLen - resolved < width ? maxLen - resolved : width;
                unsigned j = k - resolved;
                unsigned f = 1u << j;
                if (f > left + 1 && j < limit) {
                    // Too few codes of length k to fill a j-bit table: grow it,
                    // up to the limit, while the longer codes still leave
                    // patterns unused. A table already at the limit stays: the
                    // root is never wider than the width asked for.
                    f -= left + 1;
                    unsigned longer = k;
                    while (++j < limit) {
                        f <<= 1;
                        if (f <= lengthCount[++longer]) break;
                        f -= lengthCount[longer];
                    }
                }
                // The table holding the end-of-block code ends at that code's
                // length, so decoding it never asks for bits past the stream.
                if (resolved + j > eob && resolved < eob) j = eob - resolved;

                CodeTableEntry* table = AllocateTable(j, list);
                if (rootTable == nullptr) rootTable = table;
                levelWidth[level + 1] = j;
                levelTable[level] = table;
                if (level > 0) {
                    levelPrefix[level] = code;
                    CodeTableEntry link;
                    link.Op = static_cast<std::uint8_t>(16 + j);
                    link.Bits = static_cast<std::uint8_t>(levelWidth[level]);
                    link.Value = 0;
                    link.SubTable = table;
                    const unsigned index = (code & ((1u << resolved) - 1)) >> (resolved - levelWidth[level]);
                    levelTable[level - 1][index] = link;
                }
            }

            CodeTableEntry entry;
            entry.Bits = static_cast<std::uint8_t>(k - resolved);
            entry.SubTable = nullptr;
            entry.Value = 0;
            if (next >= placed) {
                entry.Op = OpInvalid;
            } else {
                const unsigned symbol = sorted[next++];
                if (symbol < simpleBound) {
                    entry.Op = symbol < 256 ? OpLiteral : OpEndOfBlock;
                    entry.Value = static_cast<std::uint16_t>(symbol);
                } else if (symbol - simpleBound < listSize) {
                    entry.Op = extra[symbol - simpleBound];
                    entry.Value = base[symbol - simpleBound];
                } else {
                    entry.Op = OpInvalid;
                }
            }

            const unsigned tableSize = 1u << levelWidth[level + 1];
            const unsigned step = 1u << (k - resolved);
            for (unsigned i = code >> resolved; i < tableSize; i += step) levelTable[level][i] = entry;

            unsigned bit = 1u << (k - 1);
            while (code & bit) {
                code ^= bit;
                bit >>= 1;
            }
            code ^= bit;

            while ((code & ((1u << resolved) - 1)) != levelPrefix[level]) {
                --level;
                resolved -= levelWidth[level + 1];
            }
        }
    }

    root = rootTable;
    width = levelWidth[1];
    return (spare != 0 && maxLen != 1) ? CodeIncomplete : CodeComplete;
}

void FreeCodeTables(TableList& list) {
    CodeTableEntry* table = list.First;
    while (table != nullptr) {
        CodeTableEntry* previous = table[-1].SubTable;
        FreeMem(table - 1);
        table = previous;
    }
    list.First = nullptr;
}
