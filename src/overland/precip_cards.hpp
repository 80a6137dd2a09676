#pragma once
// Cards of precipitation and interception.
namespace torva {

// Where the rain of a run comes from: one uniform intensity, or a gage (or radar) file.
enum class RainSource { uniform, gages };

}  // namespace torva
