#pragma once
// Named time series and elevation series of the run.

namespace torva {

struct SeriesStore {};

}  // namespace torva
