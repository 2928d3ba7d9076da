#include "engine/optimizer/coin_model.h"

#include <CoinFinite.hpp>

namespace qtb::opt {

double CoinBound(double v) {
    if (v >= kInfinity) return COIN_DBL_MAX;
    if (v <= -kInfinity) return -COIN_DBL_MAX;
    return v;
}

CoinArrays ToCoin(const ModelData& m, int sense) {
    CoinArrays a;
    const int n = m.Cols();
    const int rows = m.Rows();
    CoinPackedMatrix by_row(false, n, rows, static_cast<CoinBigIndex>(m.index.size()),
                            m.value.data(), m.index.data(), m.start.data(), nullptr);
    a.matrix.setExtraGap(0.0);
    a.matrix.setExtraMajor(0.0);
    a.matrix.reverseOrderedCopyOf(by_row);
    a.col_lo.resize(n);
    a.col_up.resize(n);
    a.obj.resize(n);
    for (int j = 0; j < n; ++j) {
        a.col_lo[j] = CoinBound(m.lb[j]);
        a.col_up[j] = CoinBound(m.ub[j]);
        a.obj[j] = sense * m.obj[j];
    }
    a.row_lo.resize(rows);
    a.row_up.resize(rows);
    for (int i = 0; i < rows; ++i) m.RowLimits(i, COIN_DBL_MAX, &a.row_lo[i], &a.row_up[i]);
    return a;
}

int IterationEvents::event(Event which) {
    if (which != endOfIteration) return -1;          // -1: carry on
    return observer_->OnIteration(model_) ? 0 : -1;  // 0: stop this LP
}

}  // namespace qtb::opt
