#pragma once
// Channel routing: flows, areas, schedule and exchange with the land.
#include <utility>
#include <vector>

#include "channel/exchange.hpp"
#include "channel/point_sources.hpp"
#include "channel/routing.hpp"
#include "input/series_store.hpp"

namespace torva {

struct ChannelState;

// The network's sections: ex_section for all nodes, the section formulas for single nodes.
class NetworkSections : public SectionModel {
 public:
  ChannelState* ch = nullptr;
  bool from_area(const RouteNetwork& net, const Array2<double>& area, Array2<double>& depth,
                 Array2<double>& conv, Faults& faults) override;
  void at_depth(int node, int link, double depth, double& area, double& conv,
                double& top_width) const override;
  double depth_at_area(int node, int link, double area) const override;
};

struct ChannelRouteState {
  bool active = false;     // explicit routing set up for this run
  double last_time = 0.0;  // Julian date of the last channel step
  double next_time = 0.0;  // Julian date of the next channel step
  double step_days = 0.0;  // channel time step, days

  RouteNetwork net;
  RouteScratch scratch;
  NetworkSections sections;
  RouteOptions options;
  RouteReport last;        // report of the last call
  int aquifer_status = 0;  // status of the last stream-aquifer exchange

  Array2<double> point_q{"point_q"};  // point inflows of the step, m^3/s
  ChannelPointSources points;
  std::vector<StreamCellLink> land_links;
  std::vector<AquiferEntry> aquifer_entries;
  TimeSeries* bound_series = nullptr;  // BOUND_TS

  // Output locations (link, node), filled by the location-output reader; their routed volumes
  // (m^3) and, in calibration runs, their largest discharges (m^3/s).
  std::vector<std::pair<int, int>> locations;
  std::vector<double> location_volume;
  std::vector<double> location_peak_q;
};

}  // namespace torva
