#include "overland/precip_gage.hpp"

#include <strings.h>

#include <cctype>
#include <cmath>

#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

// Cards of the gage file are matched on their first four letters, without regard to case.
bool card_is(const std::string& word, const char* card4) {
  return word.size() >= 4 && strncasecmp(word.c_str(), card4, 4) == 0;
}

bool contains_files(const std::string& word) {
  std::string low;
  for (char ch : word)
    low.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(ch))));
  return low.find("files") != std::string::npos;
}

RecordKind kind_of(const std::string& word) {
  if (card_is(word, "GAGE")) return RecordKind::gages;
  if (card_is(word, "RATE")) return RecordKind::rates;
  if (card_is(word, "ACCU")) return RecordKind::accum;
  if (card_is(word, "RADA")) return RecordKind::radar;
  return RecordKind::none;
}

void unexpected_end() {
  say("Unexpected end of file in rain gauge data file.\n");
  say("Check the format of the data file.\nProgram terminated.");
  set_error(4000);
}

void card_kind_error(bool more_than_one) {
  say("\nERROR:\n");
  say("\nThere is a problem in the precipitation input file.\n");
  if (more_than_one) {
    say("More than one precipitation data card type has been specified.\n");
    say("There may only be one of the following card types per event:\n\n");
    say("     1) RADAR\n     2) GAGES\n     3) RATES\n\n");
  } else {
    say("At least one precipitation data card type must be specified.\n");
    say("There may only be one of the following card types per event:\n\n");
    say("     1) RADAR\n     2) GAGES\n     3) RATES    4) ACCUM\n\n");
  }
  say("Check the precipitation input file.  TORVA exiting\n");
  set_error(4000);
}

void data_error_head(const PrecipEvent& ev) {
  say("\nERROR:\n");
  say("There is a data error in the precipitation file.  This error occurred in the\n");
  say("EVENT titled:\n %s\n", ev.title.c_str());
}

