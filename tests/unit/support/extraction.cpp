#include "support/extraction.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "archive/driver.h"
#include "archive/selection.h"
#include "platform/posix/headless.h"
#include "startup/options.h"
#include "startup/startup.h"
#include "ui/dialogs.h"

SfxSession::SfxSession(const ScratchFolder& scratch, const std::vector<std::uint8_t>& archive,
                       const std::vector<std::uint8_t>* optionsBlock) {
    const std::string path = scratch / "test-sfx.exe";
    WriteWholeFile(path, MakeSelfImage(archive, optionsBlock));
    self_ = std::make_unique<OpenedSelfImage>(path);
    ReadOptions();
    dialog_ = CreateDialogParamA(InstanceHandle, "MAINDIALOG", nullptr, nullptr, 0);
}

SfxSession::~SfxSession() { DestroyWindow(dialog_); }

void SfxSession::List() { ExtractEntries(dialog_, MainListId, true); }

void SfxSession::SelectAll() { ::SelectAll(GetDlgItem(dialog_, MainListId)); }

bool SfxSession::Extract(const std::string& folder, bool overwrite) {
    std::strcpy(ExtractFolder, folder.c_str());
    OverwriteExisting = overwrite;
    ExtractEntries(dialog_, MainListId, false);
    return ExtractSucceeded;
}

bool SfxSession::ExtractAll(const std::string& folder, bool overwrite) {
    std::strcpy(ExtractFolder, folder.c_str());
    List();
    SelectAll();
    return Extract(folder, overwrite);
}

std::string Box(const char* caption, unsigned icon, const std::string& text) {
    std::ostringstream line;
    line << caption << "|0x" << std::hex << icon << "|" << text;
    return line.str();
}

std::vector<std::string> Boxes() { return BoxesSince(0); }

std::vector<std::string> BoxesSince(std::size_t mark) {
    std::vector<std::string> lines;
    const auto& boxes = headless::MessageBoxes();
    for (std::size_t i = mark; i < boxes.size(); ++i)
        lines.push_back(Box(boxes[i].caption.c_str(), boxes[i].type, boxes[i].text));
    return lines;
}

std::string Backslashed(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

int PasswordPrompts() {
    int n = 0;
    for (const std::string& name : headless::DialogsOpened()) n += name == "PASSWD" ? 1 : 0;
    return n;
}

std::map<std::string, FileFacts> Tree(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, FileFacts> tree;
    if (!fs::exists(root)) return tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        struct stat info;
        if (lstat(entry.path().c_str(), &info) != 0) continue;
        FileFacts facts{S_ISDIR(info.st_mode), "", info.st_mtime, (info.st_mode & 0200) == 0};
        if (!facts.folder) {
            const std::vector<std::uint8_t> bytes = ReadWholeFile(entry.path().string());
            facts.content.assign(bytes.begin(), bytes.end());
        }
        tree[fs::relative(entry.path(), root).string()] = facts;
    }
    return tree;
}

std::string CompareTrees(const std::string& expected, const std::string& actual) {
    const auto want = Tree(expected);
    const auto got = Tree(actual);
    std::ostringstream differences;
    for (const auto& [path, facts] : want) {
        const auto it = got.find(path);
        if (it == got.end()) {
            differences << path << ": missing\n";
            continue;
        }
        if (it->second.folder != facts.folder) differences << path << ": file/folder differs\n";
        if (facts.folder) continue;  // folder times and permissions are not compared
        if (it->second.content != facts.content) differences << path << ": content differs\n";
        if (it->second.modified != facts.modified)
            differences << path << ": modified " << it->second.modified << " instead of " << facts.modified << "\n";
        if (it->second.readOnly != facts.readOnly) differences << path << ": read-only differs\n";
    }
    for (const auto& entry : got)
        if (!want.count(entry.first)) differences << entry.first << ": not expected\n";
    return differences.str();
}
