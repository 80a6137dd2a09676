#include "input/project_reader.hpp"

#include <omp.h>

#include <charconv>
#include <set>

#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"
#include "input/card_table.hpp"
#include "input/line_reader.hpp"
#include "input/replace.hpp"
#include "input/series.hpp"
#include "model/settings.hpp"

namespace torva {
namespace {

char to_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lower(std::string_view t) {
  std::string out(t);
  for (char& c : out) c = to_lower(c);
  return out;
}

// A token counts as a number only when all of it parses ("3dmap.asc" is a file name).
bool whole_number(const std::string& tok, double& out) {
  if (tok.empty()) return false;
  const char* first = tok.data() + (tok[0] == '+' ? 1 : 0);
  const char* last = tok.data() + tok.size();
  auto [p, ec] = std::from_chars(first, last, out);
  return p != first && p == last && ec == std::errc();
}

// Reader state shared by the card actions of one file.
struct Reading {
  Settings& set;
  SeriesStore& series;
  // Cards of processes this version does not simulate are read into this record, never into
  // `set`: their syntax errors still count, but no value of theirs can reach a stage.
  Settings ignored;
  std::set<std::string_view> warned;  // unsimulated cards already announced
  bool nutrients = false;             // NUTRIENTS seen: the nutrient cards may follow
  bool stop = false;                  // a card ended the reading
};

void read_ints(Tokens& t, std::initializer_list<int*> fields) {
  for (int* f : fields) t.integer(*f);
}

void keyword_card(const CardSpec& c, Tokens& t, int& field) {
  std::string w;
  t.text(w);
  const std::string lw = lower(w);
  const std::string_view head = std::string_view(lw).substr(0, 4);
  switch (c.action) {
    case CardAction::overtype: {
      long v = 0;
      if (parse_int_prefix(w, v))
        field = static_cast<int>(v);
      else if (lw == "explicit")
        field = 1;
      else if (lw == "ade")
        field = 2;
      else if (lw == "ade-pc")
        field = 3;
      break;
    }
    case CardAction::richards_k:
      if (head == "geom") field = 2;
      if (head == "arit") field = 1;
      break;
    case CardAction::richards_c:
      if (head == "have") field = 2;
      if (head == "broo") field = 1;
      break;
    case CardAction::richards_upper:
      field = head == "gree" ? 2 : head == "aver" ? 3 : 0;
      break;
    default:
      break;
  }
}

void optional_card(Tokens& t, OptionalValue& o) {
  std::string tok;
  if (!t.text(tok)) {
    o.kind = 2;  // from the mapping table
  } else if (double v = 0.0; whole_number(tok, v)) {
    o.kind = 3;
    o.value = v;
  } else {
    o.kind = 1;
    o.file = tok;
  }
}

void reten_depth_card(Settings& c, Tokens& t) {
  std::string tok;
  t.text(tok);
  if (double v = 0.0; whole_number(tok, v)) {
    c.overland.retention = v;
    c.overland.retention_given = true;
    say("Warning: Incorrect use of RETEN_DEPTH card\n  Usage: RETEN_DEPTH <filename>-or-\n"
        "RETENTION <value>  -or-\nRETEN_DEPTH \n  Using %lf for the uniform retention "
        "depth\n\n",
        v);
    return;
  }
  c.maps.reten_depth = tok;
  c.maps.reten_depth_given = true;
}

// Cards that look at the raw rest of the line rather than at one token.
void calib_card(Reading& r, UnsimulatedCards& cr, const CardSpec& c, Tokens& t) {
  const std::string_view rest = t.rest();
  if (c.action == CardAction::calib_comp) {
    cr.calib_comp_data_given = true;
    if (rest.starts_with("DAILY")) {
      cr.calib_comp_data = 0;
    } else if (rest.starts_with("EVENT")) {
      cr.calib_comp_data = 1;
    } else {
      cr.calib_comp_data = 2;
      set_error(103);
      r.stop = true;
    }
    return;
  }
  cr.calib_obj_func_given = true;
  if (rest == "RMSE") {
    cr.calib_obj_func = 0;
  } else if (rest == "HMLE") {
    cr.calib_obj_func = 1;
  } else {
    cr.calib_obj_func = 2;
    set_error(104);
    r.stop = true;
  }
}

// Stores the arguments of a card by its form.
void store(const CardSpec& c, const CardTarget& at, Tokens& t) {
  switch (c.form) {
    case CardForm::flag:
      if (at.i) *at.i = 1;
      break;
    case CardForm::integer:
      t.integer(*at.i);
      break;
    case CardForm::number:
      t.number(*at.d);
      break;
    case CardForm::text: {
      std::string tok;
      t.text(tok);
      *at.text = tok;
      break;
    }
    case CardForm::six_text:
      for (int k = 0; k < 6; ++k) {
        std::string tok;
        t.text(tok);
        at.six[k] = tok;
      }
      break;
    default:
      break;
  }
  if (at.given) *at.given = true;
}

void folder_card(const CardSpec& c, const std::string& folder) {
  if (c.action == CardAction::output_folder) {
    run_context().output_folder = folder_with_separator(folder);
  } else if (!folder.empty()) {
    run_context().project_folder = folder_with_separator(folder);
  }
}

// Runs the action of one card whose keyword has been removed from `t`.
void perform(Reading& r, const CardSpec& c, Tokens& t) {
  Settings& s = c.unsimulated ? r.ignored : r.set;
  SiteCards& site = s.site;
  CardTarget at;
  if (c.locate) at = c.locate(s);

  if (c.action == CardAction::nutrient_card && !r.nutrients) {
    set_error(79, 0, 0, c.family);
    r.stop = true;
    return;
  }

  switch (c.form) {
    case CardForm::ignore:
    case CardForm::none:
      return;
    case CardForm::keyword:
      if (c.action == CardAction::calib_comp || c.action == CardAction::calib_obj) {
        calib_card(r, s.unsimulated, c, t);
      } else {
        keyword_card(c, t, *at.i);
        *at.given = true;
      }
      return;
    case CardForm::optional:
      optional_card(t, *at.opt);
      *at.given = true;
      return;
    case CardForm::echo_integer: {
      int v = 0;
      t.integer(v);
      say("%s = %d\n", echo_label(c.arg), v);
      return;
    }
    case CardForm::echo_number: {
      double v = 0.0;
      t.number(v);
      say("%s = %lf\n", echo_label(c.arg), v);
      return;
    }
    case CardForm::ints:
      if (c.action == CardAction::start_date) {
        read_ints(t, {&site.start_year, &site.start_month, &site.start_day});
        site.start_date_given = true;
      } else if (c.action == CardAction::start_time) {
        read_ints(t, {&site.start_hour, &site.start_minute});
        site.start_time_given = true;
      } else {
        read_ints(
            t, {&site.end_year, &site.end_month, &site.end_day, &site.end_hour, &site.end_minute});
        site.end_time_given = true;
      }
      return;
    default:
      break;
  }

  if (c.action == CardAction::reten_depth) {
    reten_depth_card(s, t);
    return;
  }
  store(c, at, t);

  switch (c.action) {
    case CardAction::units:
      say("Units flag = %d\n", s.unsimulated.units);
      break;
    case CardAction::chan_method:
      s.channel.chan_method = static_cast<ChannelMethod>(c.arg);
      if (c.arg == 3) s.channel.non_ortho_channels = 1;
      break;
    case CardAction::infil_method:
      s.infil.infil_method = static_cast<InfilMethod>(c.arg);
      break;
    case CardAction::num_threads: {
      const int n = s.site.num_threads;
      if (n < 1) {
        say("Error: unable to set the thread level to %d.\n", n);
        s.site.num_threads_given = false;
      } else {
        // Only the OpenMP level: the process thread count stays what the command line found.
        omp_set_num_threads(n);
        say("Setting the thread level to %d.\n", n);
      }
      break;
    }
    case CardAction::nutrients:
      r.nutrients = true;
      break;
    case CardAction::super_quiet:
      run_context().super_quiet = true;
      break;
    case CardAction::replace_params:
      load_replace_parameters(*at.text);
      break;
    case CardAction::replace_vals:
      load_replace_values(*at.text);
      break;
    case CardAction::replace_line:
      run_context().batch_index = s.site.replace_line - 1;
      break;
    case CardAction::output_folder:
    case CardAction::project_folder:
      folder_card(c, *at.text);
      break;
    case CardAction::time_series:
      read_time_series_file(*at.text, r.series);
      break;
    case CardAction::elev_series:
      read_elevation_series_file(*at.text, r.series);
      break;
    default:
      break;
  }
}

bool is_magic(const std::string& line) {
  return line == kProjectMagic || line == kProjectMagicOld;
}

void reject_file() {
  say_error("File Does not Appear to be a Valid TORVA/KEVRIN Project file\n");
  say_error("Perhaps you Should Issue a 'dos2unix' Command if you are on a Unix machine?\n");
  say_error("TORVA Terminating....\n");
  set_error(4000);
  report();
}

}  // namespace

bool keyword_equal(std::string_view a, std::string_view b) {
  Tokens ta(a), tb(b);
  std::string x, y;
  ta.text(x);
  tb.text(y);
  return x.size() == y.size() && lower(x) == lower(y);
}

void read_project_file(const std::string& file_name, Settings& settings, SeriesStore& series) {
  LineReader in;
  if (!in.open(file_name)) {
    say_error("Error opening project file named: %s\n", file_name.c_str());
    settings.site.project_not_opened = true;
    return;
  }
  std::string line;
  if (!in.next(line) || !is_magic(line)) {
    in.close();
    reject_file();
    return;
  }
  settings = Settings{};

  Reading r{settings, series, {}, {}, false, false};
  while (!r.stop && in.next(line)) {
    if (in.last_line_truncated())
      say("Warning: line %d of the project file %s is longer than %d characters; the rest of "
          "the line is ignored\n",
          in.line_number(), in.path().c_str(), static_cast<int>(kMaxLine));
    Tokens t(line);
    std::string key;
    if (!t.text(key) || key.front() == '#') continue;
    const CardSpec* c = find_card(key);
    if (!c) {
      if (run_context().process_number == 0)
        say("Warning: unknown card found in the project file: %s\n", key.c_str());
      continue;
    }
    if (c->unsimulated && r.warned.insert(c->keyword).second)
      say("Warning: %.*s is not simulated by this version; the card is ignored\n",
          static_cast<int>(c->keyword.size()), c->keyword.data());
    perform(r, *c, t);
  }
  in.close();
}

}  // namespace torva
