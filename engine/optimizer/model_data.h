// The problem as loaded by the caller, independent of any solver: columns with
// objective, bounds and type, and rows with type, right-hand side, range and
// their elements in row form. Values of magnitude kInfinity or more are
// infinite and are stored as +-kInfinity.
#pragma once

#include <string>
#include <vector>

namespace qtb::opt {

inline constexpr double kInfinity = 1.0e20;

// Clamps a bound to +-kInfinity when it is that large or larger.
double NormaliseBound(double v);

struct ModelData {
    std::string name;
    // Columns.
    std::vector<double> obj;
    std::vector<double> lb;
    std::vector<double> ub;
    std::vector<char> type;  // 'C' continuous, 'B' binary, 'I' integer
    // Rows, elements in row form: row i owns start[i] .. start[i+1]-1.
    std::vector<char> row_type;  // 'E', 'L', 'G', 'N', 'R'
    std::vector<double> rhs;
    std::vector<double> range;  // used by 'R' rows
    std::vector<int> start{0};
    std::vector<int> index;
    std::vector<double> value;

    int Cols() const { return static_cast<int>(obj.size()); }
    int Rows() const { return static_cast<int>(row_type.size()); }
    bool HasEntities() const;

    // Lower and upper limit of row i, with `inf` standing for an infinite one.
    void RowLimits(int i, double inf, double* lo, double* up) const;

    // Appends one row; entries of the same column are added together and exact
    // zeros dropped. Indices must already be checked.
    void AppendRow(char type, double rhs, double range, const int* cols, const double* vals,
                   int count);

    // rhs - activity of every row for column values x.
    std::vector<double> Slacks(const double* x) const;
};

// The model's elements by column: the rows of column j are row[start[j]] ..
// row[start[j+1]-1] in increasing order, with their coefficients in `value`.
// Only rows whose type `keep` accepts are listed (every row without it).
struct ColumnRows {
    explicit ColumnRows(const ModelData& m, bool (*keep)(char row_type) = nullptr);
    std::vector<int> start, row;
    std::vector<double> value;
};

}  // namespace qtb::opt
