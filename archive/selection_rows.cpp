// The in-memory SelectionList behind the Linux platform's list-box control.
#include "archive/selection_rows.h"

namespace {

int FoldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

int CompareNamesIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int ca = FoldCase(static_cast<unsigned char>(*a));
        const int cb = FoldCase(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

int InsertRow(SelectionRows& list, const char* name) {
    std::size_t at = list.rows.size();
    for (std::size_t i = 0; i < list.rows.size(); ++i)
        if (CompareNamesIgnoringCase(name, list.rows[i].name.c_str()) < 0) {
            at = i;
            break;
        }
    list.rows.insert(list.rows.begin() + static_cast<std::ptrdiff_t>(at), SelectionRow{name, false});
    return static_cast<int>(at);
}

int FindRowExact(const SelectionRows& list, int after, const char* name) {
    const int count = static_cast<int>(list.rows.size());
    if (count == 0) return -1;
    const int first = (after < 0 || after >= count) ? 0 : after + 1;
    for (int step = 0; step < count; ++step) {
        const int row = (first + step) % count;
        if (CompareNamesIgnoringCase(name, list.rows[static_cast<std::size_t>(row)].name.c_str()) == 0) return row;
    }
    return -1;
}

bool SetRowSelected(SelectionRows& list, int row, bool selected) {
    if (row == -1) {
        for (SelectionRow& r : list.rows) r.selected = selected;
        return true;
    }
    if (row < 0 || row >= static_cast<int>(list.rows.size())) return false;
    list.rows[static_cast<std::size_t>(row)].selected = selected;
    return true;
}

int CountSelectedRows(const SelectionRows& list) {
    int n = 0;
    for (const SelectionRow& r : list.rows) n += r.selected ? 1 : 0;
    return n;
}
