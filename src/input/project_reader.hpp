#pragma once
// The project-file reader: the magic first line, then one card per line into the three
// card-value records.  Series files and replacement files named by cards are read at once.
#include <string>
#include <string_view>

namespace torva {

struct Settings;

struct SeriesStore;

constexpr const char* kProjectMagic = "TORVAPROJECT";
constexpr const char* kProjectMagicOld = "KEVRINPROJECT";

// Fills `settings` from the project file; faults go to the ErrorCode record (code 4000 for
// a file that is not a project file, 79, 103, 104) and to site.project_not_opened.
void read_project_file(const std::string& file_name, Settings& settings, SeriesStore& series);

// True when the first tokens of `a` and `b` are equal without regard to case.
bool keyword_equal(std::string_view a, std::string_view b);

}  // namespace torva
