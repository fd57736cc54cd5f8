#include "archive/entry_names.h"

#include "archive/paths.h"

bool IsSafeEntryName(const String& name) {
    const String::size_type length = name.size();
    if (length == 0 || length > MaxPathText) return false;
    if (name[0] == '/' || name[0] == '\\') return false;
    String::size_type componentStart = 0;
    for (String::size_type i = 0; i <= length; ++i) {
        const char c = i < length ? name[i] : '/';
        if (c == ':' || c == '*' || c == '?') return false;
        if (c == '/' || c == '\\') {
            if (i - componentStart == 2 && name[componentStart] == '.' && name[componentStart + 1] == '.') return false;
            componentStart = i + 1;
        }
    }
    return true;
}
