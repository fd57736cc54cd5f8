#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <string>

#include "platform/platform.h"
#include "support/fixtures.h"

namespace {

std::set<std::string> Listing(const std::string& pattern) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

}  // namespace

TEST(FindFirstFile, PatternsMatchAsOnWindows) {
    ScratchFolder scratch;
    for (const char* name : {"readme", "Setup.EXE", "data.bin", "data.txt"}) WriteWholeFile(scratch / name, std::string("x"));
    const std::string dir = scratch.path();
    using Names = std::set<std::string>;
    EXPECT_EQ(Listing(dir + "\\*.*"), (Names{".", "..", "readme", "Setup.EXE", "data.bin", "data.txt"}));
    EXPECT_EQ(Listing(dir + "/data.*"), (Names{"data.bin", "data.txt"}));
    EXPECT_EQ(Listing(dir + "\\Setup.EXE"), (Names{"Setup.EXE"}));
    EXPECT_EQ(Listing(dir + "\\setup.ex?"), (Names{"Setup.EXE"}));
    EXPECT_EQ(Listing(dir + "\\d?ta.b*"), (Names{"data.bin"}));
    EXPECT_TRUE(Listing(dir + "\\readme\\").empty()) << "a trailing separator names no file";
    EXPECT_TRUE(Listing(dir + "\\missing\\*.*").empty());
    EXPECT_TRUE(Listing("").empty());
}

TEST(SetFilePointer, MovesWithoutAHighPartAndReportsFailure) {
    ScratchFolder scratch;
    WriteWholeFile(scratch / "f", std::string("0123456789"));
    HANDLE file = CreateFileA((scratch.path() + "\\f").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_CURRENT), 7u);
    char bytes[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, bytes, 8, &read, nullptr));
    EXPECT_EQ(read, 3u) << "a read at the end reports the count it got";
    EXPECT_EQ(SetFilePointer(file, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 10u) << "a failed move leaves the position";
    CloseHandle(file);
}

TEST(CreateFile, ReadOnlyFilesAndShareModesRefuseWriters) {
    ScratchFolder scratch;
    const std::string path = scratch.path() + "\\locked.txt";
    WriteWholeFile(scratch / "locked.txt", std::string("x"));
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    HANDLE second = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(second, INVALID_HANDLE_VALUE) << "other readers are welcome";
    CloseHandle(second);
    CloseHandle(reader);

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), 0x81A40020u)) << "bits of other systems are ignored";
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CreateFileA((path + "\\").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(FileTimes, DosTimeTakenAsLocalTimeLandsOnTheFile) {
    ASSERT_STREQ(std::getenv("TZ"), "Europe/Berlin") << "run through ctest, which sets the zone";
    ScratchFolder scratch;
    const std::string path = scratch.path() + "\\t.txt";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // 2024-07-15 13:45:30 in summer (UTC+2) and 2024-01-15 13:45:30 in winter (UTC+1).
    const struct {
        WORD date, time;
        long long utc;
    } cases[] = {{static_cast<WORD>((44 << 9) | (7 << 5) | 15), static_cast<WORD>((13 << 11) | (45 << 5) | 15), 1721043930},
                 {static_cast<WORD>((44 << 9) | (1 << 5) | 15), static_cast<WORD>((13 << 11) | (45 << 5) | 15), 1705322730}};
    for (const auto& c : cases) {
        FILETIME local, utc;
        ASSERT_TRUE(DosDateTimeToFileTime(c.date, c.time, &local));
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
        ASSERT_TRUE(SetFileTime(file, &utc, &utc, &utc));
        struct stat info;
        ASSERT_EQ(stat((scratch / "t.txt").c_str(), &info), 0);
        EXPECT_EQ(info.st_mtime, c.utc);
    }
    FILETIME unused;
    EXPECT_FALSE(DosDateTimeToFileTime(0, 0, &unused)) << "month 0 is no date";
    CloseHandle(file);
}

TEST(TempAndCurrentFolder, EndWithSeparatorAndReportNeededSize) {
    ScratchFolder scratch;
    setenv("TMP", scratch.path().c_str(), 1);
    char buffer[261];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer), scratch.path() + "/");
    EXPECT_EQ(length, scratch.path().size() + 1);
    char tiny[4];
    EXPECT_EQ(GetTempPathA(sizeof tiny, tiny), scratch.path().size() + 2) << "too small: the size needed";
    unsetenv("TMP");
    EXPECT_GT(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
}
