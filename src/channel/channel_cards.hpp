#pragma once
// Cards of the channel network and its routing.
#include <string>

namespace torva {

// The channel method chosen by the method cards (values as the cards set them); only the
// explicit diffusive-wave scheme is simulated.
enum class ChannelMethod {
  none = 0,
  preissmann = 1,
  drain = 2,
  diffusive_wave = 3,
  mesh = 4,
  backwater = 5
};

// Default of MAX_COURANT_NUMBER, the Courant limit of the channel sub-steps.
inline constexpr double kDefaultMaxCourant = 0.2;

struct ChannelCards {
  ChannelMethod chan_method = ChannelMethod::none;  // the last method card read
  int chan_explic = 0;
  int diffusive_wave = 0;
  int chan_drain = 0;
  int chan_backwater = 0;
  int overbank_flow = 0;
  int overland_backwater = 0;
  int non_ortho_channels = 0;
  int head_bound = 0;
  int hotstart_is_depth = 0;
  int stream_loss = 0;
  double max_courant_number = kDefaultMaxCourant;
  bool max_courant_number_given = false;
  double bound_depth = 0.0;
  bool bound_depth_given = false;
  double k_river = 0.0;
  bool k_river_given = false;
  double first_order_chan_q = 0.0;
  bool first_order_chan_q_given = false;
  double m_river = 1.0;
  bool m_river_given = false;
  std::string st_mapping_table;
  bool st_mapping_table_given = false;
  std::string stream_cell;
  bool stream_cell_given = false;
  std::string bound_ts;
  bool bound_ts_given = false;
  std::string explic_backwater;
  bool explic_backwater_given = false;
  std::string explic_hotstart;
  bool explic_hotstart_given = false;
  std::string write_chan_hotstart;
  bool write_chan_hotstart_given = false;
  std::string read_chan_hotstart;
  bool read_chan_hotstart_given = false;
  std::string channel_input;
  bool channel_input_given = false;
  std::string chan_point_input;
  bool chan_point_input_given = false;

  bool operator==(const ChannelCards&) const = default;
};

}  // namespace torva
