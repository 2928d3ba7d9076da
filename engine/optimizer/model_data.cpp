#include "engine/optimizer/model_data.h"

#include <algorithm>
#include <utility>

namespace qtb::opt {

double NormaliseBound(double v) {
    if (v >= kInfinity) return kInfinity;
    if (v <= -kInfinity) return -kInfinity;
    return v;
}

ColumnRows::ColumnRows(const ModelData& m, bool (*keep)(char)) : start(m.Cols() + 1, 0) {
    auto kept = [&](int i) { return !keep || keep(m.row_type[i]); };
    for (int i = 0; i < m.Rows(); ++i)
        if (kept(i))
            for (int k = m.start[i]; k < m.start[i + 1]; ++k) ++start[m.index[k] + 1];
    for (int j = 0; j < m.Cols(); ++j) start[j + 1] += start[j];
    row.resize(start[m.Cols()]);
    value.resize(start[m.Cols()]);
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int i = 0; i < m.Rows(); ++i) {
        if (!kept(i)) continue;
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            const int at = fill[m.index[k]]++;
            row[at] = i;
            value[at] = m.value[k];
        }
    }
}

bool ModelData::HasEntities() const {
    return std::any_of(type.begin(), type.end(), [](char t) { return t != 'C'; });
}

void ModelData::RowLimits(int i, double inf, double* lo, double* up) const {
    const double r = rhs[i];
    auto finite = [inf](double v, double sign) {
        return (v >= kInfinity || v <= -kInfinity) ? sign * inf : v;
    };
    switch (row_type[i]) {
        case 'E':
            *lo = finite(r, -1.0);
            *up = finite(r, 1.0);
            break;
        case 'L':
            *lo = -inf;
            *up = finite(r, 1.0);
            break;
        case 'G':
            *lo = finite(r, -1.0);
            *up = inf;
            break;
        case 'R':
            *lo = finite(r - range[i], -1.0);
            *up = finite(r, 1.0);
            break;
        default:  // 'N': free row
            *lo = -inf;
            *up = inf;
            break;
    }
}

void ModelData::AppendRow(char t, double r, double rg, const int* cols, const double* vals,
                          int count) {
    std::vector<std::pair<int, double>> entries;
    entries.reserve(count);
    for (int k = 0; k < count; ++k) entries.emplace_back(cols[k], vals[k]);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t k = 0;
    while (k < entries.size()) {
        const int col = entries[k].first;
        double sum = 0.0;
        for (; k < entries.size() && entries[k].first == col; ++k) sum += entries[k].second;
        if (sum != 0.0) {
            index.push_back(col);
            value.push_back(sum);
        }
    }
    start.push_back(static_cast<int>(index.size()));
    row_type.push_back(t);
    rhs.push_back(r);
    range.push_back(rg);
}

std::vector<double> ModelData::Slacks(const double* x) const {
    std::vector<double> s(row_type.size());
    for (int i = 0; i < Rows(); ++i) {
        double activity = 0.0;
        for (int k = start[i]; k < start[i + 1]; ++k) activity += value[k] * x[index[k]];
        s[i] = rhs[i] - activity;
    }
    return s;
}

}  // namespace qtb::opt
