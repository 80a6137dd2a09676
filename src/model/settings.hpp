#pragma once
// The card values of a run: one record per subsystem, each declared beside the code that uses
// its cards, composed here so that the reader can fill them all.  Each field is named after
// its card (lower case); every card with an argument also has a <name>_given flag.
#include "channel/channel_cards.hpp"
#include "input/map_cards.hpp"
#include "input/site_cards.hpp"
#include "input/unsimulated_cards.hpp"
#include "output/output_cards.hpp"
#include "overland/overland_cards.hpp"
#include "overland/precip_cards.hpp"
#include "subsurface/infil_cards.hpp"

namespace torva {

struct Settings {
  SiteCards site;
  MapCards maps;
  PrecipCards precip;
  OverlandCards overland;
  ChannelCards channel;
  InfilCards infil;
  OutputCards output;
  UnsimulatedCards unsimulated;  // always at its defaults in a run's settings

  // Whole-record comparison: lets a test show that a card left every value untouched.
  bool operator==(const Settings&) const = default;
};

}  // namespace torva
