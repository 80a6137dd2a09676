#include "channel/channel_faults.hpp"

#include "channel/culvert.hpp"
#include "channel/xsection.hpp"
#include "frame/console.hpp"
#include "frame/process.hpp"

namespace torva {
namespace {

void post_and_stop(int code) {
  set_error(code);
  error_code().stop = 1;
}

void say_negative(const char* where, const char* what, const Fault& f) {
  say("%s", where);
  say(what, f.node, f.link);
}

void say_compound(const char* where, const Fault& f) {
  say("%s", where);
  say("link %ld node %ld.  Program stopped.\n", static_cast<long>(f.link),
      static_cast<long>(f.node));
}

void say_fault(const Fault& f) {
  const int count = static_cast<int>(f.value[0]);
  switch (f.code) {
    case kSectionPairsCutSecond:
    case kSectionPairsCutFirst:
      say("\n\nWARNING!!!! When using two break-point cross-sections the number of pairs \n"
          "            must be equal, which they are not for link %d.\n\n",
          f.link);
      if (f.code == kSectionPairsCutSecond)
        say("  ---> Disregarding the last %d pairs of the second cross-section. <---\n\n", count);
      else
        say("  ---> Disregarding the last %d pairs of the first cross-section. <---\n\n", count);
      break;
    case kSectionInterpCountsDiffer:
      say("\nUsing the greater of the two number of interpolation points \n"
          "for both cross-section in link %d.\n",
          f.link);
      break;
    case kSectionFlatEdge:
      say("Error in your channel (%d). Each Z values must be different from it's neighbor\n",
          f.link);
      break;
    case kSectionBadInterpCount:
      say("\n\nError: The number of interpolation points [%d] for table %d in link %d is invalid. "
          "(Range is 1-30000.) \n",
          count, f.item, f.link);
      break;
    case kSectionBadInterpDistance:
      say("\n\nError: The interpolation distance [%6.5lf] produced by the number of interpolation "
          "points [%d]\nfor table %d in link %d is invalid. (Range is 0.0001 to 1.0)\n",
          f.value[0], static_cast<int>(f.value[1]), f.item, f.link);
      break;
    case kSectionJagged:
      say("\n\nThere is a serious problem with a channel cross-section in\n");
      say("link %d.  The cross-section interpolation routine has found\n", f.link);
      say("that this cross-section is very jagged, with over 50 'islands'\n");
      say("for certain depths.  Calculating cross-section properties in\n");
      say("this case is very dubious.  Check your cross section, smooth\n");
      say("it if necessary and try again.\n");
      break;
    case kSectionNegativeDepthTrapezoid:
      say_negative("In ex_section.c - 1\n",
                   "program stopped for negative depth, node %d, link %d\n", f);
      break;
    case kSectionNegativeDepthBreakpoint:
      say_negative("In ex_section.c - 3\n",
                   "program stopped for negative depth, node %d, link %d\n", f);
      break;
    case kSectionNegativeDepthCompound:
      say_negative("In ex_section.c - 4\n",
                   "program stopped for negative depth, node %d, link %d\n", f);
      break;
    case kSectionNoTable:
      say_error("Error in section: Request for table beyond max. table number.\n");
      break;
    case kSectionNegativeAreaTrapezoid:
      say_negative("In ex_section.c - 1\n", "program stopped for negative area, node %d, link %d\n",
                   f);
      break;
    case kSectionNegativeAreaBreakpoint:
      say_negative("In ex_section.c - 4\n", "program stopped for negative area, node %d, link %d\n",
                   f);
      break;
    case kSectionNegativeAreaCompound:
      say_negative("In ex_section.c - 5\n", "stopped for negative area, node %d, link %d\n", f);
      break;
    case kSectionCompoundRootBelow:
      say_compound("in ex_section.c - 1, negative square root at:\n", f);
      break;
    case kSectionCompoundDepthBelow:
      say_compound("in ex_section - 2, negative depth at:\n", f);
      break;
    case kSectionCompoundRootAbove:
      say_compound("in ex_section.c - 3, negative square root at:\n", f);
      break;
    case kSectionCompoundDepthAbove:
      say("in ex_section - 4, negative yabf at:\n");
      say("link %d node %d\n", f.link, f.node);
      break;
    case kSectionCompoundDepth:
      say("in ex_section - 4, negative depth at:\n");
      say("link %d node %d.  Program stopped.\n", f.link, f.node);
      break;
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
