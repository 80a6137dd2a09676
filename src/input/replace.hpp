#pragma once
// Replacement parameters: bracketed names in input lines replaced by values from a value
// file (batch runs) or by trial values (calibration and Monte Carlo runs).
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "frame/replace_list.hpp"

namespace torva {

// Reads the parameter file; the list is emptied first.  0, or -1 when the file cannot be
// opened, its count cannot be read or it ends early.
int load_replace_parameters(const std::string& file_name);
// Reads line `batch_index` (from 0) of the value file and activates replacement.
int load_replace_values(const std::string& file_name);
// Trial runs: value k goes to parameter k (list order); activates replacement.
void assign_trial_values(std::span<const double> values);

// Replaces the parameter whose key starts at `pos` (a '['); true when one matched.
bool replace_at(std::string& line, std::size_t pos);
// Replaces every placeholder of `line`; unmatched ones print a message and stay.
void replace_line(std::string& line);
// replace_line() while replacement is active (every input line passes through here).
void apply_replacements(std::string& line);

// Start-up list of the values and end-of-initialisation use report (summary and console).
void print_replacement_values();
void print_replacement_use();

// Checks a user-written format: literal text around exactly one conversion
// %[flags][width][.precision] followed by d, i, f, lf, e, g or s, and no other '%'.
// Returns the kind (0 integer, 1 number, 2 text) or -1 when the format is unusable.
int replace_format_kind(std::string_view format);
// The parameter's value written with its format (empty when the format is unusable).
std::string format_replace_value(const ReplaceParam& p);

}  // namespace torva
