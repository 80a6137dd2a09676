#pragma once
// A three-link network (channel, structure, outlet channel) over a one-row grid, and a
// fixture that prepares a ModelState for the channel stages.
#include <string>

#include "chan_test_util.hpp"
#include "frame/clock.hpp"
#include "model/model_state.hpp"

namespace torva::test {

// Link 1 (8 computational nodes) passes weir link 2 into outlet link 3 (6 nodes).  Every node
// point lies in a 50 m cell of a one-row grid.
inline std::string network(const std::string& structure =
                               "STRUCTTYPE weir\nCREST_LENGTH 3\nCREST_LOW_ELEV 99.3\n"
                               "DISCHARGE_COEFF_FORWARD 0.6\nDISCHARGE_COEFF_REVERSE 0.6\n") {
  std::string t =
      "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 3\nMAXNODES 9\n"
      "CONNECT 1 2 0\nCONNECT 2 3 1 1\nCONNECT 3 0 1 2\n"
      "LINK 1\nDX 50\nNODES 9\nMANNINGS_N 0.035\nTRAPEZOID\n";
  for (int k = 1; k <= 9; ++k) {
    t += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(50 * (k - 1)) + " 25\nELEV " +
         std::to_string(100.0 - 0.1 * (k - 1)) + "\n";
    if (k == 1) t += "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n";
  }
  t += "LINK 2\nSTRUCTURE\nNUMSTRUCTS 1\n" + structure +
       "NODE 1\nELEV 99.1\nNODE 2\nELEV 99.1\n"
       "LINK 3\nDX 50\nNODES 7\nMANNINGS_N 0.03\nTRAPEZOID\n";
  for (int k = 1; k <= 7; ++k) {
    t += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(400 + 50 * (k - 1)) +
         " 25\nELEV " + std::to_string(99.0 - 0.1 * (k - 1)) + "\n";
    if (k == 1) t += "XSEC\nBOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1.5\n";
  }
  return t;
}

class RoutingStage : public ChannelTest {
 protected:
  void set_up(ModelState& s, const std::string& chan = network()) {
    write("chan.txt", chan);
    write("points.txt", "NUMPT 1\nPOINT 3 3 0.2\nNRPDS 1\nINPUT 2000 1 1 0 30\n0.5\n");
    GridState& g = s.grid;
    g.rows = 1;
    g.cols = 14;
    g.dx = 50.0;
    g.cell_area = 2500.0;
    g.north = 50.0;
    g.south = 0.0;
    g.west = 0.0;
    g.east = 700.0;
    g.ncells = 14;
    g.mask.allocate(3, 16);
    g.elevation.allocate(14);
    s.overland.ov_depth.allocate(14);
    s.overland.inv_rough.allocate(14);
    for (int c = 1; c <= 14; ++c) {
      g.mask(1, static_cast<std::size_t>(c)) = c;
      g.elevation[static_cast<std::size_t>(c)] = 101.0;
      s.overland.ov_depth[static_cast<std::size_t>(c)] = 0.01 * (c % 3);
      s.overland.inv_rough[static_cast<std::size_t>(c)] = 20.0;
    }
    ChannelCards& c = s.settings.channel;
    c.chan_explic = 1;
    c.channel_input = "chan.txt";
    c.channel_input_given = true;
    c.chan_point_input = "points.txt";
    c.chan_point_input_given = true;
    c.first_order_chan_q = 0.1;
    c.max_courant_number = 0.5;
    s.run.channel_method = ChannelMethod::diffusive_wave;
    s.run.super_quiet = true;
    s.clock.dt = 30.0;
    s.clock.dt_days = 30.0 / kSecondsPerDay;
    s.clock.start_time = julian_date(2000, 1, 1, 0, 0, 0.0);
    s.clock.current_time = s.clock.start_time;
  }
};

}  // namespace torva::test
