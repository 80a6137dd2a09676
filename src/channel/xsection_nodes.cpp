// Break-point tables assigned to nodes, and the all-node section evaluation.
#include <algorithm>

#include "channel/channel_state.hpp"
#include "channel/xsection.hpp"

namespace torva {
namespace {

bool fail(Faults& faults, const Fault& f) {
  faults.push_back(f);
  return false;
}

// Value of one level array at depth d, as the interpolation between two tables needs it:
// below the first level the level-1 entry scales linearly with depth.
double value_at(const XsecTable& t, const std::vector<double>& v, double d) {
  if (v.empty()) return 0.0;
  const int m = t.m;
  if (d < t.dy) return v[1] * d / t.dy;
  if (d >= m * t.dy) return v[m] + (d - m * t.dy) * (v[m] - v[m - 1]) / t.dy;
  const int j = std::clamp(static_cast<int>(d / t.dy), 1, m - 1);
  return v[j] + (d - j * t.dy) * (v[j + 1] - v[j]) / t.dy;
}

int new_table(XsecTables& tabs, const XsecTable& like, int link, int node) {
  XsecTable t;
  t.link = link;
  t.node = node;
  t.npairs = like.npairs;
  t.m = like.m;
  t.dy = like.dy;
  t.ymin = like.ymin;
  tabs.t.push_back(std::move(t));
  return tabs.count();
}

// Table for node k between table nodes k1 < k < k2, weighted linearly in node index.
void interpolate_table(XsecTable& out, const XsecTable& t1, int k1, const XsecTable& t2, int k2,
                       int k, bool extra) {
  const double w = static_cast<double>(k - k2) / static_cast<double>(k1 - k2);
  out.dy = t2.dy + (t1.dy - t2.dy) * w;
  const int m = out.m;
  auto fill = [&](std::vector<double>& dst, const std::vector<double>& a,
                  const std::vector<double>& b) {
    dst.assign(m + 1, 0.0);
    for (int j = 1; j <= m; ++j) {
      const double d = j * out.dy;
      const double v1 = value_at(t1, a, d), v2 = value_at(t2, b, d);
      dst[j] = v2 + (v1 - v2) * w;
    }
  };
  fill(out.xarea, t1.xarea, t2.xarea);
  fill(out.xtw, t1.xtw, t2.xtw);
  fill(out.xk, t1.xk, t2.xk);
  fill(out.xp, t1.xp, t2.xp);
  if (extra) {
    fill(out.xi1, t1.xi1, t2.xi1);
    fill(out.xdkda, t1.xdkda, t2.xdkda);
  }
}

// Makes two neighbouring tables of one link agree in pair count and level count.
void harmonise(XsecTable& a, XsecTable& b, int link, Faults& faults) {
  if (a.npairs != b.npairs) {
    if (b.npairs > a.npairs) {
      faults.push_back(
          {.code = kSectionPairsCutSecond, .link = link, .value = {1.0 * (b.npairs - a.npairs)}});
      b.npairs = a.npairs;
    } else {
      faults.push_back(
          {.code = kSectionPairsCutFirst, .link = link, .value = {1.0 * (a.npairs - b.npairs)}});
      a.npairs = b.npairs;
    }
  }
  if (a.m != b.m) {
    faults.push_back({.code = kSectionInterpCountsDiffer, .link = link});
    a.m = b.m = std::max(a.m, b.m);
  }
}

bool build_one(XsecTables& tabs, int number, int link, double inv_n, Faults& faults) {
  XsecTable& t = tabs.t[number];
  int flat = 0;
  const int rc = build_levels(t, inv_n, tabs.extra, flat);
  if (flat > 0) faults.push_back({.code = kSectionFlatEdge, .link = link});
  if (rc == 1)
    return fail(
        faults,
        {.code = kSectionBadInterpCount, .link = link, .item = number, .value = {1.0 * t.m}});
  if (rc == 2)
    return fail(faults, {.code = kSectionBadInterpDistance,
                         .link = link,
                         .item = number,
                         .value = {t.dy, 1.0 * t.m}});
  if (rc == 3) return fail(faults, {.code = kSectionJagged, .link = link});
  return true;
}

}  // namespace

bool build_link_sections(ChannelState& ch, int link, int first, int count, Faults& faults) {
  XsecTables& tabs = ch.tables;
  const double inv_n = ch.inv_n[link];
  const int nodes = ch.nodes[link];
  if (count < 1 || first < 1 || first + count - 1 > tabs.count())
    return fail(faults, {.code = kSectionNoTables, .link = link});
  for (int i = first; i + 1 < first + count; ++i) harmonise(tabs.t[i], tabs.t[i + 1], link, faults);
  for (int i = first; i < first + count; ++i)
    if (!build_one(tabs, i, link, inv_n, faults)) return false;

  if (ch.linktype[link] & kLinkErodible) {
    // Each node's section changes with its own bed, so each starts from its own copy.
    ch.erode_table[link] = first;
    for (int k = 1; k <= nodes; ++k) {
      XsecTable copy = tabs.t[first];
      copy.node = k;
      tabs.t.push_back(std::move(copy));
      ch.node_table(k, link) = tabs.count();
    }
  } else if (count == 1) {
    for (int k = 1; k <= nodes; ++k) ch.node_table(k, link) = first;
  } else {
    const int last = first + count - 1;
    for (int k = 1; k <= nodes; ++k) {
      int num = 0;
      if (k <= tabs.t[first].node) {
        num = first;
      } else if (k >= tabs.t[last].node) {
        num = last;
      } else {
        for (int i = first; i < last; ++i) {
          const int k1 = tabs.t[i].node, k2 = tabs.t[i + 1].node;
          if (k == k1) num = i;
          if (k == k2) num = i + 1;
          if (k > k1 && k < k2) {
            num = new_table(tabs, tabs.t[i], link, k);
            interpolate_table(tabs.t[num], tabs.t[i], k1, tabs.t[i + 1], k2, k, tabs.extra);
          }
          if (num) break;
        }
        if (!num) num = last;  // table nodes out of order: keep the last table
      }
      ch.node_table(k, link) = num;
    }
  }
  return true;
}

namespace {

bool stop_at(Faults& faults, int code, int node, int link) {
  return fail(faults, {.code = code, .link = link, .node = node});
}

void store(ChannelState& ch, int k, int l, const SectionProps& p) {
  ch.chan_depth(k, l) = p.depth;
  ch.area(k, l) = p.area;
  ch.topw(k, l) = p.topw;
  ch.conv(k, l) = p.conv;
  ch.dconv(k, l) = p.dconv;
}

bool depth_to_area(ChannelState& ch, Faults& faults) {
  const int ntab = ch.tables.count();
  for (int l = 1; l <= ch.links; ++l) {
    const int lt = ch.linktype[l];
    if (lt & (kLinkLake | kLinkStructure)) continue;
    const double inv_n = ch.inv_n[l];
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      const double d = ch.yp(k, l) - ch.bel(k, l);
      if (lt & kLinkCompound) {
        if (d < 0.0) return stop_at(faults, kSectionNegativeDepthCompound, k, l);
        store(ch, k, l,
              compound_at_depth(ch.bottom(k, l), ch.sslope(k, l), ch.sslope2(k, l),
                                ch.bankfull_dep(k, l), d, inv_n));
      } else if (lt & kLinkTrapezoid) {
        if (d < 0.0) return stop_at(faults, kSectionNegativeDepthTrapezoid, k, l);
        store(ch, k, l, trapezoid_at_depth(ch.bottom(k, l), ch.sslope(k, l), d, inv_n));
      } else if (lt & kLinkBreakpoint) {
        if (d < 0.0) return stop_at(faults, kSectionNegativeDepthBreakpoint, k, l);
        const int t = ch.node_table(k, l);
        if (t < 1 || t > ntab) return stop_at(faults, kSectionNoTable, k, l);
        store(ch, k, l, table_at_depth(ch.tables.t[t], d, ch.beyond_table));
      }
    }
  }
  return true;
}

bool area_to_depth(ChannelState& ch, Array2<double>& a, Faults& faults) {
  const int ntab = ch.tables.count();
  for (int l = 1; l <= ch.links; ++l) {
    const int lt = ch.linktype[l];
    if (lt & (kLinkLake | kLinkStructure)) continue;
    const double inv_n = ch.inv_n[l];
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      double& ak = a(k, l);
      double d = 0.0, conv = 0.0;
      if (lt & kLinkCompound) {
        if (ak < 0.0) return stop_at(faults, kSectionNegativeAreaCompound, k, l);
        const int rc = compound_depth_of_area(ch.bottom(k, l), ch.sslope(k, l), ch.sslope2(k, l),
                                              ch.bankfull_dep(k, l), ak, d);
        if (rc) return stop_at(faults, kSectionCompoundRootBelow + rc - 1, k, l);
        conv = compound_at_depth(ch.bottom(k, l), ch.sslope(k, l), ch.sslope2(k, l),
                                 ch.bankfull_dep(k, l), d, inv_n)
                   .conv;
      } else if (lt & kLinkTrapezoid) {
        if (ak < 0.0) {
          if (ak < -0.0001) return stop_at(faults, kSectionNegativeAreaTrapezoid, k, l);
          ch.clipped_volume += -ak * ch.dx[l];
          ak = 0.0;
        }
        d = trapezoid_depth_of_area(ch.bottom(k, l), ch.sslope(k, l), ak);
        if (d < 0.0 && d > -0.0001) d = 0.0;
        conv = d > 0.0 ? trapezoid_at_depth(ch.bottom(k, l), ch.sslope(k, l), d, inv_n).conv : 0.0;
      } else if (lt & kLinkBreakpoint) {
        if (ak < 0.0) return stop_at(faults, kSectionNegativeAreaBreakpoint, k, l);
        const int t = ch.node_table(k, l);
        if (t < 1 || t > ntab) {
          // Not a stop here: the node keeps its depth and conveyance.
          faults.push_back({.code = kSectionNoTable, .link = l, .node = k});
          continue;
        }
        const SectionProps p = table_at_area(ch.tables.t[t], ak, ch.beyond_table);
        d = p.depth;
        conv = p.conv;
      } else {
        continue;
      }
      ch.chan_depth(k, l) = d;
      ch.yp(k, l) = ch.bel(k, l) + d;
      ch.conv(k, l) = conv;
    }
  }
  return true;
}

}  // namespace

