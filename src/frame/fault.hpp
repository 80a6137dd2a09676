#pragma once
// What a numerical kernel met that the run must hear about.  Kernels print nothing and do not
// touch the ErrorCode record: they hand their faults back, in the order met, and the stage that
// called them prints the fixed text and posts the code.  Keeping kernels silent lets them be
// tested on their results and keeps every message text in one place per subsystem.
//
// `code` values are listed in each kernel's header, in blocks that never overlap, so that one
// list may mix the faults of kernels that call one another:
//   101-199 overland schemes        401-499 structures and the root finder
//   201-299 channel routing         501-599 series lookups
//   301-399 channel cross-sections  601-699 infiltration
#include <vector>

namespace torva {

struct Fault {
  int code = 0;       // kind of fault; 0: none
  int link = 0;       // channel link the message names
  int node = 0;       // channel node
  int cell = 0;       // grid cell
  int item = 0;       // another numbered part: structure element, cross-section table
  double value[3]{};  // numbers the message prints that only the kernel knows
  explicit operator bool() const { return code != 0; }
};

// Faults in the order a kernel met them: those it went on after, then, when it failed, the
// one that stopped it.
using Faults = std::vector<Fault>;

}  // namespace torva
