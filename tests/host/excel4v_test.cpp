// Excel4v itself: return codes, ownership and release of results, value
// conversion and writing values into cells.
#include "host_test_util.h"

namespace {

using namespace hosttest;

class Excel4vTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        host::newWorkbook();
    }
};

TEST_F(Excel4vTest, ReturnCodesForBadCalls) {
    EXPECT_EQ(call(999).code, xlretInvXlfn);
    EXPECT_EQ(call(999 | xlCommand).code, xlretInvXlfn);
    EXPECT_EQ(call(77 | xlSpecial).code, xlretInvXlfn);
    EXPECT_EQ(call(xlfGetWorkbook).code, xlretInvCount);
    EXPECT_EQ(call(xlcWorkbookName, {str("Sheet1")}).code, xlretInvCount);
    EXPECT_EQ(call(xlfDialogBox, {num(1), num(2)}).code, xlretInvCount);
    EXPECT_EQ(call(xlfGetWorkbook, {str("one")}).code, xlretInvXloper);
    EXPECT_EQ(call(xlSet, {num(1), num(2)}).code, xlretInvXloper);
    EXPECT_EQ(call(xlfSetName, {num(3), num(4)}).code, xlretInvXloper);
    EXPECT_EQ(call(xlfDialogBox, {str("not a table")}).code, xlretInvXloper);
    // The flags do not change which function is meant.
    EXPECT_EQ(call(xlfGetDocument | xlIntl | xlPrompt, {num(88)}).value, str("Book1"));

    XLOPER one;
    one.xltype = xltypeNum;
    one.val.num = 1;
    XLOPER* args[31];
    for (XLOPER*& a : args) a = &one;
    XLOPER result;
    EXPECT_EQ(Excel4v(xlfGetDocument, &result, 31, args), xlretInvCount);
    EXPECT_EQ(Excel4v(xlfGetDocument, &result, -1, args), xlretInvCount);
    args[1] = nullptr;
    EXPECT_EQ(Excel4v(xlfGetDocument, &result, 2, args), xlretInvXloper);
    EXPECT_EQ(Excel4v(xlfGetDocument, &result, 1, nullptr), xlretInvXloper);
    // No result record wanted: the answer is dropped without a leak.
    EXPECT_EQ(Excel4v(xlfGetWorkbook, nullptr, 1, args), xlretSuccess);
}

TEST_F(Excel4vTest, EveryKindOfResultIsHostOwnedAndFreedByXlFree) {
    enter("A1", "7");
    enter("A2", "seven");
    uint32_t id = sheetId();
    Value areas = Value::ref(id, {host::Rect{0, 0, 0, 0}, host::Rect{2, 2, 3, 3}});
    ASSERT_EQ(call(xlcSelect, {areas}).code, xlretSuccess);
    struct Case {
        int fn;
        std::vector<Value> args;
        uint16_t type;
    } cases[] = {
        {xlfGetDocument, {num(88)}, xltypeStr},
        {xlfGetWorkbook, {num(1)}, xltypeMulti},
        {xlfActiveCell, {}, xltypeRef},
        {xlfSelection, {}, xltypeRef},
        {xlSheetId, {}, xltypeRef},
        {xlCoerce, {ref(id, 0, 0, 1, 0)}, xltypeMulti},
        {xlCoerce, {num(2), num(xltypeInt)}, xltypeInt},
        {xlfGetDocument, {num(87)}, xltypeNum},
        {xlfGetBar, {num(10), str("Nope"), num(0)}, xltypeErr},
        {xlcNew, {}, xltypeBool},
    };
    const long before = host::outstandingAllocations();
    for (Case& c : cases) {
        std::vector<XLOPER> records(c.args.size());
        std::vector<XLOPER*> pointers;
        for (size_t i = 0; i < c.args.size(); ++i) {
            host::toXloper(c.args[i], records[i]);
            pointers.push_back(&records[i]);
        }
        XLOPER result;
        ASSERT_EQ(Excel4v(c.fn, &result, static_cast<int>(pointers.size()), pointers.data()),
                  xlretSuccess);
        EXPECT_EQ(result.xltype & ~xlbitXLFree, c.type) << "function " << c.fn;
        EXPECT_TRUE(result.xltype & xlbitXLFree) << "function " << c.fn;
        XLOPER* r = &result;
        EXPECT_EQ(Excel4v(xlFree, nullptr, 1, &r), xlretSuccess);
        EXPECT_EQ(result.xltype, xltypeNil);
        for (XLOPER& x : records) host::releaseXloper(x);
        EXPECT_EQ(host::outstandingAllocations(), before) << "function " << c.fn;
    }
    // Several records at once, and records that are not the host's are left alone.
    XLOPER a, b, mine;
    XLOPER* two[] = {&a, &b};
    XLOPER typeArg;
    host::toXloper(num(1), typeArg);
    XLOPER* args[] = {&typeArg};
    Excel4v(xlfGetWorkbook, &a, 1, args);
    Excel4v(xlfGetDocument, &b, 1, args);
    EXPECT_GT(host::outstandingAllocations(), before);
    EXPECT_EQ(Excel4v(xlFree, nullptr, 2, two), xlretSuccess);
    EXPECT_EQ(host::outstandingAllocations(), before);
    char text[] = "\003abc";
    mine.xltype = xltypeStr;
    mine.val.str = text;
    XLOPER* minePtr = &mine;
    EXPECT_EQ(Excel4v(xlFree, nullptr, 1, &minePtr), xlretSuccess);
    EXPECT_EQ(mine.val.str, text);
}

