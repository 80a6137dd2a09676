// Start-up of the channel network: the channel file, spacing check, hot start, stream-cell
// positions, diagnostics files and the initial areas and volume.
#include <cmath>
#include <deque>

#include "channel/chan_hotstart.hpp"
#include "channel/channel_faults.hpp"
#include "channel/channel_input.hpp"
#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"
#include "channel/xsection.hpp"
#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"
#include "input/series.hpp"
#include "model/model_state.hpp"

namespace torva {

int cell_at(const GridState& g, double x, double y) {
  if (g.dx <= 0.0 || g.mask.empty()) return 0;
  const double r = std::floor((g.north - y) / g.dx) + 1.0;
  const double c = std::floor((x - g.west) / g.dx) + 1.0;
  if (!(r >= 1.0 && r <= g.rows && c >= 1.0 && c <= g.cols)) return 0;
  return g.mask(static_cast<std::size_t>(r), static_cast<std::size_t>(c));
}

void locate_nodes(ChannelState& ch, const GridState& g) {
  for (int l = 1; l <= ch.links; ++l) {
    const bool channel = is_channel_link(ch.linktype[l]);
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      // A computational node lies midway between its two node points.
      const double x = channel ? 0.5 * (ch.lnx(k, l) + ch.lnx(k + 1, l)) : ch.lnx(k, l);
      const double y = channel ? 0.5 * (ch.lny(k, l) + ch.lny(k + 1, l)) : ch.lny(k, l);
      ch.node_cell(k, l) = cell_at(g, x, y);
    }
  }
  for (int c = 1; c <= ch.num_stream_cells; ++c) {
    const int r = ch.gst_row[c], col = ch.gst_col[c];
    ch.gst_cell[c] = (r >= 1 && r <= g.rows && col >= 1 && col <= g.cols && !g.mask.empty())
                         ? g.mask(r, col)
                         : 0;
  }
}

bool check_spacing(const ChannelState& ch) {
  for (int l = 1; l <= ch.links; ++l) {
    if (ch.linktype[l] & (kLinkLake | kLinkStructure)) continue;
    if (!(ch.dx[l] >= 0.0001)) {  // also refuses a spacing that is not a number
      say("\nYour channel node spacing is %f in link %d\n", ch.dx[l], l);
      say("You must specify a realistic value.  Program terminated.\n");
      set_error(4000);
      return false;
    }
  }
  return true;
}

bool write_diagnostics(const ChannelState& ch, const GridState& g) {
  FileHandle f;
  if (!f.open("short_links.out", "w")) {
    set_error(4, 0, 0, "short links", "short_links.out");
    return false;
  }
  std::fprintf(f.fp, "Links with 1 node:\n");
  for (int l = 1; l <= ch.links; ++l)
    if (ch.node_points[l] == 1) std::fprintf(f.fp, "%d\n", l);
  f.close();
  if (!f.open("bad_thalweg.out", "w")) {
    set_error(4, 0, 0, "bad thalweg", "bad_thalweg.out");
    return false;
  }
  std::fprintf(f.fp, "Problem    link    node    thalweg     cell    elev\n");
  std::fprintf(f.fp,
               "--> problem codes: 0=thalweg>cell elev, 1= difference <0.5, 2= "
               "difference<1.0, 3=difference>3.5\n");
  for (int l = 1; l <= ch.links; ++l) {
    if (!is_channel_link(ch.linktype[l])) continue;
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      const int cell = ch.node_cell(k, l);
      if (cell < 1 || cell > static_cast<int>(g.elevation.size())) continue;
      if (ch.bel(k, l) > g.elevation[cell])
        std::fprintf(f.fp, "0     %4d    %4d   %lf   %d   %lf\n", l, k, ch.bel(k, l), cell,
                     g.elevation[cell]);
    }
  }
  return true;
}

double channel_volume(const ChannelState& ch) {
  double v = 0.0;
  for (int l = 1; l <= ch.links; ++l) {
    if (ch.linktype[l] & (kLinkLake | kLinkStructure)) continue;
    for (int k = 1; k <= ch.nodes[l]; ++k) v += ch.area(k, l) * ch.dx[l];
  }
  return v;
}

bool setup_channels(ChannelState& ch, const ChannelSetupInput& in, const GridState& g,
                    double& initial_volume) {
  say("reading channel input data from file %s\n", in.channel_file.c_str());
  if (!read_chan_input(ch, in.channel_file, in.read)) return false;
  if (!ch.present) return true;
  if (!check_spacing(ch)) return false;
  if (!in.hotstart_file.empty()) {
    const bool ok = in.hotstart_is_depth ? read_chan_hotstart_depths(ch, in.hotstart_file)
                                         : read_chan_hotstart_wse(ch, in.hotstart_file);
    if (!ok) return false;
  }
  if (!in.grid_stream_file.empty() && !read_grid_stream(ch, in.grid_stream_file)) return false;
  locate_nodes(ch, g);
  if (!write_diagnostics(ch, g)) return false;
  Faults faults;
  const bool evaluated = ex_section(ch, 2, faults);
  say_channel_faults(faults);
  if (!evaluated) {
    set_error(4000);
    return false;
  }
  initial_volume = channel_volume(ch);
  return true;
}

namespace {

// 1-based number of the series a lookup found, 0 when none.
template <class Series>
int number_in(const std::deque<Series>& list, const Series* found) {
  for (std::size_t i = 0; found && i < list.size(); ++i)
    if (&list[i] == found) return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace

void stage_load_channels(ModelState& s) {
  const ChannelCards& c = s.settings.channel;
  if (!s.run.explicit_channels() || !c.channel_input_given) return;
  ChannelSetupInput in;
  in.channel_file = c.channel_input;
  in.read.summary = !s.run.super_quiet && !run_context().super_quiet;
  in.read.stream_loss = c.stream_loss != 0;
  in.read.k_river = c.k_river;
  in.read.m_river = c.m_river;
  in.read.grid = &s.grid;
  if (c.st_mapping_table_given) in.read.stream_table = c.st_mapping_table;
  in.read.find_time_series = [&s](std::string_view name) {
    return number_in(s.series.time_series, find_time_series(s.series, name));
  };
  in.read.find_elev_series = [&s](std::string_view name) {
    return number_in(s.series.elevation_series, find_elevation_series(s.series, name));
  };
  if (c.read_chan_hotstart_given)
    in.hotstart_file = c.read_chan_hotstart;
  else if (c.explic_hotstart_given)
    in.hotstart_file = c.explic_hotstart;
  in.hotstart_is_depth = c.hotstart_is_depth != 0;
  if (c.non_ortho_channels && c.stream_cell_given) in.grid_stream_file = c.stream_cell;
  double volume = 0.0;
  if (setup_channels(s.channel, in, s.grid, volume)) s.ledger.initial_channel += volume;
}

}  // namespace torva
