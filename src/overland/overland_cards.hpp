#pragma once
// Cards of overland flow routing.
namespace torva {

enum class OverlandScheme { kExplicit = 1, kAde = 2, kAdePc = 3 };

// OVERTYPE 1 is the explicit scheme, 3 ADE with predictor-corrector; any other value is ADE.
constexpr OverlandScheme overland_scheme(int overtype) {
  return overtype == 1   ? OverlandScheme::kExplicit
         : overtype == 3 ? OverlandScheme::kAdePc
                         : OverlandScheme::kAde;
}

}  // namespace torva
