#pragma once
// Cards of infiltration and the soil column.
namespace torva {

enum class InfilMethod { none = 0, green_ampt = 1, redist = 2, layered = 3, richards = 4 };

// Methods 2 and 3 keep a simple soil store under the surface.
constexpr bool keeps_soil_store(InfilMethod m) {
  return m == InfilMethod::redist || m == InfilMethod::layered;
}

}  // namespace torva
