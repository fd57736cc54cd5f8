#pragma once
// Text and path helpers. "\" and "/" both separate components; ":" ends a
// drive prefix. Nothing here changes letter case or resolves "." and "..".
#include <cstdint>

#include "runtime/string.h"

// Longest path text the helpers are meant for, and a buffer that holds such a
// text plus a trailing backslash and the terminating zero.
constexpr unsigned MaxPathText = 255;
constexpr unsigned PathBufferSize = MaxPathText + 3;

std::uint16_t TextLength(const char* text);
char* ToBackslashes(char* text);
bool PathExists(char* text);
inline bool PathExists(String& text) { return PathExists(&text[0]); }
String TextFromBuffer(const char* buffer, std::uint16_t count);
String ParentPath(const String& path);
void CreateFolderChain(const String& path);
char* AddTrailingBackslash(char* text);
char* StripTrailingBackslash(char* text);

// The ExtractFolder text less one trailing backslash; the buffer is left
// without that backslash as well.
String FolderText(char* folderBuffer);
