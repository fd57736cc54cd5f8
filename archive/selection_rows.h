#pragma once
// The in-memory form of a SelectionList: rows kept in ascending
// case-insensitive order, each with a selected flag. The headless list-box
// control of the Linux platform layer stores its rows in this form.
#include <string>
#include <vector>

struct SelectionRow {
    std::string name;
    bool selected;
};

// Rows are held by plain pointers, so an insertion moves pointers in one
// block move, not names; the list owns them.
struct SelectionRows {
    std::vector<SelectionRow*> rows;

    SelectionRows() = default;
    ~SelectionRows() { ClearRows(); }
    SelectionRows(const SelectionRows&) = delete;
    SelectionRows& operator=(const SelectionRows&) = delete;
    void ClearRows() {
        for (SelectionRow* row : rows) delete row;
        rows.clear();
    }
};

int CompareNamesIgnoringCase(const char* a, const char* b);
// Inserts an unselected row behind every row that compares equal; returns its index.
int InsertRow(SelectionRows& list, const char* name);
// Whole-name, case-insensitive search that starts after `after` (-1: from row
// 0), wraps to row 0 and ends with `after` itself. Returns the row or -1.
int FindRowExact(const SelectionRows& list, int after, const char* name);
// Sets one row's flag, or every row's when `row` is -1. False: no such row.
bool SetRowSelected(SelectionRows& list, int row, bool selected);
int CountSelectedRows(const SelectionRows& list);
