#include "channel/channel_faults.hpp"

#include <string>

#include "channel/culvert.hpp"
#include "channel/routing.hpp"
#include "channel/xsection.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/series.hpp"

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

// Name of series number `number` (1-based) of the list, empty when there is none.
template <class List>
std::string name_in(const List& list, int number) {
  if (number < 1 || number > static_cast<int>(list.size())) return {};
  return list[static_cast<std::size_t>(number - 1)].name;
}

void say_fault(const Fault& f, const SeriesStore* series) {
  const int count = static_cast<int>(f.value[0]);
  switch (f.code) {
    case kRouteOutletSlope:
      say("The outlet slope is negative.  Make sure that the bed\n");
      say("elevation of the most downstream node is lower than\n");
      say("the bed elevation of the node just upstream from it.\n");
      say("Program stopped.\n");
      break;
    case kRouteAreaNotNumber:
      say("In ex_flow_route 1:  cross-sectional area is not a number at link %d node %d\n", f.link,
          f.node);
      break;
    case kRouteNegativeDepth:
      say("in ex_flow_route 2, negative depth at link %d node %d\n", f.link, f.node);
      say("program stopped.\n");
      break;
    case kRouteStepTooSmall:
      say("The channel routing time step is getting really small\n");
      say("less than 1/1000 of a second\n");
      say("Reduce the model time step by a factor of 2 and try again.\n");
      say("Program stopped.\n");
      break;
    case kSeriesTimeMissing:
    case kSeriesTimeEmpty:
    case kSeriesTimeUnordered:
      say_series_fault(f.code, series ? name_in(series->time_series, f.item) : std::string());
      break;
    case kSeriesElevMissing:
    case kSeriesElevEmpty:
    case kSeriesElevUnordered:
      say_series_fault(f.code, series ? name_in(series->elevation_series, f.item) : std::string());
      break;
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

void say_channel_faults(const Faults& faults, const SeriesStore* series) {
  for (const Fault& f : faults) say_fault(f, series);
}

}  // namespace torva
