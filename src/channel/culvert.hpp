#pragma once
// Culvert hydraulics: barrel geometry, critical depth and the flow regimes of round, oval and
// rectangular culverts between a headwater and a tailwater elevation.
#include "channel/brent.hpp"
#include "frame/fault.hpp"

namespace torva {

enum class CulvertShape { round = 1, oval = 2, rect = 3 };

// One culvert element (STRUCTTYPE round_culvert, oval_culvert or rect_culvert).
struct Culvert {
  CulvertShape shape = CulvertShape::round;
  double length = 0.0;        // barrel length L, m
  double up_invert = 0.0;     // inlet invert z_u, m
  double down_invert = 0.0;   // outlet invert z_d, m; below 0.0001 it is absent
  double slope = 0.0;         // barrel slope S0, used when the outlet invert is absent
  double coef_forward = 0.0;  // discharge coefficient for flow in the link's direction
  double coef_reverse = 0.0;  // for reverse flow
  double size = 0.0;          // D, the vertical size: the barrel is full at depth D, m
  double span = 0.0;          // B, oval and rectangular barrels, m
  double roughness = 0.0;     // Manning's n of the barrel
};

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

// Faults of a culvert element; `item` is the element's number, `link` its structure link.  A
// root-search fault (kRootNotBracketed, kRootNoConvergence) comes before the culvert fault it
// caused, and the culvert fault before the link fault that ends the evaluation.
enum CulvertFault : int {
  kCulvertNoLength = 411,           // the barrel length is 0
  kCulvertNoRoot = 412,             // no inlet-control flow: the root search did not converge
  kCulvertRootNotBracketed = 413,   // no inlet-control flow: the root was not bracketed
  kCulvertNoCriticalDepth = 414,    // the critical-depth iteration did not converge
  kCulvertOvalCriticalDepth = 415,  // an oval barrel has no critical depth
  kCulvertLinkFailedHigh = 416,     // the evaluation at 1.5 D for the transition failed
  kCulvertLinkFailed = 417,         // a later evaluation of the element failed
};

struct CulvertFlow {
  double q = 0.0;      // m^3/s, positive in the link's direction; failure value on failure
  int type = 0;        // flow type 0-6, negated for reverse flow
  double depth = 0.0;  // depth or size used, m
  double area = 0.0;   // flow area used, m^2
  bool failed() const { return q == kStructureFailure; }
};

// Transition coefficient used while the transition coefficient itself is being found.
constexpr double kFirstTransition = 1.07;

// One culvert element at head h1 and tailwater h2, with `transition` the coefficient the inlet
// coefficient blends into near submergence.  On failure the flow is the failure value and
// `faults` has gained why, with `number` as their item.
CulvertFlow culvert_flow(const Culvert& c, double transition, double h1, double h2, int number,
                         Faults& faults);

// The transition coefficient from the flows just above and below the inlet-control limit
// (1.5 D).  False when one of the evaluations failed; `faults` then ends with the link fault.
bool culvert_transition(const Culvert& c, int number, int link, double& transition, Faults& faults);

// Transition coefficient, then the flow at the actual levels.
CulvertFlow culvert_element_flow(const Culvert& c, double h1, double h2, int number, int link,
                                 Faults& faults);

}  // namespace torva