TEST_F(Excel4vTest, CoerceConvertsBetweenTypes) {
    struct Case {
        Value in;
        int type;
        Value out;
    } cases[] = {
        {num(0.1), xltypeStr, str("0.1")},
        {num(1e20), xltypeStr, str("1E+20")},
        {num(-2.5), xltypeStr, str("-2.5")},
        {num(1.0 / 3), xltypeStr, str("0.333333333333333")},
        {str(" 12 "), xltypeNum, num(12)},
        {boolean(true), xltypeNum, num(1)},
        {num(0), xltypeBool, boolean(false)},
        {str("true"), xltypeBool, boolean(true)},
        {Value::nil(), xltypeNum, num(0)},
        {num(1.0), xltypeInt, Value::int16(1)},
        {num(2.5), xltypeInt, Value::int16(3)},
        {str("text"), xltypeNum | xltypeStr, str("text")},
        {num(4), xltypeMulti, Value::array(1, 1, {num(4)})},
    };
    for (const Case& c : cases) {
        Answer a = call(xlCoerce, {c.in, num(c.type)});
        EXPECT_EQ(a.code, xlretSuccess);
        EXPECT_EQ(a.value, c.out) << "type " << c.type;
    }
    EXPECT_EQ(call(xlCoerce, {str("abc"), num(xltypeNum)}).code, xlretFailed);
    EXPECT_EQ(call(xlCoerce, {num(40000), num(xltypeInt)}).code, xlretFailed);
    EXPECT_EQ(call(xlCoerce, {Value::error(xlerrNA), num(xltypeStr)}).code, xlretFailed);
    // A reference gives the cell's value, or an array for a block.
    enter("B2", "=1+1");
    uint32_t id = sheetId();
    EXPECT_EQ(call(xlCoerce, {cellRef(id, 1, 1)}).value, num(2));
    EXPECT_EQ(call(xlCoerce, {cellRef(id, 1, 1), num(xltypeStr)}).value, str("2"));
    EXPECT_TRUE(call(xlCoerce, {cellRef(id, 5, 5)}).value.isNil());
    EXPECT_EQ(call(xlCoerce, {ref(id, 1, 0, 1, 1)}).value,
              Value::array(1, 2, {Value::nil(), num(2)}));
    EXPECT_EQ(call(xlCoerce, {cellRef(999, 0, 0)}).code, xlretFailed);
}

TEST_F(Excel4vTest, SetWritesConstantsIntoReferences) {
    uint32_t id = sheetId();
    ASSERT_EQ(call(xlSet, {cellRef(id, 0, 0), str("12")}).code, xlretSuccess);
    EXPECT_EQ(cellValue("A1"), str("12")) << "texts are stored as texts";
    ASSERT_EQ(call(xlSet, {ref(id, 1, 0, 2, 1), num(3)}).code, xlretSuccess);
    EXPECT_EQ(cellValue("B3"), num(3));
    Value block = Value::array(2, 2, {num(1), num(2), str("x"), boolean(true)});
    ASSERT_EQ(call(xlSet, {ref(id, 4, 0, 5, 2), block}).code, xlretSuccess);
    EXPECT_EQ(cellValue("B5"), num(2));
    EXPECT_EQ(cellValue("B6"), boolean(true));
    EXPECT_EQ(cellValue("C5"), Value::error(xlerrNA));  // beyond the array
    enter("D1", "=A1&\"!\"");
    ASSERT_EQ(call(xlSet, {cellRef(id, 0, 3), num(5)}).code, xlretSuccess);
    EXPECT_EQ(call(xlfGetCell, {num(48), cellRef(id, 0, 3)}).value, boolean(false));
    EXPECT_EQ(call(xlSet, {cellRef(999, 0, 0), num(1)}).code, xlretFailed);
    Value invalid = Value::ref(id, {host::Rect{3, 0, 2, 0}});
    EXPECT_EQ(call(xlSet, {invalid, num(1)}).code, xlretFailed);
}

TEST_F(Excel4vTest, NumberFormatsAndOtherCellQuestions) {
    uint32_t id = sheetId();
    enter("A1", "2.5");
    EXPECT_EQ(call(xlfGetCell | xlIntl, {num(7), cellRef(id, 0, 0)}).value, str("General"));
    std::string error;
    ASSERT_TRUE(host::setNumberFormat("A1", "0.0", error));
    EXPECT_EQ(call(xlfGetCell | xlIntl, {num(7), cellRef(id, 0, 0)}).value, str("0.0"));
    EXPECT_EQ(call(xlfGetCell, {num(1), cellRef(id, 0, 0)}).value, str("$A$1"));
    EXPECT_EQ(call(xlfGetCell, {num(999), cellRef(id, 0, 0)}).value, Value::error(xlerrValue));
    EXPECT_EQ(call(xlSheetNm, {cellRef(id, 0, 0)}).value, str("[Book1]Sheet1"));
    EXPECT_EQ(call(xlfTextref, {str("Sheet2!R2C3:R4C3")}).value,
              ref(sheetId("Sheet2"), 1, 2, 3, 2));
    EXPECT_TRUE(call(xlfTextref, {str("Nowhere!A1"), boolean(true)}).value.isErr());
}

}  // namespace
