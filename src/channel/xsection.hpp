#pragma once
// Channel cross-sections: trapezoids, compound trapezoids and break-point (surveyed) tables
// built once from station-elevation pairs, and `ex_section`, which evaluates every node of
// every channel link in one call.  Conveyance is Manning's K = (1/n) A (A/P)^(2/3).
#include <vector>

#include "frame/arrays.hpp"
#include "frame/fault.hpp"

namespace torva {

struct ChannelState;

// One break-point table.  Pairs and levels are 1-based (slot 0 unused; level slot 0 is
// zero, which the lookups use as the dry level).
struct XsecTable {
  int link = 0;
  int node = 0;  // node that carries the table
  int npairs = 0;
  int m = 0;                               // NUM_INTERP levels
  double dy = 0.0;                         // level spacing, m
  double ymin = 0.0;                       // bottom point, m
  std::vector<double> x, y;                // stations and elevations, m
  std::vector<double> xarea, xtw, xk, xp;  // per level: m^2, m, K, m
  std::vector<double> xi1, xdkda;          // with the extra tables only
};

struct XsecTables {
  std::vector<XsecTable> t{1};  // 1-based; t[0] unused
  bool extra = false;           // also build xi1 and xdkda
  int count() const { return static_cast<int>(t.size()) - 1; }
};

// Hydraulic properties of one section at one depth.
struct SectionProps {
  double depth = 0.0;  // m
  double area = 0.0;   // m^2
  double topw = 0.0;   // m
  double perim = 0.0;  // m
  double conv = 0.0;   // K
  double dconv = 0.0;  // dK/d depth
};

// Manning conveyance; 0 for a dry section.
double conveyance(double inv_n, double area, double perim);

// Trapezoid of bottom width b and side slope z (horizontal per vertical).
SectionProps trapezoid_at_depth(double b, double z, double d, double inv_n);
// Depth of flow area a >= 0; a side slope of 0 is a rectangle (d = a / b).
double trapezoid_depth_of_area(double b, double z, double a);

// Compound trapezoid: slope z up to bank-full depth dbf, slope z2 above it.
SectionProps compound_at_depth(double b, double z, double z2, double dbf, double d, double inv_n);
// 0 ok; 1 negative root below bank-full; 2 negative depth below bank-full; 3 negative
// root above bank-full; 4 negative depth above bank-full; 5 negative total depth.
int compound_depth_of_area(double b, double z, double z2, double dbf, double a, double& d);

// Table lookups; `beyond` is set when the depth or area lies above the top level.
SectionProps table_at_depth(const XsecTable& t, double d, bool& beyond);
SectionProps table_at_area(const XsecTable& t, double a, bool& beyond);

// Builds the levels of one table from its pairs.  0 ok; 1 m out of 1..30000; 2 dy out of
// 0.0001..1.0; 3 more than 49 wetted sub-sections at a level.  `flat_edges` counts edge
// crossings on segments of equal elevation (the edge is put at the segment's start).
constexpr int kMaxInterp = 30000;
constexpr int kMaxIslands = 49;
int build_levels(XsecTable& t, double inv_n, bool extra, int& flat_edges);

// Faults of the section kernels; `link` and `node` name the place.
enum SectionFault : int {
  // Table building.  Two tables of one link are made to agree, with a warning:
  kSectionPairsCutSecond = 301,      // value[0] pairs of the second table disregarded
  kSectionPairsCutFirst = 302,       // value[0] pairs of the first table disregarded
  kSectionInterpCountsDiffer = 303,  // both take the larger NUM_INTERP
  kSectionFlatEdge = 304,            // a water level crossed two pairs of equal elevation
  // and refused:
  kSectionBadInterpCount = 305,     // item: table, value[0] its NUM_INTERP
  kSectionBadInterpDistance = 306,  // item: table, value[0] its level spacing, value[1] NUM_INTERP
  kSectionJagged = 307,             // more than 49 wetted sub-sections at one level
  kSectionNoTables = 308,           // the link's tables are not among those read
  // Evaluation (ex_section), each a stop but kSectionNoTable from areas:
  kSectionNegativeDepthTrapezoid = 311,
  kSectionNegativeDepthBreakpoint = 312,
  kSectionNegativeDepthCompound = 313,
  kSectionNoTable = 314,  // a break-point node without a valid table
  kSectionNegativeAreaTrapezoid = 315,
  kSectionNegativeAreaBreakpoint = 316,
  kSectionNegativeAreaCompound = 317,
  // A compound depth from its area, by the result of compound_depth_of_area (1-5):
  kSectionCompoundRootBelow = 318,
  kSectionCompoundDepthBelow = 319,
  kSectionCompoundRootAbove = 320,
  kSectionCompoundDepthAbove = 321,
  kSectionCompoundDepth = 322,
};

// Builds and assigns the tables of break-point link `link`, whose file tables are numbers
// first..first+count-1, to its computational nodes (new tables for erodible links and for
// nodes between two table nodes).  False when a table is refused; `faults` gains the
// warnings met and the refusal.
bool build_link_sections(ChannelState& ch, int link, int first, int count, Faults& faults);

// One node's section by its link's kind (compound, trapezoid or break-point table); a node
// without a valid table gives zeros.  For callers that evaluate single nodes.
SectionProps node_at_depth(const ChannelState& ch, int node, int link, double d);
double node_depth_at_area(const ChannelState& ch, int node, int link, double a);

// Evaluates all channel nodes.  Direction 2: from `yp` fill depth, area, top width, K and
// dK/d depth.  Direction 1: from the areas (`area_in`, else `area`) fill depth, `yp` and K;
// areas between -0.0001 and 0 are clipped to 0 and the water so created is added to
// `clipped_volume` of the channel record.  False at the first node it cannot evaluate, whose
// fault ends `faults`.
bool ex_section(ChannelState& ch, int direction, Faults& faults, Array2<double>* area_in = nullptr);

}  // namespace torva
