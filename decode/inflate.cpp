// Deflate decoder (RFC 1951): bit reader, symbol loop, block routines and the
// entry driver. Input comes from the InputFeed, output goes to the
// OutputWindow; the entry is judged by its CRC and EntryIncomplete.
#include "decode/inflate.h"

#include <cstring>

#include "archive/extract_state.h"
#include "decode/decode.h"
#include "decode/feed.h"
#include "runtime/heap.h"

const std::uint16_t LengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
                                      35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const std::uint8_t LengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                      3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
const std::uint16_t DistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const std::uint8_t DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const std::uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
const std::uint16_t BitMask[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                   0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

std::uint32_t BitBuffer = 0;
std::uint16_t BitCount = 0;

namespace {

constexpr unsigned MaxLitLenCodes = 288;
constexpr unsigned MaxDistanceCodes = 32;
// The dynamic block's lengths: up to 288 literal/length and 32 distance lengths.
std::uint16_t LengthList[320];
static_assert(sizeof(LengthList) / sizeof(LengthList[0]) >= MaxLitLenCodes + MaxDistanceCodes,
              "LengthList holds HLIT + HDIST lengths at their largest");
static_assert(sizeof(LengthBase) / sizeof(LengthBase[0]) == 288 - 257, "one length entry per symbol 257..287");
static_assert(WindowSize <= 32768 && (WindowSize & (WindowSize - 1)) == 0,
              "source positions are taken modulo the window size");

// Fixed-code tables, built by the entry's first fixed block and released
// with the entry.
CodeTableEntry* FixedLiteralTable = nullptr;
CodeTableEntry* FixedDistanceTable = nullptr;
TableList FixedLiteralList = {nullptr};
TableList FixedDistanceList = {nullptr};
constexpr unsigned FixedLiteralWidth = 7;
constexpr unsigned FixedDistanceWidth = 5;

// Past the end of the entry's data the bit reader reads one-bits. A
// well-formed stream looks ahead at most 16 bits past its end and never
// consumes them, so a third such byte means the data ran out: decoding stops.
unsigned PastEndBytes = 0;
constexpr unsigned MaxPastEndBytes = 2;
// Set when the entry's decoding has to end: the input ran out, or a code or
// symbol could not be used. The entry then counts as incomplete.
bool DecodingStopped = false;

/* ------------------------------------------------------------------------
 * Bit reader
 *
 * The routines work on a local copy of the bit state, the feed position and
 * the window position (a Reader), and store it back when they end. The local
 * bit buffer is a machine word: where the InputBuffer holds enough bytes it
 * is refilled a word at a time, otherwise byte by byte through the feed.
 * Between routines BitBuffer holds at most 23 bits, as a 32-bit value.
 * ------------------------------------------------------------------------ */

using BitWord = std::size_t;
constexpr unsigned WordBits = sizeof(BitWord) * 8;
// A word refill reads sizeof(BitWord) bytes and keeps at least WordBits - 8
// bits; one symbol step refills at most three times (32-bit words).
constexpr std::ptrdiff_t FastInputMargin = 4 * sizeof(BitWord);

struct Reader {
    BitWord hold;            // BitBuffer; bits above `bits` are ignored
    unsigned bits;           // BitCount
    const std::uint8_t* in;  // InputBuffer + InputPos
    const std::uint8_t* inEnd;
    unsigned pos;            // WindowPos
};

Reader LoadReader() {
    Reader r;
    r.hold = BitBuffer;
    r.bits = BitCount;
    r.in = InputBuffer + InputPos;
    r.inEnd = InputBuffer + InputCount;
    r.pos = WindowPos;
    return r;
}

// Hands the bytes taken from the InputBuffer since the last sync back to the
// feed's own counts.
void SyncFeed(const Reader& r) {
    const std::uint16_t taken = static_cast<std::uint16_t>(r.in - InputBuffer);
    RemainingInput -= static_cast<std::int32_t>(taken - InputPos);
    InputPos = taken;
}

void StoreReader(Reader& r) {
    // Whole bytes beyond 23 bits came from word refills out of the current
    // InputBuffer: put them back, so the shared state fits 32 bits.
    while (r.bits > 23) {
        --r.in;
        r.bits -= 8;
    }
    SyncFeed(r);
    BitBuffer = static_cast<std::uint32_t>(r.hold & ((BitWord(1) << r.bits) - 1));
    BitCount = static_cast<std::uint16_t>(r.bits);
    WindowPos = static_cast<std::uint16_t>(r.pos);
}

BitWord LoadWord(const std::uint8_t* p) {
    BitWord word;
    std::memcpy(&word, p, sizeof(word));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = sizeof(word) == 8 ? __builtin_bswap64(word) : __builtin_bswap32(word);
#endif
    return word;
}

// Entry: at least sizeof(BitWord) bytes left in the InputBuffer.
// Exit: at least WordBits - 8 valid bits.
inline void RefillWord(Reader& r) {
    r.hold |= LoadWord(r.in) << r.bits;
    r.in += (WordBits - 1 - r.bits) >> 3;
    r.bits |= WordBits - 8;
}

// One byte into the bit buffer: from the InputBuffer, else through the feed,
// which refills it or reports the end of the data (then one-bits are read).
__attribute__((noinline)) void FetchThroughFeed(Reader& r) {
    SyncFeed(r);
    const int next = NextInputByte();
    r.in = InputBuffer + InputPos;
    r.inEnd = InputBuffer + InputCount;
    if (next < 0) {
        r.hold |= ~BitWord(0) << r.bits;
        if (++PastEndBytes > MaxPastEndBytes) DecodingStopped = true;
    } else {
        r.hold |= static_cast<BitWord>(next) << r.bits;
    }
    r.bits += 8;
}

inline void EnsureBits(Reader& r, unsigned n) {
    while (r.bits < n) {
        if (r.in < r.inEnd) {
            r.hold |= static_cast<BitWord>(*r.in++) << r.bits;
            r.bits += 8;
        } else {
            FetchThroughFeed(r);
        }
    }
}

inline void DropBits(Reader& r, unsigned n) {
    r.hold >>= n;
    r.bits -= n;
}

inline unsigned ReadBits(Reader& r, unsigned n) {
    EnsureBits(r, n);
    const unsigned value = static_cast<unsigned>(r.hold & BitMask[n]);
    DropBits(r, n);
    return value;
}

// True once bits from past the end of the data have been consumed (they sit
// on top of the real bits in the buffer); decoding then stops.
inline bool ReadPastEnd(const Reader& r) {
    if (r.bits >= PastEndBytes * 8) return false;
    DecodingStopped = true;
    return true;
}

/* ------------------------------------------------------------------------
 * Output window
 * ------------------------------------------------------------------------ */

void FlushAt(Reader& r) {
    WindowPos = static_cast<std::uint16_t>(r.pos);
    FlushWindow();
    r.pos = 0;
}

// Copies `length` bytes from `distance` back, piece by piece around the ring:
// a piece never crosses the window's end, for the destination or the source.
__attribute__((noinline)) void CopyAcrossWindow(Reader& r, unsigned distance, unsigned length) {
    std::uint8_t* window = OutputWindow;
    unsigned src = (r.pos - distance) & 0xFFFF;
    while (length > 0) {
        src &= WindowSize - 1;
        unsigned piece = WindowSize - (src > r.pos ? src : r.pos);
        if (piece > length) piece = length;
        length -= piece;
        if (static_cast<int>(r.pos) - static_cast<int>(src) >= static_cast<int>(piece)) {
            std::memcpy(window + r.pos, window + src, piece);
        } else {
            // Overlapping: ascending order repeats the bytes just written.
            for (unsigned i = 0; i < piece; ++i) window[r.pos + i] = window[src + i];
        }
        src += piece;
        r.pos += piece;
        if (r.pos == WindowSize) FlushAt(r);
    }
}

// Entry: distance <= pos and pos + length < WindowSize, so neither end of the
// copy wraps. Writes exactly `length` bytes.
inline void CopyWithinWindow(std::uint8_t* dest, unsigned distance, unsigned length) {
    const std::uint8_t* src = dest - distance;
    if (distance >= sizeof(BitWord) && length >= sizeof(BitWord)) {
        // Every word read lies at least a word behind the write, in bytes
        // already final; the last word may overlap the one before it.
        constexpr unsigned W = sizeof(BitWord);
        unsigned i = 0;
        do {
            std::memcpy(dest + i, src + i, W);
            i += W;
        } while (i + W <= length);
        if (i < length) std::memcpy(dest + length - W, src + length - W, W);
    } else if (distance == 1) {
        std::memset(dest, src[0], length);
    } else {
        for (unsigned i = 0; i < length; ++i) dest[i] = src[i];
    }
}

/* ------------------------------------------------------------------------
 * Symbol loop
 * ------------------------------------------------------------------------ */

constexpr int SymbolsEnded = 0;
constexpr int SymbolsFailed = 1;

// Follows links from a root entry to the code's final entry and drops its
// bits. Returns null for an invalid code.
inline const CodeTableEntry* LookUp(Reader& r, const CodeTableEntry* table, unsigned width) {
    EnsureBits(r, width);
    const CodeTableEntry* entry = &table[r.hold & BitMask[width]];
    while (entry->Op > OpLiteral) {
        if (entry->Op == OpInvalid) return nullptr;
        DropBits(r, entry->Bits);
        const unsigned subBits = entry->Op - 16u;
        EnsureBits(r, subBits);
        entry = &entry->SubTable[r.hold & BitMask[subBits]];
    }
    DropBits(r, entry->Bits);
    return entry;
}

// Decodes literals and length/distance pairs up to the end-of-block code.
// Returns SymbolsEnded at the end-of-block code, SymbolsFailed at an invalid
// code, a length without a distance code, or once the input has run out.
// The state is stored back either way: decoding ends after a failure, and
// what was decoded before it is kept.
int DecodeSymbols(const CodeTableEntry* literalTable, const CodeTableEntry* distanceTable, unsigned literalWidth,
                  unsigned distanceWidth) {
    Reader r = LoadReader();
    std::uint8_t* const window = OutputWindow;
    int result = SymbolsFailed;
    for (;;) {
        // Near the end of the data a symbol may have been read from the
        // one-bits past it; such a symbol is not output.
        const bool nearEnd = r.inEnd - r.in < FastInputMargin;
        if (!nearEnd) {
            RefillWord(r);
        } else if (DecodingStopped) {
            break;
        }
        const CodeTableEntry* entry = LookUp(r, literalTable, literalWidth);
        if (entry == nullptr) break;
        if (nearEnd && ReadPastEnd(r)) break;
        if (entry->Op == OpLiteral) {
            window[r.pos++] = static_cast<std::uint8_t>(entry->Value);
            if (r.pos == WindowSize) FlushAt(r);
            continue;
        }
        if (entry->Op == OpEndOfBlock) {
            result = SymbolsEnded;
            break;
        }
        const unsigned lengthExtra = entry->Op;
        unsigned length = entry->Value;
        EnsureBits(r, lengthExtra);
        length += static_cast<unsigned>(r.hold & BitMask[lengthExtra]);
        DropBits(r, lengthExtra);

        if (distanceTable == nullptr) break;
        if (WordBits < 64 && r.inEnd - r.in >= FastInputMargin) RefillWord(r);
        entry = LookUp(r, distanceTable, distanceWidth);
        if (entry == nullptr) break;
        const unsigned distanceExtra = entry->Op;
        unsigned distance = entry->Value;
        if (WordBits < 64 && r.inEnd - r.in >= FastInputMargin) RefillWord(r);
        EnsureBits(r, distanceExtra);
        distance += static_cast<unsigned>(r.hold & BitMask[distanceExtra]);
        DropBits(r, distanceExtra);
        if (nearEnd && ReadPastEnd(r)) break;

        // Distances are not checked against the output so far: the window
        // starts cleared and source positions wrap around it.
        if (distance <= r.pos && r.pos + length < WindowSize) {
            CopyWithinWindow(window + r.pos, distance, length);
            r.pos += length;
        } else {
            CopyAcrossWindow(r, distance, length);
        }
    }
    StoreReader(r);
    return result;
}

/* ------------------------------------------------------------------------
 * Blocks
 * ------------------------------------------------------------------------ */

void DecodeStoredBlock() {
    Reader r = LoadReader();
    DropBits(r, r.bits & 7);
    unsigned length = ReadBits(r, 16);
    // NLEN is read and not acted on: the block is LEN bytes either way, and a
    // damaged entry fails its CRC check.
    ReadBits(r, 16);
    while (length > 0 && !DecodingStopped) {
        if (r.bits >= 8) {
            // Whole bytes the bit buffer already holds come first; a stored
            // block never reaches past the data.
            if (r.bits < PastEndBytes * 8 + 8) {
                DecodingStopped = true;
                break;
            }
            OutputWindow[r.pos++] = static_cast<std::uint8_t>(r.hold);
            DropBits(r, 8);
            --length;
        } else if (r.in < r.inEnd) {
            unsigned piece = static_cast<unsigned>(r.inEnd - r.in);
            if (piece > length) piece = length;
            if (piece > WindowSize - r.pos) piece = WindowSize - r.pos;
            std::memcpy(OutputWindow + r.pos, r.in, piece);
            r.in += piece;
            r.pos += piece;
            length -= piece;
        } else {
            EnsureBits(r, 8);
            continue;
        }
        if (r.pos == WindowSize) FlushAt(r);
    }
    StoreReader(r);
}

void DecodeFixedBlock() {
    if (FixedLiteralTable == nullptr) {
        std::uint16_t lengths[288];
        for (unsigned i = 0; i < 144; ++i) lengths[i] = 8;
        for (unsigned i = 144; i < 256; ++i) lengths[i] = 9;
        for (unsigned i = 256; i < 280; ++i) lengths[i] = 7;
        for (unsigned i = 280; i < 288; ++i) lengths[i] = 8;
        unsigned width = FixedLiteralWidth;
        BuildCodeTable(lengths, 288, 257, LengthBase, LengthExtra, 31, FixedLiteralTable, FixedLiteralList, width);
        for (unsigned i = 0; i < 30; ++i) lengths[i] = 5;
        width = FixedDistanceWidth;
        // Incomplete (symbols 30 and 31 have no code), and accepted.
        BuildCodeTable(lengths, 30, 0, DistanceBase, DistanceExtra, 30, FixedDistanceTable, FixedDistanceList,
                       width);
    }
    if (DecodeSymbols(FixedLiteralTable, FixedDistanceTable, FixedLiteralWidth, FixedDistanceWidth) != SymbolsEnded)
        DecodingStopped = true;
}

// Reads the block's code lengths into LengthList. False: the lengths cannot
// be used (no code-length code, an invalid code-length symbol, a repeat past
// the end of the list, or the input ran out).
bool ReadCodeLengths(Reader& r, unsigned& literalCount, unsigned& distanceCount) {
    literalCount = 257 + ReadBits(r, 5);
    distanceCount = 1 + ReadBits(r, 5);
    const unsigned lengthCodes = 4 + ReadBits(r, 4);
    for (unsigned j = 0; j < 19; ++j) LengthList[CodeLengthOrder[j]] = j < lengthCodes ? ReadBits(r, 3) : 0;
    if (DecodingStopped) return false;

    TableList list = {nullptr};
    CodeTableEntry* table = nullptr;
    unsigned width = 7;
    const int built = BuildCodeTable(LengthList, 19, 19, nullptr, nullptr, 0, table, list, width);
    bool usable = built == CodeComplete && table != nullptr;

    const unsigned total = literalCount + distanceCount;
    unsigned i = 0;
    std::uint16_t previous = 0;
    while (usable && i < total) {
        EnsureBits(r, width);
        const CodeTableEntry& entry = table[r.hold & BitMask[width]];
        // A complete code of at most 7 bits lies wholly in the root table;
        // anything but a symbol entry is an unused code.
        if (entry.Op != OpLiteral || DecodingStopped) {
            usable = false;
            break;
        }
        DropBits(r, entry.Bits);
        const unsigned symbol = entry.Value;
        if (symbol < 16) {
            LengthList[i++] = static_cast<std::uint16_t>(symbol);
            previous = static_cast<std::uint16_t>(symbol);
            continue;
        }
        unsigned repeat;
        std::uint16_t value = 0;
        if (symbol == 16) {
            repeat = 3 + ReadBits(r, 2);
            value = previous;
        } else if (symbol == 17) {
            repeat = 3 + ReadBits(r, 3);
        } else {
            repeat = 11 + ReadBits(r, 7);
        }
        if (repeat > total - i) {
            usable = false;
            break;
        }
        while (repeat-- > 0) LengthList[i++] = value;
        previous = value;
    }
    FreeCodeTables(list);
    return usable && !DecodingStopped;
}

void DecodeDynamicBlock() {
    Reader r = LoadReader();
    unsigned literalCount, distanceCount;
    const bool lengthsRead = ReadCodeLengths(r, literalCount, distanceCount);
    StoreReader(r);
    if (!lengthsRead) {
        DecodingStopped = true;
        return;
    }

    TableList literalList = {nullptr};
    TableList distanceList = {nullptr};
    CodeTableEntry* literalTable = nullptr;
    CodeTableEntry* distanceTable = nullptr;
    unsigned literalWidth = 9;
    unsigned distanceWidth = 6;
    const int literalBuilt = BuildCodeTable(LengthList, literalCount, 257, LengthBase, LengthExtra, 31, literalTable,
                                            literalList, literalWidth);
    // An incomplete distance code is used as built; its unused codes are
    // invalid. One without codes serves a block that has no length symbol.
    const int distanceBuilt = BuildCodeTable(LengthList + literalCount, distanceCount, 0, DistanceBase,
                                             DistanceExtra, 30, distanceTable, distanceList, distanceWidth);
    if (literalBuilt != CodeComplete || literalTable == nullptr || distanceBuilt == CodeOversubscribed) {
        DecodingStopped = true;
    } else if (DecodeSymbols(literalTable, distanceTable, literalWidth, distanceWidth) != SymbolsEnded) {
        DecodingStopped = true;
    }
    FreeCodeTables(literalList);
    FreeCodeTables(distanceList);
}

}  // namespace

int DecodeBlock() {
    Reader r = LoadReader();
    const int last = static_cast<int>(ReadBits(r, 1));
    const unsigned type = ReadBits(r, 2);
    StoreReader(r);
    switch (type) {
        case 0: DecodeStoredBlock(); break;
        case 1: DecodeFixedBlock(); break;
        case 2: DecodeDynamicBlock(); break;
        default: break;  // type 3 has no body
    }
    return last;
}

/* ------------------------------------------------------------------------
 * Entry driver
 * ------------------------------------------------------------------------ */

void DecodeDeflateEntry() {
    InputPos = 0;
    InputCount = 0;
    WindowPos = 0;
    BitCount = 0;
    BitBuffer = 0;
    PastEndBytes = 0;
    DecodingStopped = false;
    HeapBlock input(InputBufferSize);
    HeapBlock window(WindowSize);
    // Cleared, so that a distance reaching back past the entry's first byte
    // never copies memory left from elsewhere.
    std::memset(window.bytes(), 0, WindowSize);
    InputBuffer = input.bytes();
    OutputWindow = window.bytes();
    FixedLiteralTable = nullptr;
    FixedDistanceTable = nullptr;

    int last = 0;
    while (last == 0 && !DecodingStopped) last = DecodeBlock();
    if (WindowPos > 0) FlushWindow();

    FreeCodeTables(FixedLiteralList);
    FreeCodeTables(FixedDistanceList);
    FixedLiteralTable = nullptr;
    FixedDistanceTable = nullptr;
    // One-bits past the data that were consumed (not just looked ahead at)
    // mean the stream ended before its final block did.
    if (DecodingStopped || PastEndBytes * 8 > BitCount) EntryIncomplete = true;
    InputBuffer = nullptr;
    OutputWindow = nullptr;
}
