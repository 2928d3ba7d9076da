// Computing formula cells on demand.
//
// A formula's value is cached with the model's generation, which every change
// raises, so a read after any write is current. The cells a formula depends on
// are computed first, depth first with an explicit stack (long chains of
// formulas do not use up the call stack); a formula that depends on itself,
// directly or through others, gives #VALUE!.
#include "host/address.h"
#include "host/workbook.h"

namespace host {

class ModelEval : public EvalContext {
  public:
    explicit ModelEval(Model& m) : m_(m) {}

    bool sheetExists(uint32_t sheet) override { return m_.sheetById(sheet) != nullptr; }

    Value cell(uint32_t sheet, int row, int col) override {
        Sheet* s = m_.sheetById(sheet);
        if (!s) return Value::error(xlerrRef);
        return current(*s, row, col);
    }

    void forEachCell(uint32_t sheet, const Rect& r,
                     const std::function<void(const Value&)>& fn) override {
        Sheet* s = m_.sheetById(sheet);
        if (!s) return;
        auto end = s->cells.upper_bound(Sheet::key(r.row2, r.col2));
        for (auto it = s->cells.lower_bound(Sheet::key(r.row1, r.col1)); it != end; ++it) {
            int col = static_cast<int>(it->first % kMaxCols);
            if (col < r.col1 || col > r.col2 || it->second.empty()) continue;
            fn(current(*s, static_cast<int>(it->first / kMaxCols), col));
        }
    }

    Value current(Sheet& s, int row, int col) {
        Cell* c = s.find(row, col);
        if (!c) return Value::nil();
        if (!c->formula || c->cacheGen == m_.generation) return c->value;
        if (c->evaluating) return Value::error(kErrUnknown);  // a cycle
        compute(s, row, col);
        return c->value;
    }

    void compute(Sheet& start, int row, int col) {
        struct Frame {
            Sheet* sheet;
            int row, col;
            bool expanded;
        };
        std::vector<Frame> stack{{&start, row, col, false}};
        while (!stack.empty()) {
            Frame f = stack.back();
            Cell* c = f.sheet->find(f.row, f.col);
            if (!c || !c->formula || c->cacheGen == m_.generation) {
                stack.pop_back();
                continue;
            }
            if (!f.expanded) {
                if (c->evaluating) {  // on the current path: its own frame finishes it
                    stack.pop_back();
                    continue;
                }
                c->evaluating = true;
                stack.back().expanded = true;
                forEachReference(*c->formula, f.sheet->id, f.row, f.col,
                                 [&](uint32_t sid, const Rect& r) { pushPending(sid, r, stack); });
                continue;
            }
            Value v = c->arrayPart ? Value::error(kErrUnknown)
                                   : evaluateFormula(*c->formula, f.sheet->id, f.row, f.col, *this);
            if (isUnknown(v) && c->stored && !tainted(*f.sheet, f.row, f.col)) v = *c->stored;
            c->value = std::move(v);
            c->cacheGen = m_.generation;
            c->evaluating = false;
            stack.pop_back();
        }
    }

    // Whether a cell, or anything its formula depends on, changed since the
    // file was read (memoised per generation; cells on a cycle count as
    // unchanged through the cycle).
    bool tainted(Sheet& start, int row, int col) {
        struct Frame {
            Sheet* sheet;
            Cell* cell;
            int row, col;
            bool expanded;
        };
        Cell* first = start.find(row, col);
        if (!first) return false;
        std::vector<Frame> stack{{&start, first, row, col, false}};
        while (!stack.empty()) {
            Frame f = stack.back();
            Cell* c = f.cell;
            if (c->taintGen == m_.generation && !f.expanded) {
                stack.pop_back();
                continue;
            }
            if (!f.expanded) {
                stack.back().expanded = true;
                c->taintGen = m_.generation;  // on the path: unchanged until known
                c->tainted = !c->asRead;
                if (c->tainted || !c->formula) continue;
                if (dependsOnUnknownCells(*c->formula) && bookChanged(*f.sheet->book)) {
                    c->tainted = true;
                    continue;
                }
                forEachReference(
                    *c->formula, f.sheet->id, f.row, f.col, [&](uint32_t sid, const Rect& r) {
                        Sheet* s = m_.sheetById(sid);
                        if (!s) return;
                        auto end = s->cells.upper_bound(Sheet::key(r.row2, r.col2));
                        for (auto it = s->cells.lower_bound(Sheet::key(r.row1, r.col1)); it != end;
                             ++it) {
                            int cc = static_cast<int>(it->first % kMaxCols);
                            if (cc < r.col1 || cc > r.col2) continue;
                            stack.push_back({s, &it->second, static_cast<int>(it->first / kMaxCols),
                                             cc, false});
                        }
                    });
                continue;
            }
            // Finished: tainted when a cell it refers to is.
            if (!c->tainted && c->formula)
                forEachReference(
                    *c->formula, f.sheet->id, f.row, f.col, [&](uint32_t sid, const Rect& r) {
                        if (c->tainted) return;
                        Sheet* s = m_.sheetById(sid);
                        if (!s) return;
                        auto end = s->cells.upper_bound(Sheet::key(r.row2, r.col2));
                        for (auto it = s->cells.lower_bound(Sheet::key(r.row1, r.col1));
                             it != end && !c->tainted; ++it) {
                            int cc = static_cast<int>(it->first % kMaxCols);
                            if (cc < r.col1 || cc > r.col2) continue;
                            if (it->second.taintGen == m_.generation && it->second.tainted)
                                c->tainted = true;
                        }
                    });
            stack.pop_back();
        }
        return first->tainted;
    }

    // Whether any cell of the workbook changed since it was read.
    bool bookChanged(Workbook& b) {
        if (b.changedGen == m_.generation) return b.changed;
        b.changedGen = m_.generation;
        b.changed = false;
        for (auto& s : b.sheets)
            for (auto& [k, c] : s->cells)
                if (!c.asRead) {
                    b.changed = true;
                    return true;
                }
        return false;
    }

  private:
    Model& m_;

    template <typename Stack>
    void pushPending(uint32_t sid, const Rect& r, Stack& stack) {
        Sheet* s = m_.sheetById(sid);
        if (!s) return;
        auto end = s->cells.upper_bound(Sheet::key(r.row2, r.col2));
        for (auto it = s->cells.lower_bound(Sheet::key(r.row1, r.col1)); it != end; ++it) {
            int col = static_cast<int>(it->first % kMaxCols);
            const Cell& c = it->second;
            if (col < r.col1 || col > r.col2 || !c.formula) continue;
            if (c.cacheGen == m_.generation || c.evaluating) continue;
            stack.push_back({s, static_cast<int>(it->first / kMaxCols), col, false});
        }
    }
};

Value Model::result(Sheet& s, int row, int col) {
    return ModelEval(*this).current(s, row, col);
}

Value Model::value(Sheet& s, int row, int col) {
    Value v = result(s, row, col);
    return isUnknown(v) ? Value::error(xlerrNA) : v;
}

std::vector<std::string> Model::uncomputed(Workbook& book) {
    std::vector<std::string> out;
    for (auto& s : book.sheets)
        for (auto& [k, c] : s->cells) {
            if (!c.formula) continue;
            const int row = static_cast<int>(k / kMaxCols), col = static_cast<int>(k % kMaxCols);
            if (isUnknown(result(*s, row, col)))
                out.push_back(sheetPrefix(s->name) + a1Cell(row, col));
        }
    return out;
}

}  // namespace host
