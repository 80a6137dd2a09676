#pragma once
// Cards of the channel network and its routing.
namespace torva {

// The channel method chosen by the method cards (values as the cards set them); only the
// explicit diffusive-wave scheme is simulated.
enum class ChannelMethod {
  none = 0,
  preissmann = 1,
  drain = 2,
  diffusive_wave = 3,
  mesh = 4,
  backwater = 5
};

}  // namespace torva
