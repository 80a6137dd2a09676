#pragma once
// Multi-layer Green and Ampt: one wetting front through up to three soil layers, with the
// effective conductivity of the wetted layers in series (harmonic mean weighted by the
// wetted thickness).  Works in cm and hours; the spans hold model units (m, s) and the
// kernel converts on entry and exit.  Pure kernel over 1-based spans (slot 0 unused).
#include <span>
#include <vector>

#include "subsurface/green_ampt.hpp"
#include "subsurface/soil_record.hpp"

namespace torva {

struct LayeredCells {
  std::span<const int> soil_id;  // index into `records`
  const std::vector<SoilRecord>* records = nullptr;
  std::span<const double> theta1;  // initial water content of layers 1..3
  std::span<const double> theta2;
  std::span<const double> theta3;
  std::span<const double> area_factor;  // empty when area reduction is off
  std::span<double> depth;              // ponded depth, m
  std::span<double> cum;                // cumulative infiltrated depth, m
  std::span<double> rate;               // cm/h
  std::span<double> front_depth;        // cm
};

// Moisture deficit of layer k of a record for initial content theta; a layer without a
// deficit takes one hundredth of its porosity so the front can still advance.
double layered_deficit(const SoilRecord& rec, int k, double theta);

// One interval of `dt` seconds over cells 1..n (parallel, static schedule).  A cell whose
// iteration does not converge keeps its state; the fault (kGreenAmptNoConvergence) names the
// lowest such cell.
Fault layered_step(const LayeredCells& c, int n, double dt);

}  // namespace torva
