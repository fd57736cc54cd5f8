#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "archive/paths.h"
#include "support/fixtures.h"

namespace {

std::string Std(const String& s) { return std::string(s.data(), s.size()); }

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

TEST(ParentPath, GivesTheFolderPartOfEachKindOfPath) {
    const struct {
        const char* path;
        const char* parent;
    } cases[] = {
        {"C:\\out\\name", "C:\\out"}, {"C:\\out\\", "C:\\out"}, {"C:\\name", "C:\\"}, {"C:\\", "C:\\"},
        {"C:name", "C:"},             {"out/name", "out"},     {"ab\\c", "ab"},     {"a:b", "a:b"},
        {"\\name", ""},               {"name", ""},            {"", ""},            {"/tmp/x/y", "/tmp/x"},
    };
    for (const auto& c : cases) EXPECT_EQ(Std(ParentPath(String(c.path))), c.parent) << c.path;
}

TEST(TrailingBackslash, AddAndStripChangeOnlyOneCharacter) {
    const struct {
        const char* text;
        const char* added;
        const char* stripped;
    } cases[] = {
        {"C:\\", "C:\\", "C:"}, {"C:", "C:\\", "C:"}, {"", "\\", ""}, {"C:\\out", "C:\\out\\", "C:\\out"},
        {"a\\\\", "a\\\\", "a\\"},
    };
    for (const auto& c : cases) {
        char buffer[16];
        std::strcpy(buffer, c.text);
        EXPECT_STREQ(AddTrailingBackslash(buffer), c.added) << c.text;
        std::strcpy(buffer, c.text);
        EXPECT_STREQ(StripTrailingBackslash(buffer), c.stripped) << c.text;
    }
}

TEST(TextFromBuffer, CutsBeforeTheFirstZeroByte) {
    const char bytes[] = {'a', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(Std(TextFromBuffer(bytes, 5)), "ab");
    EXPECT_EQ(Std(TextFromBuffer(bytes, 0)), "");
    EXPECT_EQ(Std(TextFromBuffer("abcdef", 3)), "abc");
}

TEST(FolderText, DropsOneTrailingBackslashFromTheBufferToo) {
    for (const char* folder : {"C:\\out", "C:\\out\\"}) {
        char buffer[PathBufferSize];
        std::strcpy(buffer, folder);
        EXPECT_EQ(Std(FolderText(buffer)), "C:\\out");
        EXPECT_STREQ(buffer, "C:\\out");
    }
    char root[PathBufferSize] = "C:\\";
    EXPECT_EQ(Std(FolderText(root)), "C:");

    // A folder of the full 255 characters still gains and loses its backslash in place.
    char full[PathBufferSize];
    std::memset(full, 'x', MaxPathText);
    full[MaxPathText] = '\0';
    EXPECT_EQ(FolderText(full).size(), MaxPathText);
}

TEST(PathExists, FilesAndFoldersWithAndWithoutTrailingBackslash) {
    ScratchFolder scratch;
    RunCommand("mkdir -p '" + scratch.path() + "/sub/empty' && touch '" + scratch.path() + "/sub/file.txt'");
    const std::string base = scratch.path();
    const struct {
        std::string text;
        bool exists;
    } cases[] = {
        {base + "\\sub\\file.txt", true},  {base + "\\sub\\file.txt\\", false}, {base + "\\sub", true},
        {base + "\\sub\\", true},          {base + "\\sub\\empty\\", true},     {base + "\\missing", false},
        {base + "\\missing\\", false},     {base + "\\sub\\FILE.T?T", true},    {base + "\\sub\\f*.t?t", true},
        {base + "/sub/file.txt/", false},  {"", false},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(PathExists(&text[0]), c.exists) << c.text;
    }
}

TEST(PathExists, RewritesSlashesInTheCallersTextUnlessItEndsInABackslash) {
    char text[] = "C:\\out/sub/name";
    PathExists(text);
    EXPECT_STREQ(text, "C:\\out\\sub\\name");
    char folder[] = "C:/out/sub\\";
    PathExists(folder);
    EXPECT_STREQ(folder, "C:/out/sub\\");

    // Long texts are rewritten whole and patterns of any length are built in full.
    std::string longText(300, 'a');
    longText[10] = '/';
    longText[290] = '/';
    PathExists(&longText[0]);
    EXPECT_EQ(longText.find('/'), std::string::npos);
    ScratchFolder scratch;
    std::string deep = scratch.path();
    while (deep.size() < 260) deep += "/abcdefghij";
    RunCommand("mkdir -p '" + deep + "'");
    std::string deepFolder = deep + "\\";
    EXPECT_TRUE(PathExists(&deepFolder[0]));
}

TEST(CreateFolderChain, CreatesMissingFoldersOutermostFirst) {
    ScratchFolder scratch;
    CreateFolderChain(String((scratch.path() + "\\a\\b\\c\\").c_str()));
    EXPECT_TRUE(IsFolder(scratch / "a/b/c"));
    CreateFolderChain(String((scratch.path() + "/x/y").c_str()));
    EXPECT_TRUE(IsFolder(scratch / "x/y"));
    CreateFolderChain(String((scratch.path() + "\\a\\b").c_str()));  // already there: nothing to do
    EXPECT_TRUE(IsFolder(scratch / "a/b"));
}

TEST(CreateFolderChain, StopsAtAFileStandingInTheWayAndAtShortTexts) {
    ScratchFolder scratch;
    WriteWholeFile(scratch / "blocker", std::string("x"));
    CreateFolderChain(String((scratch.path() + "\\blocker\\inner").c_str()));
    EXPECT_FALSE(IsFolder(scratch / "blocker/inner"));
    CreateFolderChain(String("C:"));
    CreateFolderChain(String(""));
    CreateFolderChain(String("C:\\"));
}
