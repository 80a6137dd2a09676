#pragma once
// Replacement parameters: bracketed names in input lines replaced by values from a value
// file (batch runs) or by trial values (calibration and Monte Carlo runs).
#include <cstddef>
#include <string>

namespace torva {

// Reads the parameter file; the list is emptied first.  0, or -1 when the file cannot be
// opened or its count read.
int load_replace_parameters(const std::string& file_name);
// Reads line `batch_index` (from 0) of the value file and activates replacement.
int load_replace_values(const std::string& file_name);
// Replaces the parameter whose key starts at `pos` (a '['); true when one matched.
bool replace_at(std::string& line, std::size_t pos);
// Replaces every placeholder of `line`; unmatched ones print a message and stay.
void replace_line(std::string& line);
// replace_line() while replacement is active (every input line passes through here).
void apply_replacements(std::string& line);

// Start-up list of the values and end-of-initialisation use report (summary and console).
void print_replacement_values();
void print_replacement_use();

// The value of a parameter written with its format; empty when the format is unusable.
struct ReplaceParam;
std::string format_replace_value(const ReplaceParam& p);

}  // namespace torva
