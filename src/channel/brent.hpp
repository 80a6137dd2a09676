#pragma once
// Brent's method for a bracketed root (van Wijngaarden-Dekker-Brent; Brent 1973).
#include <functional>

namespace torva {

// Value returned by the culvert and root-finding kernels when they cannot give a flow.
constexpr double kStructureFailure = -9999.99;

enum class BrentStatus { ok, not_bracketed, no_convergence };

struct BrentResult {
  double root = kStructureFailure;
  BrentStatus status = BrentStatus::ok;
  int iterations = 0;
};

// Root of f in [x1, x2] to the tolerance 6e-8*|x| + tol/2 on the half-interval, in at most
// max_iter iterations.  The ends must bracket a sign change.  Pure: prints nothing.
BrentResult brent_root(const std::function<double(double)>& f, double x1, double x2,
                       double tol = 0.0001, int max_iter = 100);

// As brent_root, printing the root finder's own failure lines and giving the failure value.
double zbrent(const std::function<double(double)>& f, double x1, double x2, double tol = 0.0001);
// The failure lines of a finished search; its root, or the failure value.
double zbrent_report(const BrentResult& r);

}  // namespace torva
