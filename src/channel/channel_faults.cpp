#include "channel/channel_faults.hpp"

#include "channel/culvert.hpp"
#include "frame/console.hpp"
#include "frame/process.hpp"

namespace torva {
namespace {

void post_and_stop(int code) {
  set_error(code);
  error_code().stop = 1;
}

void say_fault(const Fault& f) {
  switch (f.code) {
    case kRootNotBracketed:
      say("Problem in ZBRENT root finder\n");
      say("Root must be bracketed\n");
      break;
    case kRootNoConvergence:
      say("Maximum number of iterations exceeded in ZBRENT\n");
      break;
    case kCulvertNoLength:
      say("Problem in culv_flow (ex_flow_route.c).  The culvert barrel length\n");
      say("in culvert number %d is 0.0.  This is not possible. Program terminated.\n", f.item);
      break;
    case kCulvertNoRoot:
    case kCulvertRootNotBracketed:
      say("Problem in zbrent (ex_flow_route.c). Hydraulic short culvert routine \n");
      say("The flow cannot be determine in culvert number %d\n", f.item);
      if (f.code == kCulvertRootNotBracketed) post_and_stop(124);
      break;
    case kCulvertNoCriticalDepth:
      post_and_stop(122);
      break;
    case kCulvertOvalCriticalDepth:
      post_and_stop(123);
      break;
    case kCulvertLinkFailedHigh:
      say("Error in link number: %d ", f.link);
      break;
    case kCulvertLinkFailed:
      say("Error in link number %d: ", f.link);
      break;
    default:
      break;
  }
}

}  // namespace

void say_channel_faults(const Faults& faults) {
  for (const Fault& f : faults) say_fault(f);
}

}  // namespace torva
