#pragma once
// Infiltration state of the Green and Ampt family of methods.

namespace torva {

struct InfilState {};

}  // namespace torva
