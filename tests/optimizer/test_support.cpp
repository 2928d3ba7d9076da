#include "tests/optimizer/test_support.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

namespace qtb::opt::test {

int Prob::Int(int attrib) const {
    int v = -12345;
    EXPECT_EQ(XPRSgetintattrib(p_, attrib, &v), 0) << "attribute " << attrib;
    return v;
}

double Prob::Dbl(int attrib) const {
    double v = -12345.0;
    EXPECT_EQ(XPRSgetdblattrib(p_, attrib, &v), 0) << "attribute " << attrib;
    return v;
}

std::vector<double> Prob::Sol(int ncols) const {
    std::vector<double> x(ncols, -1.0);
    EXPECT_EQ(XPRSgetsol(p_, x.data(), nullptr, nullptr, nullptr), 0);
    return x;
}

void Rows::Add(char t, double r, const std::vector<int>& c, const std::vector<double>& v) {
    type.push_back(t);
    rhs.push_back(r);
    cols.insert(cols.end(), c.begin(), c.end());
    vals.insert(vals.end(), v.begin(), v.end());
    start.push_back(static_cast<int>(cols.size()));
}

int LoadColumns(XPRSprob p, const std::vector<double>& obj, const std::vector<double>& lb,
                const std::vector<double>& ub, const std::vector<char>& types, const Rows& rows) {
    const int n = static_cast<int>(obj.size());
    std::vector<int> starts(n + 1, 0);
    int rc;
    if (types.empty()) {
        std::vector<int> counts(n, 0);
        rc = XPRSloadlp(p, "test", n, 0, nullptr, nullptr, nullptr, obj.data(), starts.data(),
                        counts.data(), nullptr, nullptr, lb.data(), ub.data());
    } else {
        std::vector<int> entities;
        std::vector<char> entity_types;
        for (int j = 0; j < n; ++j) {
            if (types[j] == 'C') continue;
            entities.push_back(j);
            entity_types.push_back(types[j]);
        }
        rc = XPRSloadglobal(p, "test", n, 0, nullptr, nullptr, nullptr, obj.data(), starts.data(),
                            nullptr, nullptr, nullptr, lb.data(), ub.data(),
                            static_cast<int>(entities.size()), 0, entity_types.data(),
                            entities.data(), nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    if (rc != 0 || rows.Count() == 0) return rc;
    return XPRSaddrows(p, rows.Count(), static_cast<int>(rows.cols.size()), rows.type.data(),
                       rows.rhs.data(), nullptr, rows.start.data(), rows.cols.data(),
                       rows.vals.data());
}

RoundingTable MakeRoundingTable(int dims, int n, unsigned seed, double base, bool inner_sums) {
    RoundingTable t;
    t.base = base;
    const int side = n + 1;  // index n is the total of a dimension
    int cells = 1;
    std::vector<int> stride(dims);
    for (int d = 0; d < dims; ++d) {
        stride[d] = cells;
        cells *= side;
    }
    auto coord = [&](int c, int d) { return (c / stride[d]) % side; };
    auto is_inner = [&](int c) {
        for (int d = 0; d < dims; ++d) {
            if (coord(c, d) == n) return false;
        }
        return true;
    };
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> draw(1, 50);
    t.value.assign(cells, 0.0);
    for (int c = 0; c < cells; ++c) {
        if (is_inner(c)) t.value[c] = draw(rng);
    }
    // Totals dimension by dimension: a cell gets its final value in the pass of
    // the last dimension where it is a total, when all its parts are final.
    for (int d = 0; d < dims; ++d) {
        for (int c = 0; c < cells; ++c) {
            if (coord(c, d) != n) continue;
            double sum = 0.0;
            for (int i = 0; i < n; ++i) sum += t.value[c - (n - i) * stride[d]];
            t.value[c] = sum;
        }
    }
    t.floors.resize(cells);
    t.obj.resize(cells);
    t.lb.assign(cells, 0.0);
    t.ub.assign(cells, 1.0);
    for (int c = 0; c < cells; ++c) {
        t.floors[c] = std::floor(t.value[c] / base) * base;
        const double f = t.value[c] - t.floors[c];
        t.obj[c] = base - 2.0 * f;
        if (f < 1e-5) t.ub[c] = 0.0;  // a multiple of the base stays as it is
    }
    if (inner_sums) {
        // One equation per total: the inner cells it covers.
        for (int c = 0; c < cells; ++c) {
            if (is_inner(c)) continue;
            std::vector<int> cols;
            std::vector<double> vals;
            double rhs = t.floors[c];
            for (int i = 0; i < cells; ++i) {
                if (!is_inner(i)) continue;
                bool covered = true;
                for (int d = 0; d < dims && covered; ++d)
                    covered = coord(c, d) == n || coord(c, d) == coord(i, d);
                if (!covered) continue;
                cols.push_back(i);
                vals.push_back(1.0);
                rhs -= t.floors[i];
            }
            cols.push_back(c);
            vals.push_back(-1.0);
            t.rows.Add('E', rhs / base, cols, vals);
        }
        return t;
    }
    // One equation per total and dimension where it is a total:
    // sum of parts (floor + base x) = total (floor + base x).
    for (int d = 0; d < dims; ++d) {
        for (int c = 0; c < cells; ++c) {
            if (coord(c, d) != n) continue;
            std::vector<int> cols;
            std::vector<double> vals;
            double rhs = t.floors[c];
            for (int i = 0; i < n; ++i) {
                const int part = c - (n - i) * stride[d];
                cols.push_back(part);
                vals.push_back(1.0);
                rhs -= t.floors[part];
            }
            cols.push_back(c);
            vals.push_back(-1.0);
            t.rows.Add('E', rhs / base, cols, vals);
        }
    }
    return t;
}

double RoundingTable::Distance(const std::vector<double>& x) const {
    double sum = 0.0;
    for (int c = 0; c < Cells(); ++c) sum += std::fabs(floors[c] + base * x[c] - value[c]);
    return sum;
}

double RoundingTable::MaxViolation(const std::vector<double>& x) const {
    double worst = 0.0;
    for (int i = 0; i < rows.Count(); ++i) {
        double lhs = 0.0;
        for (int k = rows.start[i]; k < rows.start[i + 1]; ++k)
            lhs += rows.vals[k] * x[rows.cols[k]];
        worst = std::max(worst, std::fabs(lhs - rows.rhs[i]));
    }
    return worst;
}

std::string CaptureOutput(const std::function<void()>& f) {
    std::fflush(stdout);
    std::fflush(stderr);
    char path[] = "/tmp/qtb_optimizer_capture_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        ADD_FAILURE() << "cannot create a capture file";
        f();
        return {};
    }
    const int saved_out = dup(STDOUT_FILENO);
    const int saved_err = dup(STDERR_FILENO);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    f();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(saved_out, STDOUT_FILENO);
    dup2(saved_err, STDERR_FILENO);
    close(saved_out);
    close(saved_err);
    close(fd);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path);
    return text.str();
}

double ObjectiveOf(const ModelData& m, const std::vector<double>& x) {
    double z = 0;
    for (int j = 0; j < m.Cols(); ++j) z += m.obj[j] * x[j];
    return z;
}

ModelData ModelOf(const RoundingTable& t) {
    ModelData m;
    m.obj = t.obj;
    m.lb = t.lb;
    m.ub = t.ub;
    m.type.assign(t.Cells(), 'B');
    for (int i = 0; i < t.rows.Count(); ++i) {
        const int b = t.rows.start[i], e = t.rows.start[i + 1];
        m.AppendRow(t.rows.type[i], t.rows.rhs[i], 0, t.rows.cols.data() + b,
                    t.rows.vals.data() + b, e - b);
    }
    return m;
}

}  // namespace qtb::opt::test
