// Computing formula cells on demand.
//
// A formula's value is cached with the model's generation, which every change
// raises, so a read after any write is current. The cells a formula depends on
// are computed first, depth first with an explicit stack (long chains of
// formulas do not use up the call stack); a formula that depends on itself,
// directly or through others, gives #VALUE!.
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
        if (c->evaluating) return Value::error(xlerrValue);  // a cycle
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
            Value v = evaluateFormula(*c->formula, f.sheet->id, f.row, f.col, *this);
            c->value = std::move(v);
            c->cacheGen = m_.generation;
            c->evaluating = false;
            stack.pop_back();
        }
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

Value Model::value(Sheet& s, int row, int col) {
    return ModelEval(*this).current(s, row, col);
}

}  // namespace host
