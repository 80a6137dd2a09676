#pragma once
// The rain-gage file: events of gage coordinates and dated records, read one at a time.
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "frame/clock.hpp"
#include "input/line_reader.hpp"

namespace torva {

enum class RecordKind { none = 0, gages, rates, accum, radar };

// One event of the gage file, after conversion to intensities.
struct PrecipEvent {
  std::string title;  // at most 254 characters
  int ngages = 0;     // G (1 for a radar-file event)
  int nrecords = 0;   // R as read
  bool radar_files = false;
  RecordKind kind = RecordKind::none;
  std::vector<double> gage_x, gage_y;   // 1..G, map units
  std::vector<std::string> gage_text;   // 1..G
  std::vector<CalendarTime> date;       // 1..R
  std::vector<double> time;             // 1..R, Julian dates
  Array2<double> value{"gage_values"};  // (record, gage), mm/h after conversion
  std::vector<std::string> radar_file;  // 1..R, radar-file events
  double start_time() const { return time.size() > 1 ? time[1] : 0.0; }
  double end_time() const { return time.size() > 1 ? time.back() : 0.0; }
};

// Sane upper bounds for the counts of one event, checked before anything is allocated.
constexpr long kMaxGages = 100000;
constexpr long kMaxRecords = 10000000;
constexpr long kMaxGageValues = 50000000;
// Words searched for a card before the file is declared malformed.
constexpr int kMaxSearchWords = 10000;

class GageFile {
 public:
  enum class Result { event, no_event, error };

  bool open(const std::string& path);
  const std::string& path() const { return path_; }
  // Reads and converts the next event (its messages printed, ErrorCode 4000 on a fault).
  // `event_number` is the 1-based event asked for, for the messages.
  Result read_event(PrecipEvent& ev, int event_number);
  // Counts the EVENT cards left in the file (used to size long-term runs).
  static int count_events(const std::string& path);

 private:
  bool next_word(std::string& w);  // across lines
  std::string rest_of_line();      // what is left of the current line
  bool read_records(PrecipEvent& ev);
  LineReader in_;
  std::string path_;
  std::string line_;
  std::size_t pos_ = 0;
  bool have_line_ = false;
};

// Turns the values of GAGES, ACCUM and RADAR records into intensities in mm/h; record i
// then holds the intensity from record i to record i + 1.
void convert_to_intensities(PrecipEvent& ev);

}  // namespace torva
