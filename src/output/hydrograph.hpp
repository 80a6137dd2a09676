#pragma once
// Outlet and selected-location hydrograph lines, the location list and the host
// hydrograph file that merges both at shutdown.
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace torva {

// Steps between hydrograph writes: floor(60 / dt x minutes).
int hydrograph_interval(double dt_seconds, double minutes);
// Lines are written on every step whose number is a multiple of N.
inline bool hydrograph_due(long step, int n) {
  return n > 0 && step % n == 0;
}

enum class HydroClock { elapsed_minutes, julian, long_term };

// "%8.2lf %9.3lf\n", "%16.8lf %9.3lf\n" or "%16.8lf %11.4lf\n" by clock kind.
void write_outlet_line(FILE* fp, HydroClock clock, double time, double q);
// The higher-precision companion: "%8.2lf %12.6lf\n".
void write_companion_line(FILE* fp, double time, double q);
// Time ("%16.8lf " long-term, "%14.8lf " otherwise), then "%12.6lf " per location, "\n".
void write_location_line(FILE* fp, bool long_term, double time, std::span<const double> q);

struct HydLocation {
  int link = 0;
  int node = 0;
};

// The location list: a count, then that many "link node" lines, kept as they stand for the
// host file.  False (message printed, ErrorCode set) on a missing or short file.
bool read_location_list(const std::string& path, std::vector<HydLocation>& locations,
                        std::vector<std::string>& lines);

struct HostHeader {
  long start_date = 0;  // YYYYMMDD
  long start_time = 0;  // HHMM
  long interval = 0;    // N, time steps
};

// Host hydrograph text from the values read back (outlet: R values; each location: R).
void append_host_hydrograph(std::string& out, const HostHeader& h,
                            const std::vector<std::string>& location_lines,
                            const std::vector<double>& outlet,
                            const std::vector<std::vector<double>>& locations);

// Reads the outlet file (second value of every line) and, when `location_file` is not
// empty, the location file (values after the time, `count` per line) and writes the host
// file.  Prints the "Unable to open files" message and writes nothing when an input is
// missing; returns whether the file was written.
bool write_host_hydrograph(const std::string& host_file, const std::string& outlet_file,
                           const std::string& location_file, const HostHeader& h,
                           const std::vector<std::string>& location_lines);

}  // namespace torva
