// The extraction driver: list and extract passes over the local entries.
#include "archive/driver.h"

#include "archive/attributes.h"
#include "archive/entry_names.h"
#include "archive/extract_state.h"
#include "archive/paths.h"
#include "archive/records.h"
#include "archive/selection.h"
#include "decode/decode.h"
#include "runtime/heap.h"
#include "startup/options.h"
#include "startup/startup.h"
#include "ui/dialogs.h"

bool ExtractSucceeded;
String CurrentPassword;

namespace {

const char BrowserCaption[] = "Kovarin Browser";
constexpr int PasswordPrompts = 3;

bool PassRunning;

// Marks a pass as running for as long as it is in scope.
class PassInProgress {
public:
    PassInProgress() { PassRunning = true; }
    ~PassInProgress() { PassRunning = false; }
    PassInProgress(const PassInProgress&) = delete;
    PassInProgress& operator=(const PassInProgress&) = delete;
};

void ShowMessage(const char* text, UINT icon) { MessageBoxA(nullptr, text, BrowserCaption, MB_OK | icon); }

void ShowMessage(const char* text, const String& path, UINT icon) {
    String message(text);
    message += path;
    ShowMessage(message.c_str(), icon);
}

// Puts the entry name into the progress field and lets one waiting window
// message through, so the dialog can repaint.
void ShowProgress(HWND dialog, const String& name) {
    SendMessageA(GetDlgItem(dialog, ProgressFieldId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The output file of one entry. Whatever ends the entry, the file gets the
// entry's time and is closed.
class EntryOutput {
public:
    explicit EntryOutput(const String& target) : target_(target) {}
    ~EntryOutput() {
        FILETIME local, utc;
        // A DOS date that names no day leaves the file with its current time.
        if (DosDateTimeToFileTime(EntryDosDate, EntryDosTime, &local) && LocalFileTimeToFileTime(&local, &utc))
            SetFileTime(OutputHandle, &utc, &utc, &utc);
        if (!CloseHandle(OutputHandle)) ShowMessage("Cannot close file ", target_, MB_ICONEXCLAMATION);
        OutputHandle = INVALID_HANDLE_VALUE;
    }
    EntryOutput(const EntryOutput&) = delete;
    EntryOutput& operator=(const EntryOutput&) = delete;

private:
    const String& target_;
};

// The password stage of an encrypted entry: the remembered password first,
// then at most three prompts. True when a password fits.
bool FindEntryPassword() {
    HeapBlock header(2 * EncryptionHeaderSize);
    std::uint8_t* bytes = header.bytes();
    const std::uint32_t read = ReadSelfImage(bytes, EncryptionHeaderSize);
    for (std::uint32_t i = read; i < EncryptionHeaderSize; ++i) bytes[i] = 0;
    for (int i = 0; i < EncryptionHeaderSize; ++i) bytes[EncryptionHeaderSize + i] = bytes[i];

    const std::uint32_t timeAndDate = TimeAndDate(CurrentHeader);
    if (!CurrentPassword.empty() &&
        CheckEncryptionHeader(bytes, EncryptionHeaderSize, CurrentHeader.flags, timeAndDate, CurrentHeader.crc32,
                              CurrentPassword))
        return true;
    for (int prompt = 0; prompt < PasswordPrompts; ++prompt) {
        RunModalDialog("PASSWD", nullptr, PasswordDialogProc);
        std::uint32_t count = PasswordEntry.count & 0xFFFF;
        if (count >= sizeof PasswordEntry.text) count = sizeof PasswordEntry.text - 1;
        CurrentPassword = TextFromBuffer(PasswordEntry.text, static_cast<std::uint16_t>(count));
        if (CheckEncryptionHeader(bytes, EncryptionHeaderSize, CurrentHeader.flags, timeAndDate, CurrentHeader.crc32,
                                  CurrentPassword))
            return true;
    }
    return false;
}

enum class EntryOutcome { Next, EndWalk, EndCall };

// Writes a folder entry: the folder with its missing parents, and no file.
EntryOutcome ExtractFolderEntry(HWND list, String& target) {
    ToBackslashes(&target[0]);
    CreateFolderChain(target);
    if (!PathExists(target)) {
        target.pop_back();
        ShowMessage("Error in directory ", target, MB_ICONEXCLAMATION);
        return EntryOutcome::EndWalk;
    }
    DeselectCurrent(list);
    return EntryOutcome::Next;
}

// Steps of one selected entry in an extract pass, from the target path to the
// CRC verdict.
EntryOutcome ExtractSelectedEntry(HWND dialog, HWND list, const String& name) {
    String target = FolderText(ExtractFolder);
    target += '\\';
    target += name;
    if (target.size() > MaxTargetPath) {
        ShowMessage("Invalid filename ", name, MB_ICONEXCLAMATION);
        return EntryOutcome::Next;
    }
    if (name.back() == '/' || name.back() == '\\') return ExtractFolderEntry(list, target);

    if (PathExists(target)) {
        if (!OverwriteExisting) {
            DeselectCurrent(list);
            return EntryOutcome::Next;
        }
    } else {
        const String parent = ParentPath(target);
        CreateFolderChain(parent);
        String folder(parent);
        if (!PathExists(folder)) {
            ShowMessage("Error in directory ", parent, MB_ICONEXCLAMATION);
            return EntryOutcome::EndWalk;
        }
    }

    OutputHandle = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (OutputHandle == INVALID_HANDLE_VALUE) {
        ShowMessage("Cannot open file ", target, MB_ICONEXCLAMATION);
        return EntryOutcome::Next;
    }
    EntryOutput output(target);

    ShowProgress(dialog, name);
    RunningCrc = 0xFFFFFFFFu;
    RemainingInput = static_cast<std::int32_t>(CurrentHeader.compressedSize);
    if (CurrentHeader.flags & FlagEncrypted) RemainingInput -= EncryptionHeaderSize;
    EntryIncomplete = false;
    ShowProgress(dialog, name);

    switch (CurrentHeader.method) {
        case MethodStored: CopyStoredEntry(); break;
        case MethodDeflated: DecodeDeflateEntry(); break;
        default: ShowMessage("Unknown compression type", MB_ICONHAND); return EntryOutcome::EndCall;
    }
    if ((RunningCrc ^ 0xFFFFFFFFu) == CurrentHeader.crc32 && !EntryIncomplete) DeselectCurrent(list);
    return EntryOutcome::Next;
}

}  // namespace

bool ExtractionRunning() { return PassRunning; }

void ExtractEntries(HWND dialog, int listId, bool listMode) {
    // One pass at a time: the walk owns the SelfImage's position and ExtractState.
    if (PassRunning) return;
    PassInProgress running;

    ExtractSucceeded = false;
    LocalHeaderSignature = 0x04034B51u;
    --LocalHeaderSignature;
    bool entryVerdict = false;

    SeekArchive(static_cast<std::int32_t>(ArchiveBase), SeekFromStart);
    if (ArchivePosition == -1) {
        ShowMessage("Error reading archive.", MB_ICONHAND);
        return;
    }
    const HWND list = GetDlgItem(dialog, listId);
    ResetCurrentRow();
    if (listMode) Clear(list);

    while (ReadLocalEntry()) {
        const std::int32_t entryStart = ArchivePosition;
        const LocalEntryHeader header = CurrentHeader;

        // The name is read into a string of its full length; it is cut before
        // its first zero byte.
        String name(header.nameLength, '\0');
        const std::uint32_t nameRead = ReadSelfImage(&name[0], header.nameLength);
        name.resize(nameRead);
        name = TextFromBuffer(name.data(), static_cast<std::uint16_t>(name.size()));
        SetFilePointer(SelfImageHandle, header.extraLength, nullptr, FILE_CURRENT);
        if (name.empty()) {
            ShowMessage("Invalid filename ", MB_ICONHAND);
            return;
        }

        EntryOutcome outcome = EntryOutcome::Next;
        if (listMode) {
            AddName(list, name);
        } else if (IsNameSelected(list, name)) {
            if (!IsSafeEntryName(name)) {
                // Refused before any password is asked: nothing of it is written.
                entryVerdict = true;
                ShowMessage("Invalid filename ", name, MB_ICONEXCLAMATION);
            } else {
                entryVerdict = !(header.flags & FlagEncrypted) || FindEntryPassword();
                outcome = entryVerdict ? ExtractSelectedEntry(dialog, list, name) : EntryOutcome::EndWalk;
            }
        }
        if (outcome == EntryOutcome::EndCall) return;
        if (outcome == EntryOutcome::EndWalk) break;

        // Positions are 32-bit: an entry reaching past 2 GiB ends the walk,
        // which therefore always moves forward and always ends.
        const std::int64_t next = static_cast<std::int64_t>(entryStart) + LocalHeaderSize + header.nameLength +
                                  header.extraLength + header.compressedSize;
        if (next > 0x7FFFFFFF) break;
        SeekArchive(static_cast<std::int32_t>(next), SeekFromStart);
        if (ArchivePosition == -1) break;
    }

    ApplyAttributes();

    if (listMode) {
        if (Count(list) == 0) ShowMessage("Cannot read archive header", MB_ICONEXCLAMATION);
    } else if (entryVerdict) {
        if (CountSelected(list) == 0) {
            ShowMessage("All files have been successfully extracted.", MB_ICONINFORMATION);
            ExtractSucceeded = true;
        } else {
            ShowMessage("Couldn't extract the selected files.", MB_ICONHAND);
        }
    }
}
