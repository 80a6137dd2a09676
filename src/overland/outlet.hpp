#pragma once
// Drainage of the outlet cell when no channel network takes the water.

namespace torva {

// Removes V = factor * h^(5/3) / n * sqrt(outslope) * dx * dt (m^3) from the outlet depth h,
// or all of its water when V exceeds h * dx^2; returns the volume removed.  A dry or
// negative depth drains nothing.
double drain_outlet(double& depth, double inv_rough, double outslope, double dx, double dt,
                    double factor = 1.0);

}  // namespace torva
