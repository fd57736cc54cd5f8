#pragma once
// The process heap behind every buffer and string of the stub.
//
// Callers never test for failure: a request that cannot be satisfied ends the
// process with run-time error 203, and releasing a block that this heap did
// not hand out (or already took back) ends it with run-time error 204.
#include <cstddef>

void* GetMem(std::size_t size);
void FreeMem(void* block);

// A heap block that is released on every way out of its scope.
class HeapBlock {
public:
    explicit HeapBlock(std::size_t size) : block_(static_cast<unsigned char*>(GetMem(size))) {}
    ~HeapBlock() { FreeMem(block_); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    unsigned char* bytes() const { return block_; }
    char* text() const { return reinterpret_cast<char*>(block_); }

private:
    unsigned char* block_;
};
