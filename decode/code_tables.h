#pragma once
// CodeTables: multi-level lookup tables that decode the prefix codes of a
// Deflate stream. Built from a list of code lengths by BuildCodeTable and
// released, a whole code at a time, by FreeCodeTables.
#include <cstdint>

/*
   CodeTableEntry, one slot of a table (the field order is fixed):

      +--------+--------+-----------------+
      |   Op   |  Bits  |      Value      |   Op    8 bits  what the entry is (below)
      +--------+--------+-----------------+   Bits  8 bits  stream bits the entry consumes
      |             SubTable              |   Value 16 bits literal, 256, base length/distance,
      +-----------------------------------+                 or the code-length symbol

      Op  0..13  length symbol (lit/len table) or distance symbol, with Op extra bits
      Op  15     end of block (symbol 256)
      Op  16     literal 0..255; every symbol of the code-length table
      Op  17..32 link: SubTable is a table of Op - 16 index bits; Bits is the width
                 of the table holding the link, consumed before the sub-table is indexed
      Op  99     invalid code

   In memory every table is preceded by one extra entry, its chain entry, whose
   SubTable points at the table allocated before it in the same TableList (or
   is null). A table of width w is therefore an allocation of 2^w + 1 entries.
*/
struct CodeTableEntry {
    std::uint8_t Op;
    std::uint8_t Bits;
    std::uint16_t Value;
    CodeTableEntry* SubTable;
};

constexpr std::uint8_t OpEndOfBlock = 15;
constexpr std::uint8_t OpLiteral = 16;
constexpr std::uint8_t OpInvalid = 99;

// The tables of one code, newest first; `First` is the newest table's first entry.
struct TableList {
    CodeTableEntry* First;
};

// Deflate never needs more than 288 lengths (literal/length code), and no code
// is longer than 15 bits; the builder counts lengths up to 16.
constexpr unsigned MaxCodeLengths = 288;
constexpr unsigned MaxCodeLength = 16;

// Results of BuildCodeTable.
constexpr int CodeComplete = 0;        // includes "no codes at all" and a single one-bit code
constexpr int CodeIncomplete = 1;      // built; the unused codes are invalid entries
constexpr int CodeOversubscribed = 2;  // nothing allocated, `root` untouched

// Builds the tables for `count` code lengths (each 0..16, count at most 288).
// Symbols below `simpleBound` are literals (Op 16; 256 is end of block, Op 15);
// symbol v at or above it takes Op = extra[v - simpleBound] and
// Value = base[v - simpleBound] when v - simpleBound < listSize, else Op 99.
// `width` is the requested root width on entry and the root width built on
// exit. Every table allocated is added to the front of `list`.
// With all lengths 0: root = null, width = 0, result 0, nothing allocated.
int BuildCodeTable(const std::uint16_t* lengths, unsigned count, unsigned simpleBound, const std::uint16_t* base,
                   const std::uint8_t* extra, unsigned listSize, CodeTableEntry*& root, TableList& list,
                   unsigned& width);

// Releases every table of `list` and leaves it empty.
void FreeCodeTables(TableList& list);
