#pragma once
// Explicit diffusive-wave channel routing (`ex_flow_route`): Manning discharge on the
// water-surface slope at every node, continuity for the flow areas, Courant sub-stepping and a
// two-pass predictor-corrector.  Free of I/O and of ModelState: the caller hands in views of
// the network arrays, a section model and callbacks for structures and the aquifer exchange,
// and prints the faults the routing hands back.
#include <functional>
#include <utility>
#include <vector>

#include "channel/brent.hpp"
#include "channel/channel_cards.hpp"
#include "channel/channel_state.hpp"
#include "frame/arrays.hpp"

namespace torva {

// Faults of the routing itself; `link` and `node` name the place.  Each stops the call.
enum RouteFault : int {
  kRouteOutletSlope = 201,    // the bed of the outlet link rises toward its last node
  kRouteAreaNotNumber = 202,  // a node area is not a number before routing (set to dry)
  kRouteNegativeDepth = 203,  // a node depth is negative before routing
  kRouteStepTooSmall = 204,   // the sub-step fell below 0.001 s
  kRouteNoScratch = 205,      // the scratch arrays could not be allocated (the allocator said so)
};

inline bool link_is_routed(int type) {
  return (type & (kLinkLake | kLinkStructure | kLinkLakeTaken)) == 0;
}

struct RouteLink {
  int type = 0;        // linktype bits
  int nodes = 0;       // computational nodes
  double dx = 0.0;     // node spacing, m
  int downstream = 0;  // link fed at its node 1 (unused for the outlet)
  std::vector<int> upstream;
  double lake_wse = 0.0;  // lake links: water-surface elevation, m
};

// Per-node arrays (node, link), owned by the channel network.
struct RouteArrays {
  Array2<double>* bel = nullptr;         // bed elevation, m
  Array2<double>* area = nullptr;        // m^2
  Array2<double>* chan_depth = nullptr;  // m
  Array2<double>* yp = nullptr;          // water-surface elevation, m
  Array2<double>* qp = nullptr;          // discharge leaving the node downstream, m^3/s
  Array2<double>* conv = nullptr;        // conveyance, m^3/s
  Array2<double>* qlat = nullptr;        // lateral inflow, m^2/s
  Array2<double>* qriv = nullptr;        // aquifer exchange, m^2/s (positive into the channel)
  Array2<double>* point_q = nullptr;     // point inflows, m^3/s
};

struct RouteNetwork {
  int links = 0;  // the outlet is link `links`
  int max_nodes = 0;
  std::vector<RouteLink> link;  // 1..links (slot 0 unused)
  RouteArrays a;
};

// Section relations of the routed nodes.
class SectionModel {
 public:
  virtual ~SectionModel() = default;
  // Depth and conveyance of every routed node from `area`; false after a fault that stops the
  // routing, which ends `faults`.
  virtual bool from_area(const RouteNetwork& net, const Array2<double>& area, Array2<double>& depth,
                         Array2<double>& conv, Faults& faults) = 0;
  // Area, conveyance and top width of one node at `depth`.
  virtual void at_depth(int node, int link, double depth, double& area, double& conv,
                        double& top_width) const = 0;
  // Depth of one node holding flow area `area` >= 0.
  virtual double depth_at_area(int node, int link, double area) const = 0;
};

// Trapezoid (and, with side slope 0, rectangular) sections from per-node bottom width and
// side slope and per-link 1/n; K = (1/n) A (A/P)^(2/3) (Manning).
class TrapezoidSections : public SectionModel {
 public:
  const Array2<double>* bottom = nullptr;  // m
  const Array2<double>* sslope = nullptr;  // horizontal per vertical
  std::vector<double> inv_n;               // per link (slot 0 unused), s/m^(1/3)
  double inv_n_of(int link) const { return inv_n[static_cast<std::size_t>(link)]; }
  bool from_area(const RouteNetwork& net, const Array2<double>& area, Array2<double>& depth,
                 Array2<double>& conv, Faults& faults) override;
  void at_depth(int node, int link, double depth, double& area, double& conv,
                double& top_width) const override;
  double depth_at_area(int node, int link, double area) const override;
};

// Discharge of a structure link from head and tailwater elevations; the failure value after a
// fault that stops the routing (faults met, fatal or not, go to `faults`).
using StructureFlowFn = std::function<double(int link, double head, double tail, Faults& faults)>;
// Stream-aquifer exchange of one sub-step: fills qriv, returns the exchange status.
using AquiferExchangeFn = std::function<int()>;

struct RouteOptions {
  double max_courant = kDefaultMaxCourant;
  double head_inflow = 0.0;  // m^3/s at node 1 of every link without upstream links
  bool head_bound = false;   // outlet depth imposed
  double bound_depth = 0.0;  // m, the imposed outlet depth of this call
  StructureFlowFn structure_flow;
  AquiferExchangeFn aquifer_exchange;          // empty: no aquifer exchange
  std::vector<std::pair<int, int>> locations;  // (link, node) output locations
};

// Scratch arrays kept between calls, sized on the first call.
struct RouteScratch {
  Array2<double> area_old{"area_old"};
  Array2<double> area_iter{"area_iter"};
  Array2<double> qp_old{"qp_old"};
  Array2<double> qp_iter{"qp_iter"};
  Array2<double> qp_last{"qp_last"};
  Array2<double> qriv_old{"qriv_old"};
  bool first_substep = true;
};

// Volumes (m^3) of one call, for the water ledger.
struct RouteVolumes {
  double lateral = 0.0;  // qlat inflow (negative qlat counts negative)
  double point = 0.0;    // point inflows
  double head = 0.0;     // head inflow of head links
  double outlet = 0.0;   // out of the last node of the outlet link
  double clipped = 0.0;  // water added by setting small negative areas to 0
  double gw_to_river = 0.0;
  double river_to_gw = 0.0;
};

struct RouteReport {
  int status = 0;  // -1 fatal, else the aquifer-exchange status
  int substeps = 0;
  double first_dt = 0.0;     // s
  double dt_min = 0.0;       // s
  double time_routed = 0.0;  // s, the sum of the sub-steps
  RouteVolumes volume;
  std::vector<double> location_volume;  // m^3 per output location
  Faults faults;                        // in the order met; with status -1, the last stopped it
};

// Courant number (dt/DX) |qp|/area, largest over routed nodes with area above 1e-16.
double max_courant(const RouteNetwork& net, double dt);

// Routes the network over dt_total seconds.  Returns -1 after a fault that stops it, else the
// aquifer-exchange status; the faults are in the report.
int ex_flow_route(double dt_total, RouteNetwork& net, SectionModel& sections,
                  const RouteOptions& opt, RouteScratch& scratch, RouteReport& report);

// One flow evaluation into q from the current depths and conveyances (`area` limits the flow
// of structures); false after a fault that stops it, which ends `faults`.
bool evaluate_flows(RouteNetwork& net, SectionModel& sections, const RouteOptions& opt,
                    RouteScratch& scratch, const Array2<double>& area, Array2<double>& q, double dt,
                    Faults& faults);

// Total stored volume sum(area * DX) over routed nodes, m^3.
double channel_storage(const RouteNetwork& net);

}  // namespace torva
