// Formulas: each line of the input is entered into column A of a sheet (A1
// notation, or R1C1 when the first byte is odd), next to a few values and
// other sheets. Whatever the text, the parser reads it or refuses it; what it
// reads is shown in both notations and that text reads back to the same
// formula; every cell is computed, chains and cycles included.
#include <cmath>

#include "fuzz/targets.h"
#include "host/state.h"

namespace fuzz {

namespace {

// The text a formula shows reads back, from the same cell and in the same
// notation, to a formula that shows the same text.
void checkRoundTrip(host::Model& m, host::Sheet& s, const host::Formula& f, host::Notation n,
                    int row, int col) {
    const std::string shown = host::renderFormula(f, n, row, col, m.namerFor(s));
    if (shown.size() - 1 > host::kMaxFormulaLength) return;  // too long to enter again
    std::string error;
    host::FormulaPtr again = m.parse(s, shown, n, row, col, error);
    if (!again) fail("a formula shown reads back", shown + " (" + error + ")");
    const std::string twice = host::renderFormula(*again, n, row, col, m.namerFor(s));
    if (twice != shown) fail("a formula read back shows the same text", shown + " / " + twice);
}

}  // namespace

void formulas(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const host::Notation notation = (data[0] & 1) ? host::Notation::R1C1 : host::Notation::A1;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    host::Model m;
    host::Workbook* other = m.newWorkbook(1);
    other->sheets[0]->name = "Data";
    m.setValue(*other->sheets[0], 0, 0, host::Value::number(7));
    host::Workbook* book = m.newWorkbook(2);
    book->sheets[1]->name = "My sheet";
    host::Sheet& s = *book->sheets[0];
    m.setValue(s, 0, 1, host::Value::number(1.5));
    m.setValue(s, 1, 1, host::Value::number(-2));
    m.setValue(s, 2, 1, host::Value::text("3"));
    m.setValue(s, 3, 1, host::Value::error(xlerrDiv0));
    m.setValue(*book->sheets[1], 65535, 255, host::Value::boolean_(true));

    int row = 0;
    size_t start = 0;
    while (start <= text.size() && row < 256) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const int col = 0;
        std::string error;
        host::FormulaPtr f = m.parse(s, line, notation, row, col, error);
        if (!f) {
            if (error.empty()) fail("a refused formula says why");
            ++row;
            continue;
        }
        checkRoundTrip(m, s, *f, host::Notation::A1, row, col);
        checkRoundTrip(m, s, *f, host::Notation::R1C1, row, col);
        host::forEachReference(*f, s.id, row, col, [&](uint32_t, const host::Rect& r) {
            if (r.row1 < 0 || r.row2 >= host::kMaxRows || r.col1 < 0 || r.col2 >= host::kMaxCols ||
                r.row1 > r.row2 || r.col1 > r.col2)
                fail("references resolve inside the grid");
        });
        host::FormulaPtr same = host::remapSheets(f, [](uint32_t id) { return id; });
        if (host::renderFormula(*same, notation, row, col, m.namerFor(s)) !=
            host::renderFormula(*f, notation, row, col, m.namerFor(s)))
            fail("a copied formula shows the same text");
        m.setFormula(s, row, col, f);
        ++row;
    }
    // Computed last row first, so that chains down the column are long.
    for (int r = row - 1; r >= 0; --r) {
        host::Value v = m.value(s, r, 0);
        if (v.isNum() && !std::isfinite(v.num)) fail("a computed number is finite");
    }
}

}  // namespace fuzz
