// Starting the LaunchCommand after a successful extraction.
#include "startup/launch.h"

#include "archive/paths.h"
#include "platform/platform.h"
#include "startup/options.h"
#include "ui/dialogs.h"

String BuildLaunchText(LaunchTextKind kind) {
    AddTrailingBackslash(ExtractFolder);
    String text = TextFromBuffer(StubOptions.launchCommand, TextLength(StubOptions.launchCommand));
    const String::size_type bar = text.find('|');
    if (bar != String::npos) {
        text = kind == LaunchProgram ? text.substr(0, bar) : text.substr(bar + 1);
    } else if (kind == LaunchParameters) {
        text.clear();
    }

    // "##" stands for the folder with its backslash; the inserted text is
    // never searched again, so a folder holding "##" is put in as it is.
    const String folder(ExtractFolder);
    for (String::size_type at = text.find("##"); at != String::npos; at = text.find("##", at + folder.size()))
        text.replace(at, 2, folder);

    // The short form is written in place only when it is shorter; the text
    // then ends at its new terminator.
    if (!text.empty()) {
        GetShortPathNameA(text.c_str(), &text[0], static_cast<DWORD>(text.size()));
        text.resize(TextLength(text.c_str()));
    }
    return text;
}

void RunLaunchCommand() {
    if (!StubOptions.hasLaunchCommand) return;
    const String program = BuildLaunchText(LaunchProgram);
    const String parameters = BuildLaunchText(LaunchParameters);
    ShellExecuteA(nullptr, "open", program.c_str(), parameters.c_str(), "", SW_SHOW);
}
