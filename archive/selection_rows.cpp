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

namespace {

// The first row that compares greater than `name` (with `orEqual`: greater or
// equal). The rows stand in order, so this is a binary search.
std::size_t FirstRowAfter(const SelectionRows& list, const char* name, bool orEqual) {
    std::size_t low = 0, high = list.rows.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const int order = CompareNamesIgnoringCase(list.rows[middle]->name.c_str(), name);
        if (order < 0 || (order == 0 && !orEqual)) low = middle + 1;
        else high = middle;
    }
    return low;
}

}  // namespace

int InsertRow(SelectionRows& list, const char* name) {
    const std::size_t at = FirstRowAfter(list, name, false);
    list.rows.insert(list.rows.begin() + static_cast<std::ptrdiff_t>(at), new SelectionRow{name, false});
    return static_cast<int>(at);
}

int FindRowExact(const SelectionRows& list, int after, const char* name) {
    // The rows that match stand together; the wrapping search from the row
    // after `after` meets the first of them at or behind that row, else the
    // first of them all.
    const std::size_t first = FirstRowAfter(list, name, true);
    const std::size_t end = FirstRowAfter(list, name, false);
    if (first == end) return -1;
    const std::size_t start = (after < 0 || static_cast<std::size_t>(after) >= list.rows.size())
                                  ? 0
                                  : static_cast<std::size_t>(after) + 1;
    if (start > first && start < end) return static_cast<int>(start);
    return static_cast<int>(first);
}

bool SetRowSelected(SelectionRows& list, int row, bool selected) {
    if (row == -1) {
        for (auto& r : list.rows) r->selected = selected;
        return true;
    }
    if (row < 0 || row >= static_cast<int>(list.rows.size())) return false;
    list.rows[static_cast<std::size_t>(row)]->selected = selected;
    return true;
}

int CountSelectedRows(const SelectionRows& list) {
    int n = 0;
    for (const auto& r : list.rows) n += r->selected ? 1 : 0;
    return n;
}
