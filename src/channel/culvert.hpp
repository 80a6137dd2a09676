#pragma once
// Culvert hydraulics: barrel geometry, critical depth and the flow regimes of round, oval and
// rectangular culverts between a headwater and a tailwater elevation.
#include <array>
#include <span>

namespace torva {

// The fifteen real slots of one structure element (slot 0: type code).
using StructSlots = std::array<double, 15>;

enum class CulvertShape { round = 1, oval = 2, rect = 3 };

constexpr double kTwoG = 19.62;  // m/s^2
constexpr double kG = 9.81;      // m/s^2

struct CulvertSection {
  double area = 0.0;       // m^2
  double perimeter = 0.0;  // m
  double top_width = 0.0;  // m
};

// Section of the barrel filled to depth y; D is the vertical size, B the span.
CulvertSection culvert_section(CulvertShape shape, double y, double D, double B);

struct CriticalDepth {
  double depth = 0.0;  // m
  int code = 0;        // 0, or the error code 122 (no convergence) / 123 (oval)
};

// Critical depth for discharge q (Q/sqrt(g) = A^1.5/sqrt(T)); Newton iteration for round.
CriticalDepth critical_depth(CulvertShape shape, double q, double D, double B);

struct CulvertFlow {
  double q = 0.0;      // m^3/s, positive in the link's direction; failure value on failure
  int type = 0;        // flow type 0-6, negated for reverse flow
  double depth = 0.0;  // depth or size used, m
  double area = 0.0;   // flow area used, m^2
  int code = 0;        // 122/123 from the critical depth, 124 unbracketed root, else 0
  bool failed() const;
};

// One culvert element at head h1 and tailwater h2; `number` names the element in messages.
// Slots: 1 L, 2 inlet invert, 3 outlet invert, 4 slope, 6/7 forward/reverse coefficient,
// 8 transition coefficient, 9 D, 10 B, 12 barrel n.
CulvertFlow culvert_flow(std::span<const double, 15> c, CulvertShape shape, double h1, double h2,
                         int number);

// Recomputes slot 8 from the flows just above and below the inlet-control limit (1.5 D).
// Returns false (after printing the link line) when one of the evaluations failed; `code`
// then receives its error code (0 for the failure value alone).
bool culvert_transition(std::span<double, 15> c, CulvertShape shape, int number, int link,
                        int* code = nullptr);

// Transition coefficient, then the flow at the actual levels; failure prints the link line.
CulvertFlow culvert_element_flow(std::span<double, 15> c, CulvertShape shape, double h1, double h2,
                                 int number, int link);

}  // namespace torva
