#pragma once
// One run's whole state.  Each subsystem declares its own record in its own header; this
// record only composes them.
#include <string>

#include "channel/channel_cards.hpp"
#include "channel/channel_state.hpp"
#include "channel/routing_state.hpp"
#include "frame/clock.hpp"
#include "input/cell_params.hpp"
#include "input/grid.hpp"
#include "input/series_store.hpp"
#include "model/settings.hpp"
#include "output/ledger.hpp"
#include "output/map_writer.hpp"
#include "output/output_files.hpp"
#include "overland/connectivity_state.hpp"
#include "overland/overland_cards.hpp"
#include "overland/overland_state.hpp"
#include "overland/precip_cards.hpp"
#include "overland/rain_state.hpp"
#include "subsurface/hmet_state.hpp"
#include "subsurface/infil_cards.hpp"
#include "subsurface/infil_state.hpp"
#include "subsurface/richards_state.hpp"

namespace torva {

// The caller's result block of a calibration or Monte Carlo run.
struct CalibrationResult;
struct ModelState;

struct RunControl {
  bool calibration_run = false;
  CalibrationResult* calibration_result = nullptr;
  bool long_term = false;
  bool quiet = false;
  bool super_quiet = false;
  bool flow_cfs = false;
  int flush_period = 0;  // progress lines between flushes of standard output (0 = never)
  int flush_counter = 0;
  bool channel_diagnostics = false;
  // Method choices, decided once from the cards after reading them; stages read these.
  ChannelMethod channel_method = ChannelMethod::none;
  InfilMethod infil_method = InfilMethod::none;
  OverlandScheme overland_scheme = OverlandScheme::kAde;
  RainSource rain_source = RainSource::uniform;
  int hyd_steps = 0;  // steps between hydrograph writes
  int map_steps = 0;  // steps between map writes
  double cubic_feet_per_cubic_metre = 35.314667;
  // The hourly evapotranspiration of long-term runs when the caller supplies it (tests);
  // without it and without an evapotranspiration method a long-term run stops (code 9).
  void (*hourly_et)(ModelState&) = nullptr;

  bool explicit_channels() const { return channel_method == ChannelMethod::diffusive_wave; }
  // Channel routing of either kind keeps the channel output clock.
  bool channels_routed() const {
    return explicit_channels() || channel_method == ChannelMethod::mesh;
  }
};

struct EventControl {
  int event = 1;  // current event, from 1
  int num_events = 1;
  bool event_running = true;
  bool event_ended = false;
  bool end_of_event_due = false;
  bool simulation_continues = true;
  double min_q = kDefaultEventMinQ;  // low-flow cut-off, m^3/s
  double outlet_q = 0.0;             // outlet discharge now, m^3/s
  double peak_q = 0.0;               // peak outlet discharge
  CalendarTime peak_time;
  int precip_state = 1;         // 1 running, 0/3 ended, 2 no further event
  double start_time = 0.0;      // Julian date the current event began (long-term runs)
  WaterLedger ledger_at_start;  // the run's ledger when the current event began
  double soil_at_start = 0.0;   // basin-averaged soil water content then (fraction)
};

// Values one subsystem posts for another, so that neither reaches into the other's record.
struct ExchangeState {
  double channel_storage = 0.0;  // m^3 in the channel links after the last channel stage
};

struct ModelState {
  std::string project_file;
  Settings settings;
  RunControl run;
  ClockState clock;
  EventControl event;
  GridState grid;
  CellParams params;
  SeriesStore series;
  ConnectivityState connect;
  RainState rain;
  OverlandState overland;
  InfilState infil;
  RichardsState richards;
  HmetState hmet;
  ChannelState channel;
  ChannelRouteState route;
  ExchangeState exchange;
  WaterLedger ledger;
  OutputFiles files;
  MapOutputState map_output;
};

}  // namespace torva
