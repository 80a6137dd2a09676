#include "channel/xsection.hpp"

#include <algorithm>
#include <cmath>

namespace torva {

double conveyance(double inv_n, double area, double perim) {
  if (area <= 0.0 || perim <= 0.0) return 0.0;
  return inv_n * area * std::pow(area / perim, 2.0 / 3.0);
}

SectionProps trapezoid_at_depth(double b, double z, double d, double inv_n) {
  SectionProps p;
  const double side = std::sqrt(1.0 + z * z);
  p.depth = d;
  p.topw = b + 2.0 * z * d;
  p.perim = b + 2.0 * d * side;
  p.area = (b + z * d) * d;
  p.conv = conveyance(inv_n, p.area, p.perim);
  if (p.perim > 0.0) {
    const double r = p.area / p.perim;
    p.dconv = inv_n * ((5.0 / 3.0) * std::pow(r, 2.0 / 3.0) * p.topw -
                       (2.0 / 3.0) * std::pow(r, 5.0 / 3.0) * 2.0 * side);
  }
  return p;
}

// The root of z d^2 + b d - a = 0 written as 2a / (sqrt(4 z a + b^2) + b): the same value
// as (sqrt(4 z a + b^2) - b) / (2 z) without its cancellation, and d = a / b when z = 0.
double trapezoid_depth_of_area(double b, double z, double a) {
  if (a <= 0.0) return 0.0;
  const double den = std::sqrt(4.0 * z * a + b * b) + b;
  return den > 0.0 ? 2.0 * a / den : 0.0;
}

SectionProps compound_at_depth(double b, double z, double z2, double dbf, double d, double inv_n) {
  if (d <= dbf) return trapezoid_at_depth(b, z, d, inv_n);
  SectionProps p;
  const double e = d - dbf;
  const double side = std::sqrt(1.0 + z * z);
  const double side2 = std::sqrt(1.0 + z2 * z2);
  const double t_bf = b + 2.0 * z * dbf;
  p.depth = d;
  p.topw = t_bf + 2.0 * z2 * e;
  p.perim = b + 2.0 * dbf * side + 2.0 * e * side2;
  p.area = (b + z * dbf) * dbf + 0.5 * e * (t_bf + p.topw);
  p.conv = conveyance(inv_n, p.area, p.perim);
  if (p.perim > 0.0) {
    const double r = p.area / p.perim;
    p.dconv = inv_n * ((5.0 / 3.0) * std::pow(r, 2.0 / 3.0) * p.topw -
                       (2.0 / 3.0) * std::pow(r, 5.0 / 3.0) * 2.0 * side2);
  }
  return p;
}

int compound_depth_of_area(double b, double z, double z2, double dbf, double a, double& d) {
  const double a_bf = (b + z * dbf) * dbf;
  if (a <= a_bf) {
    const double disc = 4.0 * z * a + b * b;
    if (disc < 0.0) return 1;
    d = trapezoid_depth_of_area(b, z, a);
    return d < 0.0 ? 2 : 0;
  }
  const double t_bf = b + 2.0 * z * dbf;
  const double extra = a - a_bf;
  const double disc = 4.0 * z2 * extra + t_bf * t_bf;
  if (disc < 0.0) return 3;
  const double den = std::sqrt(disc) + t_bf;
  const double e = den > 0.0 ? 2.0 * extra / den : 0.0;
  d = dbf + e;
  if (e < 0.0) return 4;
  return d < 0.0 ? 5 : 0;
}

namespace {

double interp(const std::vector<double>& v, int j, double f) {
  return v[j] + f * (v[j + 1] - v[j]);
}

}  // namespace

SectionProps table_at_depth(const XsecTable& t, double d, bool& beyond) {
  SectionProps p;
  p.depth = d;
  const int m = t.m;
  const double dy = t.dy;
  if (d < dy) {
    const double s = std::pow(d / dy, 5.0 / 3.0);
    p.area = t.xarea[1] * s;
    p.topw = t.xtw[1] * s;
    p.conv = t.xk[1] * s;
    p.perim = t.xp[1] * s;
    p.dconv = t.xk[1] * std::pow(d, 2.0 / 3.0) / std::pow(dy, 5.0 / 3.0);
  } else if (d > m * dy) {
    // Level 0 is the dry level, so a one-level table extrapolates from zero.
    const double f = (d - m * dy) / dy;
    p.area = t.xarea[m] + f * (t.xarea[m] - t.xarea[m - 1]);
    p.topw = t.xtw[m] + f * (t.xtw[m] - t.xtw[m - 1]);
    p.conv = t.xk[m] + f * (t.xk[m] - t.xk[m - 1]);
    p.perim = t.xp[m] + f * (t.xp[m] - t.xp[m - 1]);
    p.dconv = (t.xk[m] - t.xk[m - 1]) / dy;
    beyond = true;
  } else {
    int j = static_cast<int>(std::floor(d / dy));
    j = std::clamp(j, 1, m);
    if (j == m) {
      p.area = t.xarea[m];
      p.topw = t.xtw[m];
      p.conv = t.xk[m];
      p.perim = t.xp[m];
      p.dconv = (t.xk[m] - t.xk[m - 1]) / dy;
    } else {
      const double f = (d - j * dy) / dy;
      p.area = interp(t.xarea, j, f);
      p.topw = interp(t.xtw, j, f);
      p.conv = interp(t.xk, j, f);
      p.perim = interp(t.xp, j, f);
      p.dconv = (t.xk[j + 1] - t.xk[j]) / dy;
    }
  }
  return p;
}

SectionProps table_at_area(const XsecTable& t, double a, bool& beyond) {
  SectionProps p;
  p.area = a;
  const int m = t.m;
  const double dy = t.dy;
  if (a <= 0.0) return p;
  if (a < t.xarea[1]) {
    p.depth = dy * std::pow(a / t.xarea[1], 0.6);
    p.conv = t.xk[1] * std::pow(p.depth / dy, 5.0 / 3.0);
    return p;
  }
  if (a > t.xarea[m]) {
    const double da = t.xarea[m] - t.xarea[m - 1];
    const double f = da > 0.0 ? (a - t.xarea[m]) / da : 0.0;
    p.depth = m * dy + f * dy;
    p.conv = t.xk[m] + f * (t.xk[m] - t.xk[m - 1]);
    beyond = true;
    return p;
  }
  if (m == 1) {
    p.depth = dy;
    p.conv = t.xk[1];
    return p;
  }
  // First level above a, among 2..m; areas rise with the level.
  const auto first = t.xarea.begin() + 2;
  const auto last = t.xarea.begin() + m + 1;
  int k = static_cast<int>(std::upper_bound(first, last, a) - t.xarea.begin());
  int j = std::min(k - 1, m - 1);
  const double da = t.xarea[j + 1] - t.xarea[j];
  const double f = da > 0.0 ? (a - t.xarea[j]) / da : 0.0;
  p.depth = j * dy + f * dy;
  p.conv = interp(t.xk, j, f);
  return p;
}

namespace {

// Wetted geometry of the section at water level w, summed over its sub-sections.
struct LevelSums {
  double topw = 0.0, perim = 0.0, area = 0.0;
  int islands = 0;
};

double edge_at(const XsecTable& t, int i, double w, int& flat_edges) {
  const double y0 = t.y[i - 1], y1 = t.y[i];
  if (y1 == y0) {
    ++flat_edges;
    return t.x[i - 1];
  }
  return t.x[i - 1] + (w - y0) / (y1 - y0) * (t.x[i] - t.x[i - 1]);
}

// Closes a sub-section whose left edge (xl) lies before pair `a` (or at pair a when
// `at_pair`), and whose right edge xr lies after pair b-1 (or at pair N when b > N).
void add_subsection(const XsecTable& t, double w, double xl, int a, bool at_pair, double xr, int b,
                    LevelSums& s) {
  const int n = t.npairs;
  s.topw += xr - xl;
  ++s.islands;
  if (!at_pair) {
    const double dx = t.x[a] - xl, dz = w - t.y[a];
    s.perim += std::hypot(dx, dz);
    s.area += 0.5 * dx * dz;
  }
  const int last_inner = std::min(b - 1, n);
  for (int k = a + 1; k <= last_inner; ++k) {
    const double dx = t.x[k] - t.x[k - 1];
    s.perim += std::hypot(dx, t.y[k] - t.y[k - 1]);
    s.area += 0.5 * ((w - t.y[k - 1]) + (w - t.y[k])) * dx;
  }
  if (b <= n) {
    const double dx = xr - t.x[b - 1], dz = w - t.y[b - 1];
    s.perim += std::hypot(dx, dz);
    s.area += 0.5 * dx * dz;
  }
}

LevelSums level_sums(const XsecTable& t, double w, int& flat_edges) {
  LevelSums s;
  const int n = t.npairs;
  bool open = false;
  double xl = 0.0;
  int a = 1;
  bool at_pair = false;
  int i = 1;
  if (w > t.y[1]) {
    open = true;
    xl = t.x[1];
    a = 1;
    at_pair = true;
    i = 2;
  }
  for (; i <= n && s.islands <= kMaxIslands; ++i) {
    if (!open) {
      if (t.y[i] <= w) {
        open = true;
        a = i;
        at_pair = (i == 1);
        xl = at_pair ? t.x[1] : edge_at(t, i, w, flat_edges);
      }
    } else if (i != a && t.y[i] >= w) {
      add_subsection(t, w, xl, a, at_pair, edge_at(t, i, w, flat_edges), i, s);
      open = false;
    }
  }
  if (open && s.islands <= kMaxIslands) add_subsection(t, w, xl, a, at_pair, t.x[n], n + 1, s);
  return s;
}

}  // namespace

int build_levels(XsecTable& t, double inv_n, bool extra, int& flat_edges) {
  const int m = t.m;
  if (m < 1 || m > kMaxInterp) return 1;
  if (t.npairs < 1 || static_cast<int>(t.y.size()) <= t.npairs) return 2;
  double ymin = t.y[1], ymax = t.y[1];
  for (int i = 2; i <= t.npairs; ++i) {
    ymin = std::min(ymin, t.y[i]);
    ymax = std::max(ymax, t.y[i]);
  }
  t.ymin = ymin;
  t.dy = (ymax - ymin) / m;
  if (!(t.dy >= 0.0001 && t.dy <= 1.0)) return 2;
  t.xarea.assign(m + 1, 0.0);
  t.xtw.assign(m + 1, 0.0);
  t.xk.assign(m + 1, 0.0);
  t.xp.assign(m + 1, 0.0);
  for (int j = 1; j <= m; ++j) {
    const LevelSums s = level_sums(t, ymin + j * t.dy, flat_edges);
    if (s.islands > kMaxIslands) return 3;
    t.xarea[j] = s.area;
    t.xtw[j] = s.topw;
    t.xp[j] = s.perim;
    t.xk[j] = conveyance(inv_n, s.area, s.perim);
  }
  if (extra) {
    t.xi1.assign(m + 1, 0.0);
    t.xdkda.assign(m + 1, 0.0);
    // First moment of area below the surface, a level at a time.
    t.xi1[1] = t.dy * t.dy * t.xtw[1] * 0.5;
    for (int j = 2; j <= m; ++j)
      t.xi1[j] = t.xi1[j - 1] + t.dy * t.xarea[j - 1] + 0.5 * t.dy * t.dy * t.xtw[j];
    for (int j = 1; j <= m; ++j) {
      const double da = t.xarea[j] - t.xarea[j - 1];
      t.xdkda[j] = da > 0.0 ? (t.xk[j] - t.xk[j - 1]) / da : 0.0;
    }
  }
  return 0;
}

}  // namespace torva
