#pragma once
// Overland flow: depths, face discharges, scheme control and outlet flow.

namespace torva {

struct OverlandState {};

}  // namespace torva
