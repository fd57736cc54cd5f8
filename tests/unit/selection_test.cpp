#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/selection_rows.h"

namespace {

std::vector<std::string> Names(const SelectionRows& list) {
    std::vector<std::string> names;
    for (const auto& row : list.rows) names.push_back(row->name);
    return names;
}

}  // namespace

TEST(SelectionRows, InsertionKeepsCaseInsensitiveOrderAndUnselectedRows) {
    SelectionRows list;
    for (const char* name : {"setup.exe", "Readme.txt", "data/a.bin", "README.TXT", "Data/B.bin"}) InsertRow(list, name);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"data/a.bin", "Data/B.bin", "Readme.txt", "README.TXT", "setup.exe"}));
    EXPECT_EQ(CountSelectedRows(list), 0);
    SetRowSelected(list, 1, true);
    InsertRow(list, "aaa");
    EXPECT_TRUE(list.rows[2]->selected) << "adding a row leaves the others' flags alone";
    EXPECT_EQ(CountSelectedRows(list), 1);
}

TEST(SelectionRows, LookupMatchesWholeNamesIgnoringCaseAndStartsAfterTheLastHit) {
    SelectionRows list;
    for (const char* name : {"a.txt.bak", "A.TXT", "b.txt", "README.TXT", "Readme.txt"}) InsertRow(list, name);
    // Rows: A.TXT, a.txt.bak, b.txt, README.TXT, Readme.txt
    EXPECT_EQ(FindRowExact(list, -1, "a.txt"), 0);
    EXPECT_EQ(FindRowExact(list, -1, "a.txt.b"), -1) << "no prefix matching";
    const int first = FindRowExact(list, -1, "Readme.txt");
    const int second = FindRowExact(list, first, "README.TXT");
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, 4) << "equal names land on successive rows";
    EXPECT_EQ(FindRowExact(list, 4, "b.txt"), 2) << "the search wraps to the top";
    EXPECT_EQ(FindRowExact(list, 2, "b.txt"), 2) << "and ends with the current row itself";
}

TEST(SelectionRows, SelectAllDeselectOneAndCount) {
    SelectionRows list;
    EXPECT_EQ(CountSelectedRows(list), 0);
    EXPECT_TRUE(SetRowSelected(list, -1, true));
    for (const char* name : {"x", "y", "z"}) InsertRow(list, name);
    SetRowSelected(list, -1, true);
    EXPECT_EQ(CountSelectedRows(list), 3);
    EXPECT_TRUE(SetRowSelected(list, 1, false));
    EXPECT_FALSE(SetRowSelected(list, 3, false));
    EXPECT_EQ(CountSelectedRows(list), 2);
}

TEST(SelectionRows, LookupAgreesWithAPlainWrappingScanForEveryStartRow) {
    SelectionRows list;
    const char* names[] = {"b", "A", "a", "c", "B", "a", "d.txt", "D.TXT", "e"};
    for (const char* name : names) InsertRow(list, name);
    const int count = static_cast<int>(list.rows.size());
    for (const char* wanted : {"a", "B", "c", "d.txt", "e", "f", ""}) {
        for (int after = -1; after < count; ++after) {
            int expected = -1;
            for (int step = 0; step < count && expected < 0; ++step) {
                const int row = (after + 1 + step) % count;
                if (CompareNamesIgnoringCase(list.rows[static_cast<std::size_t>(row)]->name.c_str(), wanted) == 0)
                    expected = row;
            }
            EXPECT_EQ(FindRowExact(list, after, wanted), expected) << wanted << " after row " << after;
        }
    }
}
