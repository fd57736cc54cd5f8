// Start-up's process-wide state: the module, the SelfImage and the four
// TextBuffers that live for the whole run.
#include "runtime/fatal.h"
#include "runtime/heap.h"
#include "startup/options.h"
#include "startup/startup.h"

HINSTANCE InstanceHandle;
HANDLE SelfImageHandle = INVALID_HANDLE_VALUE;
char* browseBuffer;

namespace {

void ReleaseTextBuffers() {
    FreeMem(StubOptions.description);
    FreeMem(StubOptions.launchCommand);
    FreeMem(StubOptions.defaultFolder);
    FreeMem(browseBuffer);
    browseBuffer = StubOptions.description = StubOptions.launchCommand = StubOptions.defaultFolder = nullptr;
}

char* NewTextBuffer() {
    char* buffer = static_cast<char*>(GetMem(TextBufferSize));
    buffer[0] = '\0';
    return buffer;
}

}  // namespace

void AllocateTextBuffers() {
    browseBuffer = NewTextBuffer();
    StubOptions.defaultFolder = NewTextBuffer();
    StubOptions.launchCommand = NewTextBuffer();
    StubOptions.description = NewTextBuffer();
    AddExitHandler(ReleaseTextBuffers);
}
