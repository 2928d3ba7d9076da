// Sorting blocks with xlcSort: mixed values, both directions, header rows,
// stability, several keys, letter case.
#include "host/sort.h"

#include "host_test_util.h"

namespace {

using namespace hosttest;

class SortTest : public HostTest {
  protected:
    uint32_t id = 0;
    void SetUp() override {
        HostTest::SetUp();
        host::newWorkbook();
        id = sheetId();
    }
    // Writes a column of inputs into A1.. and B1.. (B holds the original row).
    void column(const std::vector<std::string>& inputs) {
        for (size_t i = 0; i < inputs.size(); ++i) {
            enter("A" + std::to_string(i + 1), inputs[i]);
            enter("B" + std::to_string(i + 1), std::to_string(i + 1));
        }
    }
    // Sorts rows r1..r2 of columns A..C by the given keys (column, order 1/2).
    int sort(int r1, int r2, std::vector<std::pair<int, int>> keys, int header = 2,
             bool matchCase = true) {
        EXPECT_EQ(call(xlcSelect, {ref(id, r1, 0, r2, 2)}).code, xlretSuccess);
        std::vector<Value> args{num(1)};
        for (size_t k = 0; k < 3; ++k) {
            if (k < keys.size()) {
                args.push_back(cellRef(id, r1, keys[k].first));
                args.push_back(num(keys[k].second));
            } else {
                args.push_back(missing());
                args.push_back(missing());
            }
        }
        args.push_back(num(header));
        args.push_back(num(1));
        args.push_back(boolean(matchCase));
        return call(xlcSort, args).code;
    }
    std::vector<Value> columnValues(int col, int r1, int r2) {
        std::vector<Value> out;
        for (int r = r1; r <= r2; ++r) out.push_back(call(xlCoerce, {cellRef(id, r, col)}).value);
        return out;
    }
};

TEST_F(SortTest, NumbersBeforeTextsBeforeLogicalValuesAndEmptyCellsLast) {
    column({"b", "10", "TRUE", "", "2", "a", "'1", "FALSE", "1"});
    ASSERT_EQ(sort(0, 8, {{0, 1}}), xlretSuccess);
    EXPECT_EQ(columnValues(0, 0, 8),
              (std::vector<Value>{num(1), num(2), num(10), str("1"), str("a"), str("b"),
                                  boolean(false), boolean(true), Value::nil()}));
    // The number 1 and the text 1 are apart: numbers come first.
    EXPECT_EQ(columnValues(1, 0, 8), (std::vector<Value>{num(9), num(5), num(2), num(7), num(6),
                                                         num(1), num(8), num(3), num(4)}));
}

TEST_F(SortTest, DescendingIsTheReverseOfAscendingForDistinctKeys) {
    std::vector<std::string> inputs{"x", "3", "Y", "-1", "y", "b", "2.5", "B"};
    column(inputs);
    ASSERT_EQ(sort(0, 7, {{0, 1}}), xlretSuccess);
    std::vector<Value> ascending = columnValues(0, 0, 7);
    ASSERT_EQ(sort(0, 7, {{0, 2}}), xlretSuccess);
    std::vector<Value> descending = columnValues(0, 0, 7);
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(ascending, descending);
    // Case-sensitive: the lower-case letter first.
    EXPECT_EQ(ascending, (std::vector<Value>{num(-1), num(2.5), num(3), str("b"), str("B"),
                                             str("x"), str("y"), str("Y")}));
}

TEST_F(SortTest, HeaderRowStaysAndEqualKeysKeepTheirOrder) {
    column({"Label", "k", "a", "k", "a", "k"});
    ASSERT_EQ(sort(0, 5, {{0, 1}}, /*header=*/1), xlretSuccess);
    EXPECT_EQ(columnValues(0, 0, 5),
              (std::vector<Value>{str("Label"), str("a"), str("a"), str("k"), str("k"), str("k")}));
    EXPECT_EQ(columnValues(1, 0, 5),
              (std::vector<Value>{num(1), num(3), num(5), num(2), num(4), num(6)}));
    // Without match case, "a" and "A" are equal and keep their order.
    column({"A", "a", "A", "a"});
    ASSERT_EQ(sort(0, 3, {{0, 1}}, 2, /*matchCase=*/false), xlretSuccess);
    EXPECT_EQ(columnValues(1, 0, 3), (std::vector<Value>{num(1), num(2), num(3), num(4)}));
}

TEST_F(SortTest, ThreeKeysDecideInTurn) {
    // Columns A, B, C; sorted by A ascending, B descending, C ascending.
    const char* rows[][3] = {{"2", "x", "3"}, {"1", "y", "2"}, {"2", "y", "9"},
                             {"1", "y", "1"}, {"2", "x", "1"}, {"1", "z", "5"}};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 3; ++c)
            enter(std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1), rows[r][c]);
    ASSERT_EQ(sort(0, 5, {{0, 1}, {1, 2}, {2, 1}}), xlretSuccess);
    std::vector<Value> c = columnValues(2, 0, 5);
    EXPECT_EQ(c, (std::vector<Value>{num(5), num(1), num(2), num(9), num(1), num(3)}));
}

TEST_F(SortTest, FormulasMoveWithTheirRowsAndBadKeysFail) {
    column({"3", "1", "2"});
    enter("C1:C3", "=A1*10");  // each row refers to its own A cell
    ASSERT_EQ(sort(0, 2, {{0, 1}}), xlretSuccess);
    EXPECT_EQ(columnValues(2, 0, 2), (std::vector<Value>{num(10), num(20), num(30)}));
    // A key outside the sorted block.
    EXPECT_EQ(call(xlcSelect, {ref(id, 0, 0, 2, 1)}).code, xlretSuccess);
    EXPECT_EQ(call(xlcSort, {num(1), cellRef(id, 0, 5), num(1)}).code, xlretFailed);
    EXPECT_EQ(call(xlcSort, {num(1), cellRef(id, 0, 0), num(3)}).code, xlretFailed);
}

TEST_F(SortTest, SortingColumnsByARow) {
    enter("A1", "c");
    enter("B1", "a");
    enter("C1", "b");
    enter("A2", "3");
    enter("B2", "1");
    enter("C2", "2");
    ASSERT_EQ(call(xlcSelect, {ref(id, 0, 0, 1, 2)}).code, xlretSuccess);
    ASSERT_EQ(call(xlcSort, {num(2), cellRef(id, 0, 0), num(1)}).code, xlretSuccess);
    EXPECT_EQ(cellValue("A2"), num(1));
    EXPECT_EQ(cellValue("C1"), str("c"));
}

TEST(SortOrder, CompareForSortRanksTypes) {
    using host::compareForSort;
    EXPECT_LT(compareForSort(num(100), str("1"), false), 0);
    EXPECT_LT(compareForSort(str("z"), boolean(false), false), 0);
    EXPECT_LT(compareForSort(boolean(true), Value::error(xlerrNA), false), 0);
    EXPECT_EQ(compareForSort(str("abc"), str("ABC"), false), 0);
    EXPECT_LT(compareForSort(str("abc"), str("ABC"), true), 0);
    EXPECT_LT(compareForSort(str("ab"), str("abc"), true), 0);
}

}  // namespace
