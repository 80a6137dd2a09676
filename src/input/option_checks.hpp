#pragma once
// Start-up checks for conflicting or missing options (ErrorCodes 6 to 46).

namespace torva {

struct Settings;

// Values that a mapping table may supply instead of a card.  The checks run before the
// inputs are loaded, so the start-up stage passes none; callers that know better may.
struct TableSupplies {
  bool albedo = false, vheight = false, tcoeff = false, canopy = false, wilting_point = false;
  bool gw_porosity = false, gw_hycond = false;
};

// Runs the checks in order.  The first failing check sets its code and ends the checks;
// code 39 is reported at once and the checks go on.  Returns the code left standing.
// `et_supplied`: the caller supplies the hourly evapotranspiration of a long-term run, which
// stands for an evapotranspiration method and brings its own surface parameters.
int check_options(const Settings& s, const TableSupplies& table = {}, bool et_supplied = false);

}  // namespace torva
