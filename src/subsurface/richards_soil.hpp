#pragma once
// Retention and conductivity relations of the Richards columns (cm, hours): Brooks and
// Corey (1964) with a parabolic cap near saturation, and Haverkamp et al. (1977).
namespace torva {

enum class Retention { brooks_corey = 1, havercamp = 2 };

// Hydraulic parameters of one soil layer.  Heads in cm (negative when unsaturated),
// conductivity in cm/h, water contents as volume fractions.
struct SoilHydraulics {
  double KS = 0.0;       // saturated conductivity, cm/h
  double THETAS = 0.0;   // saturated water content
  double THETAR = 0.0;   // residual water content
  double THETAWP = 0.0;  // wilting point
  double THETAFC = 0.0;  // field capacity
  double LAM = 0.0;      // Brooks-Corey pore index
  double BP = 0.0;       // Brooks-Corey bubbling pressure, cm (< 0)
  double thehac = 0.0;   // water content where the cap meets the Brooks-Corey curve
  double BChc = 0.0;     // head at that junction, cm
  double ALPHA = 0.0;    // Havercamp retention scale head, cm
  double BETA = 0.0;     // Havercamp retention exponent
  double AHAV = 0.0;     // Havercamp conductivity constant, cm^BHAV
  double BHAV = 0.0;     // Havercamp conductivity exponent
};

// Sets the cap junction of the Brooks-Corey curve.  The parabola matches the curve in
// value and slope at Se = (2/lambda) / (1 + 2/lambda).
void set_brooks_corey_cap(SoilHydraulics& p);

// Water content at head h.
double theta_from_head(Retention r, const SoilHydraulics& p, double h);

// Head at water content theta; `h_old` is kept where theta is at or below residual.
double head_from_theta(Retention r, const SoilHydraulics& p, double theta, double h_old);

// Relative conductivity Kr and specific moisture capacity C = dtheta/dh (1/cm) at head h.
struct KrCap {
  double kr;
  double cap;
};
KrCap conductivity_capacity(Retention r, const SoilHydraulics& p, double h);

}  // namespace torva