bool read_int(Tokens& t, int& out) {
  std::string tok;
  long v = 0;
  if (!t.text(tok) || !parse_int_prefix(tok, v)) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

bool GageFile::open(const std::string& path) {
  path_ = path;
  have_line_ = false;
  return in_.open(path);
}

bool GageFile::next_word(std::string& w) {
  while (true) {
    if (have_line_) {
      Tokens t(std::string_view(line_).substr(pos_));
      if (t.text(w)) {
        pos_ = line_.size() - t.rest().size();
        return true;
      }
      have_line_ = false;
    }
    if (!in_.next(line_)) return false;
    pos_ = 0;
    have_line_ = true;
  }
}

std::string GageFile::rest_of_line() {
  if (!have_line_) return {};
  have_line_ = false;
  std::string r = line_.substr(pos_);
  std::size_t a = 0;
  while (a < r.size() && (r[a] == ' ' || r[a] == '\t')) ++a;
  std::size_t b = r.size();
  while (b > a && std::isspace(static_cast<unsigned char>(r[b - 1]))) --b;
  return r.substr(a, b - a);
}

GageFile::Result GageFile::read_event(PrecipEvent& ev, int event_number) {
  ev = PrecipEvent{};
  std::string w;
  for (int words = 0;; ++words) {
    if (!next_word(w)) return Result::no_event;
    if (card_is(w, "EVEN")) break;
    if (words >= kMaxSearchWords) {
      say("There is a problem with your rainfall input file.  TORVA cannot\n");
      say("find the first event card.  Check the format of the rainfall input for event %d\n",
          event_number);
      say("file.\n\n");
      set_error(4000);
      return Result::error;
    }
  }
  ev.title = rest_of_line().substr(0, 254);

  bool have_g = false, have_r = false;
  long g = 0, r = 0;
  for (int words = 0; !(have_g && have_r); ++words) {
    if (words > kMaxSearchWords) {
      say("\nThere is a problem with your rainfall input file.  TORVA cannot\n");
      say("find the NRPDS or NRGAG card for the event entitled:\n");
      say("   %s\n\n", ev.title.c_str());
      say("Check the format of the rainfall input file.\n");
      set_error(4000);
      return Result::error;
    }
    if (!next_word(w)) {
      unexpected_end();
      return Result::error;
    }
    const bool is_g = card_is(w, "NRGA"), is_r = card_is(w, "NRPD");
    if (!is_g && !is_r) continue;
    std::string num;
    if (!next_word(num)) {
      unexpected_end();
      return Result::error;
    }
    long v = 0;
    if (is_g && contains_files(num)) {
      ev.radar_files = true;
      v = 1;
    } else if (!parse_int_prefix(num, v)) {
      v = 0;
    }
    (is_g ? g : r) = v;
    (is_g ? have_g : have_r) = true;
  }
  if (g < 1 || r < 1 || g > kMaxGages || r > kMaxRecords || g * r > kMaxGageValues) {
    say("\nError: the event entitled:\n   %s\n", ev.title.c_str());
    say("gives %ld gages and %ld records (line %d of file %s).\n", g, r, in_.line_number(),
        path_.c_str());
    say("Both must be at least 1.  Check the NRGAG and NRPDS cards.\n");
    set_error(4000);
    return Result::error;
  }
  ev.ngages = static_cast<int>(g);
  ev.nrecords = static_cast<int>(r);
  ev.gage_x.assign(g + 1, 0.0);
  ev.gage_y.assign(g + 1, 0.0);
  ev.gage_text.assign(g + 1, {});

  if (!ev.radar_files) {
    for (int i = 1; i <= ev.ngages; ++i) {
      if (!next_word(w) || !card_is(w, "COOR")) {
        say("\nCannot find gage coordinate card in rainfall input file for event entitled:\n");
        say("       %s\n\n", ev.title.c_str());
        say("Check rainfall input file format.\n");
        set_error(4000);
        return Result::error;
      }
      std::string xs, ys;
      if (!next_word(xs) || !next_word(ys) || !parse_double_prefix(xs, ev.gage_x[i]) ||
          !parse_double_prefix(ys, ev.gage_y[i])) {
        say("\nError: gage %d of the event entitled:\n   %s\n", i, ev.title.c_str());
        say("has no valid coordinates (line %d of file %s).\n", in_.line_number(), path_.c_str());
        set_error(4000);
        return Result::error;
      }
      ev.gage_text[i] = rest_of_line();
    }
  }
  if (!read_records(ev)) return Result::error;
  convert_to_intensities(ev);
  return Result::event;
}

bool GageFile::read_records(PrecipEvent& ev) {
  const int R = ev.nrecords, G = ev.ngages;
  if (!ev.value.allocate(R, G)) {
    set_error(4000);
    return false;
  }
  ev.date.assign(R + 1, {});
  ev.time.assign(R + 1, 0.0);
  if (ev.radar_files) ev.radar_file.assign(R + 1, {});
  unsigned seen = 0;
  std::string w;
  for (int i = 1; i <= R; ++i) {
    if (!next_word(w)) {
      unexpected_end();
      return false;
    }
    const long line_no = in_.line_number();
    const RecordKind k = kind_of(w);
    if (k != RecordKind::none) {
      seen |= 1u << static_cast<unsigned>(k);
      if (ev.kind == RecordKind::none) ev.kind = k;
    }
    if (seen & (seen - 1)) {
      card_kind_error(true);
      return false;
    }
    if (seen == 0) {
      card_kind_error(false);
      return false;
    }
    Tokens t(std::string_view(line_).substr(pos_));
    have_line_ = false;  // a record is one line; what follows its fields is dropped
    CalendarTime& d = ev.date[i];
    if (!read_int(t, d.year) || !read_int(t, d.month) || !read_int(t, d.day) ||
        !read_int(t, d.hour) || !read_int(t, d.minute)) {
      unexpected_end();
      return false;
    }
    if (d.year < 100) d.year += 1900;
    ev.time[i] = julian_date(d);
    if (i > 1 && ev.time[i] < ev.time[i - 1] && !same_time(ev.time[i], ev.time[i - 1])) {
      const CalendarTime& p = ev.date[i - 1];
      data_error_head(ev);
      say("On line no. %ld, the given time of the recorded data is:    %ld/%ld/%ld %ld:%2.2ld\n",
          line_no, long{d.month}, long{d.day}, long{d.year}, long{d.hour}, long{d.minute});
      say("Which is earlier than the date/time on the previous line:  %ld/%ld/%ld %ld:%2.2ld\n",
          long{p.month}, long{p.day}, long{p.year}, long{p.hour}, long{p.minute});
      say("This error in your precipitation input file must be corrected before TORVA\n");
      say("can continue.  Program exiting on error.\n\n");
      set_error(4000);
      return false;
    }
    if (ev.radar_files) {
      if (!t.text(ev.radar_file[i])) {
        unexpected_end();
        return false;
      }
      continue;
    }
    for (int gi = 1; gi <= G; ++gi) {
      std::string tok;
      double v = 0.0;
      if (!t.text(tok) || !parse_double_prefix(tok, v)) {
        say("\n ERROR: \n");
        say("\n check out gage input for precip record %d", i);
        say("\n look at gage %d \n", gi);
        unexpected_end();
        return false;
      }
      ev.value(i, gi) = v;
      if (ev.kind == RecordKind::accum && i >= 3 && v < ev.value(i - 1, gi)) {
        data_error_head(ev);
        say("On line no. %ld, the accumulated precip. for gage number %d is: %8.5lf mm\n", line_no,
            gi, v);
        say("Which is less than the accumulated precip. on the previous line: %8.5lf mm\n",
            ev.value(i - 1, gi));
        say("This error in your precipitation input file must be corrected before TORVA\n");
        say("can continue.  Accumulated precip is CUMULATIVE.  The values should increase\n");
        say("monotonically.  Program exiting on error.\n\n");
        set_error(4000);
        return false;
      }
    }
  }
  return true;
}

void convert_to_intensities(PrecipEvent& ev) {
  const int R = ev.nrecords, G = ev.ngages;
  for (int i = 1; i < R; ++i) {
    // Julian dates carry about 40 microseconds of noise; records are whole minutes.
    const double seconds =
        std::round((ev.time[i + 1] - ev.time[i]) * kSecondsPerDay * 1000.0) / 1000.0;
    if (seconds > kSecondsPerDay) say("WARNING: you have a long delta t in your precip file\n");
    const double hours = seconds / 3600.0;
    // Nothing can fall in an interval of zero length; its rate would be infinite.
    const bool empty = same_time(ev.time[i + 1], ev.time[i]);
    if (ev.radar_files) {
      if (ev.kind == RecordKind::radar) ev.radar_file[i] = ev.radar_file[i + 1];
      continue;
    }
    for (int g = 1; g <= G; ++g) {
      double& v = ev.value(i, g);
      switch (ev.kind) {
        case RecordKind::gages:
          v = empty ? 0.0 : ev.value(i + 1, g) / hours;
          break;
        case RecordKind::accum:
          v = empty ? 0.0 : (ev.value(i + 1, g) - v) / hours;
          break;
        case RecordKind::radar:
          v = ev.value(i + 1, g);
          break;
        case RecordKind::rates:
        case RecordKind::none:
          break;
      }
    }
  }
}

int GageFile::count_events(const std::string& path) {
  LineReader in;
  if (!in.open(path)) return 0;
  int n = 0;
  std::string line, w;
  while (in.next(line)) {
    Tokens t(line);
    if (t.text(w) && card_is(w, "EVEN")) ++n;
  }
  return n;
}

}  // namespace torva
