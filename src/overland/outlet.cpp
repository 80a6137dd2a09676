#include "overland/outlet.hpp"

#include <cmath>

#include "overland/face_flux.hpp"

namespace torva {

double drain_outlet(double& depth, double inv_rough, double outslope, double dx, double dt,
                    double factor) {
  if (!(depth > 0.0)) return 0.0;
  const double area = dx * dx;
  const double v = factor * pow_five_thirds(depth) * inv_rough * std::sqrt(outslope) * dx * dt;
  if (v / area <= depth) {
    depth -= v / area;
    return v;
  }
  const double all = depth * area;
  depth = 0.0;
  return all;
}

}  // namespace torva
