#include "channel/culvert.hpp"

#include <algorithm>
#include <cmath>

namespace torva {
namespace {

constexpr double kPi = 3.1415926;

// Full-barrel area and hydraulic radius.
void full_barrel(CulvertShape shape, double D, double B, double& area, double& radius) {
  switch (shape) {
    case CulvertShape::round:
      area = kPi * D * D / 4.0;
      radius = D / 4.0;
      break;
    case CulvertShape::oval:
      area = 0.788 * B * D;
      radius = 0.299 * D;
      break;
    case CulvertShape::rect:
      area = B * D;
      radius = B * D / (2.0 * B + 2.0 * D);
      break;
  }
}

double hydraulic_radius(const CulvertSection& s) {
  return s.perimeter > 0.0 ? s.area / s.perimeter : 0.0;
}

// Long mild barrel: friction plus velocity head, k = n^2 L^2 / R^(4/3) + 1/(2g).
double long_barrel_flow(double area, double radius, double n, double L, double head) {
  if (area <= 0.0 || radius <= 0.0 || head <= 0.0) return 0.0;
  const double k = n * n * L * L / std::pow(radius, 4.0 / 3.0) + 0.0509683995922528;
  return area * std::sqrt(head / k);
}

}  // namespace

CulvertSection culvert_section(CulvertShape shape, double y, double D, double B) {
  CulvertSection s;
  switch (shape) {
    case CulvertShape::round: {
      if (y < 0.0) return s;
      if (y >= D) {
        s.area = kPi * D * D / 4.0;
        s.perimeter = kPi * D;
        return s;
      }
      const double r = D / 2.0;
      const double theta = std::acos((r - y) / r);
      s.area = r * r * theta - (r - y) * r * std::sin(theta);
      s.perimeter = theta * D;
      s.top_width = D * std::sin(theta);
      return s;
    }
    case CulvertShape::oval: {
      if (y <= 0.0) return s;
      const double p = std::min(y / D, 1.0);
      const double p2 = p * p, p3 = p2 * p, p4 = p3 * p;
      s.area = (0.450552317 * p2 + 0.850625935 * p - 0.0265118802 - 0.48046422 * p3) * D * B;
      const double rr =
          (1.1666329 * p - 0.0382820242 - 1.32389992 * p2 + 1.04200851 * p3 - 0.526837711 * p4) * D;
      s.perimeter = rr != 0.0 ? s.area / rr : 0.0;
      s.top_width =
          (3.13077957 * p + 0.656758295 - 9.66782176 * p2 + 11.9256017 * p3 - 5.88560436 * p4) * B;
      return s;
    }
    case CulvertShape::rect:
      if (y < 0.0) return s;
      if (y >= D) {
        s.area = D * B;
        s.perimeter = 2.0 * D + 2.0 * B;
        return s;
      }
      s.area = y * B;
      s.perimeter = 2.0 * y + B;
      s.top_width = B;
      return s;
  }
  return s;
}

CriticalDepth critical_depth(CulvertShape shape, double q, double D, double B) {
  CriticalDepth r;
  if (shape == CulvertShape::oval) {
    r.code = 123;
    return r;
  }
  if (q <= 0.0) return r;
  if (shape == CulvertShape::rect) {
    r.depth = std::cbrt((q / B) * (q / B) / kG);
    return r;
  }
  // Round: Newton on F(y) = A^1.5 / sqrt(T) - Q / sqrt(g), kept inside the open barrel.
  const double target = q / std::sqrt(kG);
  const double rad = D / 2.0;
  double y = 0.49 * D;
  for (int iter = 0; iter < 1000; ++iter) {
    const double theta = std::acos((rad - y) / rad);
    const double area = rad * rad * theta - (rad - y) * rad * std::sin(theta);
    const double width = D * std::sin(theta);
    const double dwidth = 2.0 * std::cos(theta) / std::sin(theta);
    const double f = std::pow(area, 1.5) / std::sqrt(width) - target;
    const double df =
        1.5 * std::sqrt(area * width) - 0.5 * std::pow(area, 1.5) * std::pow(width, -1.5) * dwidth;
    if (!(df > 0.0) || !std::isfinite(f)) break;
    double next = y - f / df;
    if (next <= 0.0) next = 0.5 * y;
    if (next >= D) next = 0.5 * (y + D);
    const double change = std::fabs(next - y);
    y = next;
    if (change < 1e-8) {
      r.depth = y;
      return r;
    }
  }
  r.code = 122;
  return r;
}

CulvertFlow culvert_flow(const Culvert& c, double transition, double h1, double h2, int number,
                         Faults& faults) {
  CulvertFlow out;
  const CulvertShape shape = c.shape;
  const double L = c.length;
  if (L < 0.0001) {
    faults.push_back({.code = kCulvertNoLength, .item = number});
    out.q = kStructureFailure;
    return out;
  }
  double zu = c.up_invert;
  double zd = c.down_invert;
  double s0 = c.slope;
  if (zd < 0.0001)
    zd = zu - L * s0;
  else
    s0 = (zu - zd) / L;

  const bool reverse = h2 >= h1;
  double h = h1, t = h2, coef = c.coef_forward;
  if (reverse) {
    std::swap(zu, zd);
    h = h2;
    t = h1;
    coef = c.coef_reverse;
  }
  const double sign = reverse ? -1.0 : 1.0;
  if (zu > h && zd > h) return out;

  const double D = c.size, B = c.span, n = c.roughness, c8 = transition;
  const double slope = reverse ? -s0 : s0;
  const bool steep = slope > 0.01;
  const double hw = steep ? h - zu : h - zd;
  const double ratio = hw / D;
  const double dh = h - t;
  const double dt = t - zd;
  const double root2g = std::sqrt(kTwoG);
  double q = 0.0;
  int type = 0;

  auto finish = [&](double flow, int kind) {
    out.q = sign * flow;
    out.type = static_cast<int>(sign) * kind;
    return out;
  };

  if (L > 40.0 * D && slope < 0.01) {
    if (ratio < 1.5) {
      if (dt < D && t > zd) {
        out.depth = 0.5 * (0.7 * (h - zu) + dt);
        const CulvertSection s = culvert_section(shape, out.depth, D, B);
        out.area = s.area;
        q = long_barrel_flow(s.area, hydraulic_radius(s), n, L, dh);
        type = 3;
      }
      if (zd + 1e-6 >= t) {
        out.depth = 0.5 * (h - zu);
        const CulvertSection s = culvert_section(shape, out.depth, D, B);
        out.area = s.area;
        q = long_barrel_flow(s.area, hydraulic_radius(s), n, L, dh);
        type = 2;
      }
      return finish(q, type);
    }
    const double area = 3.14159 * D * D / 4.0;
    out.depth = D;
    out.area = area;
    if (t > zd + D / 2.0) return finish(long_barrel_flow(area, D / 4.0, n, L, dh), 4);
    return finish(long_barrel_flow(area, D / 4.0, n, L, h - (zd + D / 2.0)), 6);
  }

  if (ratio < 1.5 && 0.7 * (h - zu) + zd > t) {
    type = steep ? 1 : 2;
    if (hw < 0.01) return finish(0.0, 0);
    if (shape == CulvertShape::oval) return finish(0.0, type);
    if (shape == CulvertShape::rect) {
      out.depth = 2.0 / 3.0 * hw;
      out.area = out.depth * B;
      return finish(out.depth * B * c8 * root2g * std::sqrt(hw - out.depth), type);
    }
    // Critical flow at the inlet: Q = A(yc) C' sqrt(2g (HW - yc)), with the coefficient blended
    // towards the transition value as the inlet approaches submergence.
    double cc = coef;
    if (c8 >= 0.01) cc = (1.0 - ratio / 1.5) * coef + ratio * c8 / 1.5;
    const double a_hi = culvert_section(shape, std::min(hw, D), D, B).area;
    const double q_hi = a_hi * cc * root2g * std::sqrt(hw < D ? hw / 3.0 : 0.4 * hw);
    // One reference capture keeps the callable within std::function's local buffer, so no
    // allocation happens per evaluation.
    struct InletControl {
      CulvertShape shape;
      double D, B, cc, root2g, hw;
      int crit_code = 0;
      double operator()(double qq) {
        const CriticalDepth yc = critical_depth(shape, qq, D, B);
        if (yc.code != 0) crit_code = yc.code;
        const double a = culvert_section(shape, yc.depth, D, B).area;
        return qq - a * cc * root2g * std::sqrt(std::max(hw - yc.depth, 0.0));
      }
    } ic{shape, D, B, cc, root2g, hw};
    auto f = [&ic](double qq) { return ic(qq); };
    const BrentResult br = brent_root(f, 0.0001, q_hi);
    if (const Fault root = root_fault(br)) faults.push_back(root);
    if (ic.crit_code != 0) {
      faults.push_back(
          {.code = ic.crit_code == 123 ? kCulvertOvalCriticalDepth : kCulvertNoCriticalDepth,
           .item = number});
      out.q = kStructureFailure;
      return out;
    }
    if (br.status != BrentStatus::ok) {
      faults.push_back({.code = br.status == BrentStatus::not_bracketed ? kCulvertRootNotBracketed
                                                                        : kCulvertNoRoot,
                        .item = number});
      out.q = kStructureFailure;
      return out;
    }
    const double root = br.root;
    out.depth = critical_depth(shape, root, D, B).depth;
    out.area = culvert_section(shape, out.depth, D, B).area;
    return finish(root, type);
  }
  if (ratio < 1.5 && t < D + zd) {
    out.depth = dt;
    out.area = culvert_section(shape, dt, D, B).area;
    return finish(out.area * coef * std::sqrt(kTwoG * std::max(dh, 0.0)), 3);
  }
  double area = 0.0, radius = 0.0;
  full_barrel(shape, D, B, area, radius);
  if (ratio >= 1.0 && dt >= D) {
    const double k =
        L > 15.0 ? 29.0 * coef * coef * n * n * L / std::pow(radius, 4.0 / 3.0) + 1.0 : 1.0;
    out.depth = D;
    out.area = area;
    return finish(coef * area * std::sqrt(2.0 * 9.81 * std::max(dh, 0.0) / k), 4);
  }
  if (ratio >= 1.5 && t < zd + D) {
    const double q5 = area * coef * root2g * std::sqrt(std::max(h - zu, 0.0));
    const double q6 = area * coef * std::sqrt(kTwoG * std::max(h - (zd + D), 0.0));
    out.depth = D;
    out.area = area;
    return q6 > q5 ? finish(q5, 5) : finish(q6, 6);
  }
  return finish(0.0, 0);
}

bool culvert_transition(const Culvert& c, int number, int link, double& transition,
                        Faults& faults) {
  const double D = c.size;
  const CulvertFlow qa =
      culvert_flow(c, kFirstTransition, c.up_invert + 1.5 * D, 0.0, number, faults);
  if (qa.failed()) {
    faults.push_back({.code = kCulvertLinkFailedHigh, .link = link, .item = number});
    return false;
  }
  const CulvertFlow qb =
      culvert_flow(c, kFirstTransition, c.up_invert + 1.49 * D, 0.0, number, faults);
  if (qb.failed()) {
    faults.push_back({.code = kCulvertLinkFailed, .link = link, .item = number});
    return false;
  }
  const double denom = qb.area * std::sqrt(kTwoG * (1.49 * D - qb.depth));
  double value = denom > 0.0 ? qa.q / denom : 0.99;
  if (!(value <= 1.0)) value = 0.99;
  transition = value;
  return true;
}

CulvertFlow culvert_element_flow(const Culvert& c, double h1, double h2, int number, int link,
                                 Faults& faults) {
  CulvertFlow out;
  double transition = 0.0;
  if (!culvert_transition(c, number, link, transition, faults)) {
    out.q = kStructureFailure;
    return out;
  }
  out = culvert_flow(c, transition, h1, h2, number, faults);
  if (out.failed()) faults.push_back({.code = kCulvertLinkFailed, .link = link, .item = number});
  return out;
}

}  // namespace torva
