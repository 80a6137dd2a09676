#include "channel/brent.hpp"

#include <cmath>

namespace torva {

BrentResult brent_root(const std::function<double(double)>& f, double x1, double x2, double tol,
                       int max_iter) {
  constexpr double kEps = 3.0e-8;
  BrentResult r;
  double a = x1, b = x2, c = x2, d = 0.0, e = 0.0;
  double fa = f(a), fb = f(b);
  if ((fa > 0.0 && fb > 0.0) || (fa < 0.0 && fb < 0.0)) {
    r.status = BrentStatus::not_bracketed;
    return r;
  }
  double fc = fb;
  for (int iter = 1; iter <= max_iter; ++iter) {
    r.iterations = iter;
    if ((fb > 0.0 && fc > 0.0) || (fb < 0.0 && fc < 0.0)) {
      c = a;
      fc = fa;
      e = d = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double tol1 = 2.0 * kEps * std::fabs(b) + 0.5 * tol;
    const double xm = 0.5 * (c - b);
    if (std::fabs(xm) <= tol1 || fb == 0.0) {
      r.root = b;
      return r;
    }
    if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
      // Inverse quadratic interpolation, or secant when only two points differ.
      double p, q;
      const double s = fb / fa;
      if (a == c) {
        p = 2.0 * xm * s;
        q = 1.0 - s;
      } else {
        const double qq = fa / fc;
        const double rr = fb / fc;
        p = s * (2.0 * xm * qq * (qq - rr) - (b - a) * (rr - 1.0));
        q = (qq - 1.0) * (rr - 1.0) * (s - 1.0);
      }
      if (p > 0.0) q = -q;
      p = std::fabs(p);
      const double min1 = 3.0 * xm * q - std::fabs(tol1 * q);
      const double min2 = std::fabs(e * q);
      if (2.0 * p < (min1 < min2 ? min1 : min2)) {
        e = d;
        d = p / q;
      } else {
        d = xm;
        e = d;
      }
    } else {
      d = xm;
      e = d;
    }
    a = b;
    fa = fb;
    b += std::fabs(d) > tol1 ? d : (xm >= 0.0 ? tol1 : -tol1);
    fb = f(b);
  }
  r.status = BrentStatus::no_convergence;
  r.root = kStructureFailure;
  return r;
}

Fault root_fault(const BrentResult& r) {
  switch (r.status) {
    case BrentStatus::not_bracketed:
      return {.code = kRootNotBracketed};
    case BrentStatus::no_convergence:
      return {.code = kRootNoConvergence};
    case BrentStatus::ok:
      break;
  }
  return {};
}

}  // namespace torva
