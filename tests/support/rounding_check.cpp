#include "tests/support/rounding_check.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "random/ranrot.h"

namespace roundcheck {

namespace {

constexpr double kTol = 0.00001;     // the tolerance of the model itself
constexpr double kExact = 0.000001;  // sums of multiples must come out exact

bool isMultiple(double value, double base) {
    const double q = value / base;
    return std::fabs(q - std::round(q)) <= kExact;
}

double protectionWidth(const Model& m) {
    return (m.maxJump + 1) * m.base;
}

// Is value r allowed for cell i on its own (reach, bounds, protection)?
bool admissible(const Table& t, int i, double r, const Model& m) {
    const double v = t.nominal[i], b = m.base;
    if (r < FloorMultiple(v, b) - m.maxJump * b - kExact) return false;
    if (r > CeilMultiple(v, b) + m.maxJump * b + kExact) return false;
    if (r < t.lower[i] - kTol || r > t.upper[i] + kTol) return false;
    if (t.status[i] == 'u') {
        const double w = protectionWidth(m);
        if (r - w > v - t.lpl[i] + kTol || r + w < v + t.upl[i] - kTol) return false;
    }
    return true;
}

double equationScale(const Equation& e, const std::vector<double>& values) {
    double s = std::fabs(e.rhs);
    for (const Term& term : e.terms) s += std::fabs(values[term.cell]);
    return std::max(1.0, s);
}

}  // namespace

int Table::addCell(double value, double lo, double hi, char st, double lowLevel, double upLevel,
                   const std::string& name) {
    const int i = size();
    nominal.push_back(value);
    lower.push_back(lo);
    upper.push_back(hi);
    status.push_back(st);
    lpl.push_back(lowLevel);
    upl.push_back(upLevel);
    names.push_back(name.empty() ? "c" + std::to_string(i) : name);
    return i;
}

void Table::addSum(const std::vector<int>& parts, int total) {
    Equation e;
    for (int p : parts) e.terms.push_back({p, 1});
    e.terms.push_back({total, -1});
    equations.push_back(e);
}

double FloorMultiple(double value, double base) {
    return std::floor((value + kTol) / base) * base;
}

double CeilMultiple(double value, double base) {
    return std::ceil((value - kTol) / base) * base;
}

double Distance(const Table& table, const std::vector<double>& rounded) {
    double d = 0;
    for (int i = 0; i < table.size() && i < static_cast<int>(rounded.size()); ++i)
        d += std::fabs(rounded[i] - table.nominal[i]);
    return d;
}

std::string CheckRounding(const Table& t, const std::vector<double>& rounded, const Model& m,
                          double reportedDistance) {
    std::ostringstream out;
    if (static_cast<int>(rounded.size()) != t.size()) {
        out << rounded.size() << " rounded values for " << t.size() << " cells\n";
        return out.str();
    }
    const double b = m.base, w = protectionWidth(m);
    for (int i = 0; i < t.size(); ++i) {
        const double r = rounded[i], v = t.nominal[i];
        const std::string cell = "cell " + std::to_string(i) + " (" + t.names[i] + ", value " +
                                 std::to_string(v) + ") rounded to " + std::to_string(r);
        if (!isMultiple(r, b)) out << cell << ": not a multiple of " << b << "\n";
        const double F = FloorMultiple(v, b), U = CeilMultiple(v, b);
        if (r < F - m.maxJump * b - kExact || r > U + m.maxJump * b + kExact)
            out << cell << ": outside [" << F - m.maxJump * b << "," << U + m.maxJump * b << "]\n";
        if (r < t.lower[i] - kTol || r > t.upper[i] + kTol)
            out << cell << ": outside its bounds [" << t.lower[i] << "," << t.upper[i] << "]\n";
        if (t.status[i] == 'u' && (r - w > v - t.lpl[i] + kTol || r + w < v + t.upl[i] - kTol))
            out << cell << ": protection interval [" << v - t.lpl[i] << "," << v + t.upl[i]
                << "] not kept with half-width " << w << "\n";
    }
    for (size_t e = 0; e < t.equations.size(); ++e) {
        const Equation& eq = t.equations[e];
        double s = 0;
        for (const Term& term : eq.terms) s += term.coef * rounded[term.cell];
        if (std::fabs(s - eq.rhs) > kExact * equationScale(eq, rounded))
            out << "equation " << e << ": terms give " << s << ", not " << eq.rhs << "\n";
    }
    if (reportedDistance >= 0) {
        const double d = Distance(t, rounded);
        if (std::fabs(d - reportedDistance) > kExact * std::max(1.0, d))
            out << "distance " << d << " but " << reportedDistance << " reported\n";
    }
    return out.str();
}

std::optional<double> BestDistance(const Table& t, const Model& m, std::vector<double>* best) {
    const int n = t.size();
    const double b = m.base;
    // Candidate values of every cell on its own, nearest first.
    std::vector<std::vector<double>> cand(n);
    std::vector<double> minCost(n, 0.0), lo(n), hi(n);
    for (int i = 0; i < n; ++i) {
        const double F = FloorMultiple(t.nominal[i], b), U = CeilMultiple(t.nominal[i], b);
        for (double r = F - m.maxJump * b; r <= U + m.maxJump * b + kExact; r += b)
            if (admissible(t, i, r, m)) cand[i].push_back(r);
        if (cand[i].empty()) return std::nullopt;
        std::sort(cand[i].begin(), cand[i].end(), [&](double x, double y) {
            return std::fabs(x - t.nominal[i]) < std::fabs(y - t.nominal[i]);
        });
        minCost[i] = std::fabs(cand[i][0] - t.nominal[i]);
        lo[i] = *std::min_element(cand[i].begin(), cand[i].end());
        hi[i] = *std::max_element(cand[i].begin(), cand[i].end());
    }
    std::vector<double> restCost(n + 1, 0.0);
    for (int i = n - 1; i >= 0; --i) restCost[i] = restCost[i + 1] + minCost[i];
    std::vector<std::vector<int>> equationsOf(n);
    for (size_t e = 0; e < t.equations.size(); ++e)
        for (const Term& term : t.equations[e].terms) equationsOf[term.cell].push_back(int(e));

    std::vector<double> value(n, 0.0);
    std::vector<bool> assigned(n, false);
    double bestDistance = INFINITY;
    std::vector<double> bestValues;

    // Can equation e still hold, given the cells assigned so far?
    auto stillPossible = [&](int e) {
        const Equation& eq = t.equations[e];
        double low = 0, high = 0, scale = std::fabs(eq.rhs);
        for (const Term& term : eq.terms) {
            const int c = term.cell;
            const double a = assigned[c] ? value[c] : (term.coef > 0 ? lo[c] : hi[c]);
            const double z = assigned[c] ? value[c] : (term.coef > 0 ? hi[c] : lo[c]);
            low += term.coef * a;
            high += term.coef * z;
            scale += std::fabs(a) + std::fabs(z);
        }
        const double tol = kExact * std::max(1.0, scale);
        return eq.rhs >= low - tol && eq.rhs <= high + tol;
    };

    std::function<void(int, double)> search = [&](int i, double distance) {
        if (distance + restCost[i] >= bestDistance - 1e-9) return;
        if (i == n) {
            bestDistance = distance;
            bestValues = value;
            return;
        }
        assigned[i] = true;
        for (double r : cand[i]) {
            value[i] = r;
            bool ok = true;
            for (int e : equationsOf[i]) ok = ok && stillPossible(e);
            if (ok) search(i + 1, distance + std::fabs(r - t.nominal[i]));
        }
        assigned[i] = false;
    };
    search(0, 0.0);
    if (bestValues.empty() && n > 0) return std::nullopt;
    if (best) *best = bestValues;
    return n > 0 ? bestDistance : 0.0;
}

namespace {

// A table of the given sizes with every marginal total, inner cells drawn by
// `draw` in row-major order.
Table TableWithTotals(const std::vector<int>& sizes, const std::function<double()>& draw,
                      Sums sums) {
    const int k = static_cast<int>(sizes.size());
    std::vector<int> extent(k), stride(k);
    int total = 1;
    for (int d = k - 1; d >= 0; --d) {
        extent[d] = sizes[d] + 1;
        stride[d] = total;
        total *= extent[d];
    }
    auto coord = [&](int index, int d) { return (index / stride[d]) % extent[d]; };
    auto isInner = [&](int index) {
        for (int d = 0; d < k; ++d)
            if (coord(index, d) == sizes[d]) return false;
        return true;
    };

    std::vector<double> values(total, 0.0);
    for (int i = 0; i < total; ++i)
        if (isInner(i)) values[i] = draw();
    // Totals dimension by dimension: after dimension d every cell whose total
    // coordinates all lie in 0..d holds its sum.
    for (int d = 0; d < k; ++d) {
        for (int i = 0; i < total; ++i) {
            if (coord(i, d) != sizes[d]) continue;
            const int first = i - sizes[d] * stride[d];
            double s = 0;
            for (int j = 0; j < sizes[d]; ++j) s += values[first + j * stride[d]];
            values[i] = s;
        }
    }

    Table t;
    for (int i = 0; i < total; ++i) t.addCell(values[i], 0, 1e9);
    if (sums == Sums::kOfInnerCells) {
        // One equation per total, over every inner cell it covers.
        for (int i = 0; i < total; ++i) {
            if (isInner(i)) continue;
            std::vector<int> parts;
            for (int j = 0; j < total; ++j) {
                if (!isInner(j)) continue;
                bool covered = true;
                for (int d = 0; d < k && covered; ++d)
                    covered = coord(i, d) == sizes[d] || coord(i, d) == coord(j, d);
                if (covered) parts.push_back(j);
            }
            t.addSum(parts, i);
        }
        return t;
    }
    for (int d = 0; d < k; ++d) {
        for (int i = 0; i < total; ++i) {
            if (coord(i, d) != sizes[d]) continue;
            const int first = i - sizes[d] * stride[d];
            std::vector<int> parts;
            for (int j = 0; j < sizes[d]; ++j) parts.push_back(first + j * stride[d]);
            t.addSum(parts, i);
        }
    }
    return t;
}

}  // namespace

Table MarginalTable(const std::vector<int>& sizes, uint32_t seed, int minValue, int maxValue,
                    Sums sums) {
    RanrotGenerator gen(seed);
    return TableWithTotals(
        sizes, [&] { return double(gen.nextInRange(minValue, maxValue)); }, sums);
}

Table CountTable(const std::vector<int>& sizes, uint32_t seed, double zeroShare, Sums sums) {
    RanrotGenerator gen(seed);
    return TableWithTotals(
        sizes,
        [&]() -> double {
            if (gen.nextDouble() < zeroShare) return 0;
            // Log-uniform on [1, 1000): a third of the counts below 10, a few in
            // the hundreds.
            return std::floor(std::exp(gen.nextDouble() * std::log(1000.0)));
        },
        sums);
}

}  // namespace roundcheck
