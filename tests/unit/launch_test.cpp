#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/posix/headless.h"
#include "startup/launch.h"
#include "startup/options.h"
#include "support/fixtures.h"
#include "ui/dialogs.h"

namespace {

class Launch : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        static ScratchFolder buffers;  // OpenedSelfImage allocates the TextBuffers once
        OpenedSelfImage self(buffers / "none.exe");
    }
    void Use(const char* folder, const char* command) {
        std::strcpy(ExtractFolder, folder);
        std::strcpy(StubOptions.launchCommand, command);
        StubOptions.hasLaunchCommand = command[0] != '\0';
    }
    static std::string Text(LaunchTextKind kind) {
        const String text = BuildLaunchText(kind);
        return std::string(text.data(), text.size());
    }
};

}  // namespace

TEST_F(Launch, CommandSplitsAtTheFirstBarAndFolderMarkersExpand) {
    const struct {
        const char* folder;
        const char* command;
        const char* program;
        const char* parameters;
    } cases[] = {
        {"C:\\out", "##setup.exe|-q", "C:\\out\\setup.exe", "-q"},
        {"C:\\out", "notepad.exe", "notepad.exe", ""},
        {"C:\\out", "|-q", "", "-q"},
        {"C:\\out", "run.exe|a|b", "run.exe", "a|b"},
        {"C:\\out", "##a.exe|##b.txt ##c.txt", "C:\\out\\a.exe", "C:\\out\\b.txt C:\\out\\c.txt"},
        {"C:\\", "##setup.exe", "C:\\setup.exe", ""},
        {"C:\\x##y", "##go.exe", "C:\\x##y\\go.exe", ""},
        {"C:\\out", "###x", "C:\\out\\#x", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Use(c.folder, c.command);
        EXPECT_EQ(Text(LaunchProgram), c.program);
        EXPECT_EQ(Text(LaunchParameters), c.parameters);
    }
}

TEST_F(Launch, StartsThroughTheShellWithEmptyTextsNotNulls) {
    Use("C:\\out", "##setup.exe");
    RunLaunchCommand();
    ASSERT_EQ(headless::ShellCalls().size(), 1u);
    const headless::ShellExecuteRecord& call = headless::ShellCalls()[0];
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.file, "C:\\out\\setup.exe");
    EXPECT_FALSE(call.parametersNull);
    EXPECT_EQ(call.parameters, "");
    EXPECT_FALSE(call.directoryNull);
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.show, SW_SHOW);
    EXPECT_STREQ(ExtractFolder, "C:\\out\\") << "the folder keeps the backslash it gained";
}

TEST_F(Launch, WithoutCommandNothingIsBuiltOrStarted) {
    Use("C:\\out", "");
    RunLaunchCommand();
    EXPECT_TRUE(headless::ShellCalls().empty());
    EXPECT_STREQ(ExtractFolder, "C:\\out");
}
