#pragma once
// Rain of each step: gage interpolation, interception and the depth added to the cells.
#include <span>

namespace torva {

struct ModelState;

constexpr double kMaxGageDistance = 900000.0;  // map units

// Cell centres from row and column (1-based): x = west + (c - 0.5) dx, y = north - (r - 0.5) dx.
void cell_centres(std::span<const int> cell_row, std::span<const int> cell_col, double west,
                  double north, double dx, std::span<double> x, std::span<double> y);

// Nearest gage of every cell (ties: the lower gage number); false when some cell's
// nearest gage is farther than kMaxGageDistance.  Gage arrays are 1..G.
bool find_nearest_gage(std::span<const double> x, std::span<const double> y,
                       std::span<const double> gx, std::span<const double> gy,
                       std::span<int> nearest);

// rate[k] = value of the cell's nearest gage (`values` is one record, 1..G).
void assign_nearest(std::span<const int> nearest, std::span<const double> values,
                    std::span<double> rate);

// Inverse-distance-squared weighting; a gage closer than `dx` to the centre gives its own
// value (the first such gage in gage order); one gage gives its value everywhere.
void assign_inverse_distance(std::span<const double> x, std::span<const double> y,
                             std::span<const double> gx, std::span<const double> gy,
                             std::span<const double> values, double dx, std::span<double> rate);

// Seasonal divisor of interception storage in long-term runs (1 in event runs).
double interception_divisor(bool long_term, int month, double latitude);

// Interception over one step of `dt` seconds: fills net_rate (mm/h) and int_used (mm),
// returns the intercepted depth summed over cells (mm).  Empty storage or coefficient
// spans count as 0.  `intercepted` (mm per cell, slots 0..N) receives each cell's share.
double intercept(std::span<const double> rain_rate, std::span<const double> int_storage,
                 std::span<const double> int_coeff, double divisor, double dt,
                 std::span<double> int_used, std::span<double> net_rate,
                 std::span<double> intercepted);

// Adds rate (mm/h) over dt seconds to depth (m); negative rates add nothing.  Returns the
// added depth summed over cells (m); `bad_cell` is the first cell left with a depth that
// is not a number (0 when none).
double add_rain(std::span<const double> rate, double dt, std::span<double> depth, int& bad_cell);

// Stages' work, wired to the state.
void update_precip(ModelState& s);        // record intensities of gage and radar events
void update_uniform_rain(ModelState& s);  // uniform rain on and off
void apply_rain(ModelState& s, std::span<double> depth);  // one step of rain onto depth

}  // namespace torva
