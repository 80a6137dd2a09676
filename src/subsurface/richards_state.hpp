#pragma once
// Soil columns of the Richards-equation method.

namespace torva {

struct RichardsState {};

}  // namespace torva
