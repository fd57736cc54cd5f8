#include <gtest/gtest.h>

#include <cstring>

#include "runtime/fatal.h"
#include "runtime/heap.h"
#include "runtime/string.h"

TEST(RunErrorText, NumberRightAlignedAndAddressInEightHexDigits) {
    char text[32];
    FormatRunErrorText(203, 0x1A2Bu, text);
    EXPECT_STREQ(text, "Runtime error 203 at 00001A2B");
    FormatRunErrorText(5, 0xDEADBEEFu, text);
    EXPECT_STREQ(text, "Runtime error   5 at DEADBEEF");
}

TEST(HeapDeathTest, UnsatisfiableRequestEndsWithError203) {
    EXPECT_EXIT(GetMem(0x7FFFFFF0u), testing::ExitedWithCode(203), "");
}

TEST(HeapDeathTest, ReleasingAnUnknownBlockEndsWithError204) {
    EXPECT_EXIT(
        {
            static unsigned long long notFromTheHeap[4] = {};
            FreeMem(&notFromTheHeap[2]);
        },
        testing::ExitedWithCode(204), "");
#if !defined(__SANITIZE_ADDRESS__)
    // A block released twice is recognised by its header, which the address
    // sanitizer rightly reports as a read of freed memory.
    EXPECT_EXIT(
        {
            void* block = GetMem(16);
            FreeMem(block);
            FreeMem(block);
        },
        testing::ExitedWithCode(204), "");
#endif
}

namespace {
void MarkExit() { std::fputs("exit handler ran\n", stderr); }
}  // namespace

TEST(HeapDeathTest, ExitHandlersRunBeforeTheReport) {
    EXPECT_EXIT(
        {
            AddExitHandler(MarkExit);
            GetMem(0x7FFFFFF0u);
        },
        testing::ExitedWithCode(203), "exit handler ran");
}

TEST(HeapString, GrowsAndCopiesOverOurHeap) {
    String text("Cannot open file ");
    text += "C:\\some\\path";
    EXPECT_EQ(std::strcmp(text.c_str(), "Cannot open file C:\\some\\path"), 0);
    String copy = text.substr(7, 4);
    EXPECT_EQ(copy, String("open"));
}
