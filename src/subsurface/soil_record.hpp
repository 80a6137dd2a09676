#pragma once
// The 50-field soil record of one soil type, shared by the multi-layer Green and Ampt and
// the Richards methods.  Values are kept in the units of the soil layer input: lengths and
// heads in cm, conductivities in cm/h, water contents as volume fractions.  Each quantity
// has one field per layer k = 1..3 at `first + k - 1`.
#include <array>
#include <cstddef>

namespace torva {

constexpr int kSoilLayers = 3;
constexpr std::size_t kSoilRecordFields = 50;

enum SoilField : std::size_t {
  kCapHead = 0,        // capillary (wetting-front suction) head, cm
  kKsat = 4,           // saturated hydraulic conductivity, cm/h
  kPorosity = 7,       // porosity or saturated water content
  kThetaInit = 10,     // initial water content
  kWiltingPoint = 13,  // water content at wilting point
  kFieldCap = 16,      // water content at field capacity
  kResidual = 19,      // residual water content
  kThickness = 22,     // layer thickness, cm
  kPoreIndex = 25,     // Brooks-Corey pore-size distribution index (lambda)
  kBubbling = 28,      // Brooks-Corey bubbling pressure, cm (negative head)
  kNodeDz = 31,        // node spacing of the Richards column, cm
  kHavAlpha = 34,      // Havercamp retention alpha, cm
  kHavBeta = 37,       // Havercamp retention beta
  kHavA = 40,          // Havercamp conductivity A, cm
  kHavB = 43,          // Havercamp conductivity B
};

struct SoilRecord {
  std::array<double, kSoilRecordFields> field{};
  int layers = 0;  // layers given in the input (1..3); deeper fields copy the last layer

  // Quantity `first` of layer k (1..3).
  double& at(SoilField first, int k) { return field[first + static_cast<std::size_t>(k - 1)]; }
  double at(SoilField first, int k) const { return field[first + static_cast<std::size_t>(k - 1)]; }
  double cap_head(int k) const { return at(kCapHead, k); }
  double ksat(int k) const { return at(kKsat, k); }
  double porosity(int k) const { return at(kPorosity, k); }
  double theta_init(int k) const { return at(kThetaInit, k); }
  double thickness(int k) const { return at(kThickness, k); }
};

}  // namespace torva
