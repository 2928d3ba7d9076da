// Interval ends that the auditing phase knows without an LP of their own.
//
// Every point of the auditing LP (the equations with each cell in its box) is
// a table a reader cannot rule out. So when a cell sits at an end of its box
// in any such point, that end is the cell's largest or smallest possible
// value: the LP for it would only find the box's end again. The published
// table is one such point, every LP solution another, and a few LPs whose
// objective pushes many cells at once towards the ends still open certify
// most ends of a large table; only the rest need an LP each. Cells in no
// equation can take every value of their box.
#pragma once

#include <functional>
#include <vector>

#include "engine/engine.h"

class EndCertificates {
  public:
    // The boxes of the n cells, in index order; the arrays must outlive this.
    EndCertificates(const double lo[], const double hi[], int n);

    // Marks the ends that the point `x` (one value per cell) reaches; the
    // number of ends newly certified.
    int Offer(const double* x);
    // Certifies both ends of a cell, or one.
    void CertifyBoth(int cell);
    void CertifyHigh(int cell);
    void CertifyLow(int cell);

    bool High(int cell) const { return high_[cell] != 0; }
    bool Low(int cell) const { return low_[cell] != 0; }
    // Ends not yet certified.
    int Open() const { return open_; }

  private:
    const double* lo_;
    const double* hi_;
    int n_;
    std::vector<char> high_, low_;
    int open_;
};

// Certifies what needs no LP: both ends of cells in no equation, and the ends
// the published table reaches (when it holds every equation).
void CertifyWithoutLps(const std::vector<double>& published, EndCertificates& ends);

// Certifies ends by moves that keep every equation: a cell and every total
// that adds it up (and the totals of those, and so on) all rise, or all fall,
// by the same amount. Such a move goes as far as the cell of the move with
// the least room in its box allows, so it reaches the end of each cell of the
// move whose room is that least one. In a table with its marginal totals
// every inner cell has such a move (itself and its totals), and it settles
// most ends of every cell. `published` must hold every equation (it is the
// point the moves start from); moves through an equation whose coefficients
// are not +1 and -1 or whose total is not one cell are not made. Returns the
// number of ends certified.
int CertifyByMoves(const std::vector<double>& published, const double lo[], const double hi[],
                   EndCertificates& ends);

// Whether `published` holds every equation (within rounding of sums).
bool HoldsEveryEquation(const std::vector<double>& published);

// Solves LPs on `prob` (the auditing LP, its objective all zero) whose
// objective pushes every cell with an open end towards it, offering each
// solution, until a round certifies too few new ends, an LP does not end
// optimal, or `timeUp` says so. Leaves the objective all zero again. Returns
// the number of LPs solved.
int CertifyInBatches(XPRSprob prob, EndCertificates& ends, const std::function<bool()>& timeUp);
