#include "output/hydrograph.hpp"

#include <cmath>

#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"
#include "output/summary.hpp"

namespace torva {

int hydrograph_interval(double dt_seconds, double minutes) {
  if (!(dt_seconds > 0.0)) return 0;
  return static_cast<int>(std::floor(60.0 / dt_seconds * minutes));
}

void write_outlet_line(FILE* fp, HydroClock clock, double time, double q) {
  if (!fp) return;
  switch (clock) {
    case HydroClock::elapsed_minutes:
      std::fprintf(fp, "%8.2lf %9.3lf\n", time, q);
      break;
    case HydroClock::julian:
      std::fprintf(fp, "%16.8lf %9.3lf\n", time, q);
      break;
    case HydroClock::long_term:
      std::fprintf(fp, "%16.8lf %11.4lf\n", time, q);
      break;
  }
}

void write_companion_line(FILE* fp, double time, double q) {
  if (fp) std::fprintf(fp, "%8.2lf %12.6lf\n", time, q);
}

void write_location_line(FILE* fp, bool long_term, double time, std::span<const double> q) {
  if (!fp) return;
  std::fprintf(fp, long_term ? "%16.8lf " : "%14.8lf ", time);
  for (double v : q) std::fprintf(fp, "%12.6lf ", v);
  std::fprintf(fp, "\n");
}

bool read_location_list(const std::string& path, std::vector<HydLocation>& locations,
                        std::vector<std::string>& lines) {
  locations.clear();
  lines.clear();
  LineReader in;
  if (!in.open(path)) {
    set_error(4, 0, 0, "hydrograph location", path);
    return false;
  }
  std::string line;
  long count = 0;
  bool ok = in.next(line);
  if (ok) {
    Tokens t(line);
    t.integer(count);
  }
  if (ok && count < 0) {
    say("Error: negative number of hydrograph locations (%ld) on line 1 of file %s\n", count,
        path.c_str());
    set_error(4000);
    return false;
  }
  for (long k = 0; ok && k < count; ++k) {
    if (!in.next(line)) {
      ok = false;
      break;
    }
    Tokens t(line);
    HydLocation loc;
    t.integer(loc.link);
    t.integer(loc.node);
    locations.push_back(loc);
    lines.push_back(line);
  }
  if (!ok) {
    say("End of file reached in file %s, exiting\n", path.c_str());
    set_error(4000);
    locations.clear();
    lines.clear();
    return false;
  }
  return true;
}

namespace {

// R values of "%11.4lf", a newline after every tenth and a blank otherwise.
void append_values(std::string& out, const std::vector<double>& v) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    appendf(out, "%11.4lf", v[i]);
    out += (i + 1) % 10 == 0 ? "\n" : " ";
  }
}

}  // namespace

void append_host_hydrograph(std::string& out, const HostHeader& h,
                            const std::vector<std::string>& location_lines,
                            const std::vector<double>& outlet,
                            const std::vector<std::vector<double>>& locations) {
  out += "TORVENA_QEX_HYDROGRAPH_FILE\n";
  appendf(out, "%ld\n%ld\n%ld\n%ld\n%ld\n", static_cast<long>(location_lines.size()), h.start_date,
          h.start_time, h.interval, static_cast<long>(outlet.size()));
  for (const std::string& l : location_lines) appendf(out, "%s\n", l.c_str());
  append_values(out, outlet);
  for (const std::vector<double>& loc : locations) {
    out += "\n";
    append_values(out, loc);
  }
}

bool write_host_hydrograph(const std::string& host_file, const std::string& outlet_file,
                           const std::string& location_file, const HostHeader& h,
                           const std::vector<std::string>& location_lines) {
  LineReader outlet_in;
  LineReader location_in;
  const bool with_locations = !location_file.empty();
  if (!outlet_in.open(outlet_file) || (with_locations && !location_in.open(location_file))) {
    say("\n\nError: Unable to open files to write the QEX hydrograph file.\n Write aborted.\n");
    return false;
  }
  std::vector<double> outlet;
  std::string line;
  while (outlet_in.next(line)) {
    Tokens t(line);
    double time = 0.0, q = 0.0;
    if (!t.number(time)) continue;  // blank line
    t.number(q);
    outlet.push_back(q);
  }
  std::vector<std::vector<double>> locations(with_locations ? location_lines.size() : 0);
  if (with_locations) {
    while (location_in.next(line)) {
      Tokens t(line);
      double time = 0.0;
      if (!t.number(time)) continue;
      for (std::vector<double>& loc : locations) {
        double q = 0.0;
        t.number(q);
        loc.push_back(q);
      }
    }
  }
  FileHandle host;
  if (!host.open(host_file, "w")) {
    say("\n\nError: Unable to open files to write the QEX hydrograph file.\n Write aborted.\n");
    return false;
  }
  std::string text;
  append_host_hydrograph(text, h, location_lines, outlet, locations);
  std::fputs(text.c_str(), host.fp);
  host.close();
  return true;
}

}  // namespace torva