SectionProps node_at_depth(const ChannelState& ch, int k, int l, double d) {
  const int lt = ch.linktype[l];
  const double inv_n = ch.inv_n[l];
  if (lt & kLinkCompound)
    return compound_at_depth(ch.bottom(k, l), ch.sslope(k, l), ch.sslope2(k, l),
                             ch.bankfull_dep(k, l), d, inv_n);
  if (lt & kLinkTrapezoid) return trapezoid_at_depth(ch.bottom(k, l), ch.sslope(k, l), d, inv_n);
  const int t = ch.node_table.empty() ? 0 : ch.node_table(k, l);
  if ((lt & kLinkBreakpoint) && t >= 1 && t <= ch.tables.count()) {
    bool beyond = false;
    return table_at_depth(ch.tables.t[t], d, beyond);
  }
  return SectionProps{};
}

double node_depth_at_area(const ChannelState& ch, int k, int l, double a) {
  const int lt = ch.linktype[l];
  if (a <= 0.0) return 0.0;
  if (lt & kLinkCompound) {
    double d = 0.0;
    return compound_depth_of_area(ch.bottom(k, l), ch.sslope(k, l), ch.sslope2(k, l),
                                  ch.bankfull_dep(k, l), a, d) == 0
               ? d
               : 0.0;
  }
  if (lt & kLinkTrapezoid) return trapezoid_depth_of_area(ch.bottom(k, l), ch.sslope(k, l), a);
  const int t = ch.node_table.empty() ? 0 : ch.node_table(k, l);
  if ((lt & kLinkBreakpoint) && t >= 1 && t <= ch.tables.count()) {
    bool beyond = false;
    return table_at_area(ch.tables.t[t], a, beyond).depth;
  }
  return 0.0;
}

bool ex_section(ChannelState& ch, int direction, Faults& faults, Array2<double>* area_in) {
  if (direction == 2) return depth_to_area(ch, faults);
  return area_to_depth(ch, area_in ? *area_in : ch.area, faults);
}

}  // namespace torva
