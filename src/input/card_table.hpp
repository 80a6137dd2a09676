#pragma once
// The keyword table of the project file: one entry per keyword with its argument form, its
// action and where its value goes.  Kept as data so the reader is one loop, not a chain.
#include <span>
#include <string>
#include <string_view>

#include "input/unsimulated_cards.hpp"

namespace torva {

struct Settings;

// How the arguments after the keyword are read.
enum class CardForm {
  flag,          // no argument: the field becomes 1
  integer,       // one "%d" token
  number,        // one "%lf" token
  text,          // one text token (file names, folders)
  keyword,       // one word turned into a selector value by the card's action
  optional,      // none (mapping table), a number (uniform) or a file name
  ints,          // several integers (dates and times)
  six_text,      // six text tokens
  echo_integer,  // one integer printed and not kept
  echo_number,   // one number printed and not kept
  none,          // recognised; nothing is done
  ignore,        // skipped like a comment
};

// What happens after (or instead of) storing the arguments.
enum class CardAction {
  none,
  units,
  start_date,
  start_time,
  end_time,
  overtype,
  chan_method,   // arg: the channel method selector value
  infil_method,  // arg: the infiltration method selector value
  reten_depth,
  richards_k,
  richards_c,
  richards_upper,
  calib_comp,
  calib_obj,
  num_threads,
  super_quiet,
  replace_params,
  replace_vals,
  replace_line,
  output_folder,
  project_folder,
  time_series,
  elev_series,
  nutrients,
  nutrient_card,  // must follow NUTRIENTS
  echo,           // arg: index of the echo label
};

// Where a card's value lives in the card-value records; unused pointers stay null.
struct CardTarget {
  int* i = nullptr;
  double* d = nullptr;
  std::string* text = nullptr;
  OptionalValue* opt = nullptr;
  std::string* six = nullptr;  // six consecutive texts
  bool* given = nullptr;
};

using CardLocate = CardTarget (*)(Settings&);

struct CardSpec {
  std::string_view keyword;  // upper case
  CardForm form = CardForm::none;
  CardAction action = CardAction::none;
  int arg = 0;
  CardLocate locate = nullptr;   // null for cards that keep nothing
  bool unsimulated = false;      // this version does not simulate it: read, warned about, ignored
  const char* family = nullptr;  // nutrient cards: the name the order error gives
  // For the card list and, later, the input checks: the unit of the value, the value a
  // project without the card gets (as it would be written on the card), the valid values
  // and what the card does.  The records' initialisers must agree with `default_value`.
  std::string_view unit = {};
  std::string_view default_value = {};
  std::string_view range = {};
  std::string_view description = {};
};

// The whole table, in the order of the keyword lists.
std::span<const CardSpec> card_table();

// Case-insensitive whole-token lookup; null for an unknown keyword.
const CardSpec* find_card(std::string_view keyword);

// Label of an echo card ("Alpha", "Channel time step", ...).
const char* echo_label(int index);

}  // namespace torva
