#pragma once
// Brent's method for a bracketed root (van Wijngaarden-Dekker-Brent; Brent 1973).
#include <functional>

#include "frame/fault.hpp"

namespace torva {

enum RootFault : int {
  kRootNotBracketed = 401,   // the ends of the interval do not bracket a sign change
  kRootNoConvergence = 402,  // the iterations ran out
};

// Value returned by the culvert and root-finding kernels when they cannot give a flow.
constexpr double kStructureFailure = -9999.99;

enum class BrentStatus { ok, not_bracketed, no_convergence };

struct BrentResult {
  double root = kStructureFailure;
  BrentStatus status = BrentStatus::ok;
  int iterations = 0;
};

// Root of f in [x1, x2] to the tolerance 6e-8*|x| + tol/2 on the half-interval, in at most
// max_iter iterations.  The ends must bracket a sign change.
BrentResult brent_root(const std::function<double(double)>& f, double x1, double x2,
                       double tol = 0.0001, int max_iter = 100);

// The fault of a finished search; none when it found its root.
Fault root_fault(const BrentResult& r);

}  // namespace torva
