#include "channel/exchange.hpp"

#include <algorithm>
#include <cmath>

namespace torva {
namespace {

// Broad-crested inflow over the channel bank per unit depth^1.5 and length.
constexpr double kBankWeir = 3.40978982734;

// (r, Qs/Qf) of Villemonte (1947), Qs/Qf = (1 - r)^0.385, r = (hd/hu)^1.5.
constexpr double kSubmergence[][2] = {{0.00, 1.000}, {0.05, 0.980}, {0.10, 0.960}, {0.20, 0.918},
                                      {0.30, 0.872}, {0.40, 0.822}, {0.50, 0.766}, {0.60, 0.703},
                                      {0.70, 0.629}, {0.80, 0.538}, {0.85, 0.482}, {0.90, 0.412},
                                      {0.95, 0.316}};

double manning_exchange(double diff, double cell_size, double r, double inv_n, double dx,
                        double f) {
  if (r <= 0.0) return 0.0;
  return std::sqrt(std::fabs(diff) / cell_size) * std::cbrt(r * r) * inv_n * r * dx * f;
}

}  // namespace

double villemonte_factor(double ratio) {
  constexpr int n = sizeof kSubmergence / sizeof kSubmergence[0];
  if (ratio <= kSubmergence[0][0]) return kSubmergence[0][1];
  for (int k = 1; k < n; ++k) {
    if (ratio <= kSubmergence[k][0]) {
      const double w =
          (ratio - kSubmergence[k - 1][0]) / (kSubmergence[k][0] - kSubmergence[k - 1][0]);
      return (1.0 - w) * kSubmergence[k - 1][1] + w * kSubmergence[k][1];
    }
  }
  return kSubmergence[n - 1][1];
}

void exchange_with_land(const std::vector<StreamCellLink>& nodes, const LandExchangeInput& in,
                        RouteNetwork& net, const SectionModel& sections, std::span<double> ov_depth,
                        LandExchangeVolumes& vol) {
  RouteArrays& a = net.a;
  const double dt = in.dt;
  if (dt <= 0.0 || in.cell_area <= 0.0) return;
  for (const StreamCellLink& e : nodes) {
    if (e.link < 1 || e.link > net.links || e.cell < 1 ||
        static_cast<std::size_t>(e.cell) >= ov_depth.size())
      continue;
    const RouteLink& k = net.link[static_cast<std::size_t>(e.link)];
    if (!link_is_routed(k.type) || e.node < 1 || e.node > k.nodes) continue;
    const int i = e.node, l = e.link;
    const double dx = k.dx;
    double& h = ov_depth[static_cast<std::size_t>(e.cell)];
    const double bel = (*a.bel)(i, l);
    const double g = in.ground.empty() ? bel : in.ground[static_cast<std::size_t>(e.cell)];
    const double inv_n =
        in.inv_rough.empty() ? 0.0 : in.inv_rough[static_cast<std::size_t>(e.cell)];
    const double hc = bel + (*a.chan_depth)(i, l);  // channel water surface
    const double w = g + h;                         // cell water surface
    const bool above_bank = g > bel && hc > g;

    auto inflow = [&](double q) {  // cell -> channel, limited to what the cell holds
      if (q <= 0.0) return;
      const double avail = h * in.cell_area / dt;
      if (q >= avail) {
        q = avail;
        h = 0.0;
      } else {
        h -= q * dt / in.cell_area;
        if (h < 0.0) h = 0.0;
      }
      (*a.qlat)(i, l) += q / dx;
      vol.to_channel += q * dt;
    };

    if (in.overbank && above_bank) {
      const double hu = std::max(hc, w) - g;
      const double hd = std::min(hc, w) - g;
      if (hu <= 0.0 || hc == w) continue;
      const double ratio = std::pow(std::max(hd, 0.0) / hu, 1.5);
      double q;
      if (ratio <= kSubmergenceTableEnd)
        q = kBankWeir * e.factor * dx * std::pow(hu, 1.5) * villemonte_factor(ratio);
      else
        q = manning_exchange(hc - w, in.cell_size, 0.5 * ((hc - g) + h), inv_n, dx, e.factor);
      if (w > hc) {
        inflow(q);
        continue;
      }
      // Channel -> cell: never more than the node holds, and never raising the cell's water
      // surface above the channel's (halved until it does not).
      double& area = (*a.area)(i, l);
      double v = std::min(q * dt, area * dx);
      for (int it = 0; it < 60 && v > 0.0; ++it) {
        const double new_h = h + v / in.cell_area;
        const double new_depth = sections.depth_at_area(i, l, area - v / dx);
        if (g + new_h <= bel + new_depth) break;
        v *= 0.5;
      }
      if (v <= 0.0) continue;
      area -= v / dx;
      if (area < 0.0) area = 0.0;
      h += v / in.cell_area;
      (*a.chan_depth)(i, l) = sections.depth_at_area(i, l, area);
      (*a.yp)(i, l) = bel + (*a.chan_depth)(i, l);
      double ar = 0.0, kk = 0.0, tw = 0.0;
      sections.at_depth(i, l, (*a.chan_depth)(i, l), ar, kk, tw);
      (*a.conv)(i, l) = kk;
      vol.to_land += v;
      continue;
    }
    if (in.backwater && !in.overbank && above_bank) {
      // The channel backs water onto the cell: inflow only while the cell stands higher.
      if (w >= hc) inflow(manning_exchange(w - hc, in.cell_size, h, inv_n, dx, e.factor));
      continue;
    }
    if (h > 0.0) inflow(kBankWeir * e.factor * dx * std::pow(h, 1.5));
  }
}

int stream_aquifer_exchange(const std::vector<AquiferEntry>& entries, const AquiferInput& in,
                            RouteNetwork& net, const SectionModel& sections) {
  RouteArrays& a = net.a;
  if (!a.qriv) return 0;
  for (int l = 1; l <= net.links; ++l) {
    const RouteLink& k = net.link[static_cast<std::size_t>(l)];
    if (!link_is_routed(k.type)) continue;
    for (int i = 1; i <= k.nodes; ++i) (*a.qriv)(i, l) = 0.0;
  }
  const bool table = !in.water_table.empty();
  auto valid = [&](const AquiferEntry& e) {
    if (e.link < 1 || e.link > net.links) return false;
    const RouteLink& k = net.link[static_cast<std::size_t>(e.link)];
    return link_is_routed(k.type) && e.node >= 1 && e.node <= k.nodes;
  };
  auto gw_of = [&](const AquiferEntry& e, double& gw) {
    if (!table || e.cell < 1 || static_cast<std::size_t>(e.cell) >= in.water_table.size())
      return false;
    gw = in.water_table[static_cast<std::size_t>(e.cell)];
    return gw > (*a.bel)(e.node, e.link);
  };
  bool any = false;
  for (const AquiferEntry& e : entries) {
    if (!valid(e)) continue;
    double gw = 0.0;
    if ((*a.chan_depth)(e.node, e.link) > 1e-6 || gw_of(e, gw)) {
      any = true;
      break;
    }
  }
  if (!any) return 0;

  for (const AquiferEntry& e : entries) {
    if (!valid(e)) continue;
    const int i = e.node, l = e.link;
    const double bel = (*a.bel)(i, l);
    const double depth = (*a.chan_depth)(i, l);
    const double hc = bel + depth;
    double gw = 0.0;
    const bool gw_above_bed = gw_of(e, gw);
    double ex_depth;
    if (gw_above_bed)
      ex_depth = gw > hc ? gw - bel : depth;
    else
      ex_depth = depth > 1e-6 ? depth : 0.0;
    double ar = 0.0, kk = 0.0, width = 0.0;
    sections.at_depth(i, l, ex_depth, ar, kk, width);
    const double mrb = in.mrb ? (*in.mrb)(i, l) : 0.0;
    const double krb = in.krb ? (*in.krb)(i, l) : 0.0;
    const double kbed = mrb > 0.0 ? (krb / 3600.0) / mrb : 0.0;
    double q = 0.0;
    if (gw_above_bed) {
      const std::size_t c = static_cast<std::size_t>(e.cell);
      const double bottom = c < in.aquifer_bottom.size() ? in.aquifer_bottom[c] : -1e300;
      const double ground = c < in.ground.size() ? in.ground[c] : 1e300;
      const bool thin = gw > hc && gw - bottom < 0.01;
      const bool flooded = gw >= ground && hc > gw;
      if (!thin && !flooded) q = kbed * (gw - hc) * width;
    } else if (depth > 1e-6) {
      q = -kbed * depth * width;
    }
    (*a.qriv)(i, l) += e.weight * q;
  }
  bool positive = false, wet_nonzero = false;
  for (int l = 1; l <= net.links; ++l) {
    const RouteLink& k = net.link[static_cast<std::size_t>(l)];
    if (!link_is_routed(k.type)) continue;
    for (int i = 1; i <= k.nodes; ++i) {
      const double q = (*a.qriv)(i, l);
      if (q > 0.0) positive = true;
      if (q != 0.0 && (*a.chan_depth)(i, l) > 1e-6) wet_nonzero = true;
    }
  }
  return positive ? 1 : (wet_nonzero ? 2 : 0);
}

}  // namespace torva
