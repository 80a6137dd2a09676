// The messages the channel stages print for their kernels' faults, and the codes they post.
#include <gtest/gtest.h>

#include <string>

#include "channel/channel_faults.hpp"
#include "channel/culvert.hpp"
#include "channel/routing.hpp"
#include "channel/xsection.hpp"
#include "frame/run_context.hpp"
#include "input/series.hpp"

namespace torva {
namespace {

// Section faults at link 1, node 2: the texts differ in their order.
Faults at(std::initializer_list<int> codes) {
  Faults f;
  for (int code : codes) f.push_back({.code = code, .link = 1, .node = 2});
  return f;
}

struct Case {
  Faults faults;
  std::string text;       // standard output, then standard error
  int code = 0;           // posted ErrorCode
  int stopping_code = 0;  // reported at once
};

// Series faults name their series by number; missing and empty series are reported at once
// (the report's newline, the stop flag), unordered ones only printed.
const Case kCases[] = {
    {{{.code = kRootNotBracketed},
      {.code = kCulvertNoCriticalDepth, .item = 1},
      {.code = kCulvertLinkFailed, .link = 5}},
     "Problem in ZBRENT root finder\nRoot must be bracketed\nError in link number 5: ",
     122},
    {{{.code = kCulvertOvalCriticalDepth, .item = 1}}, "", 123},
    {{{.code = kRootNoConvergence}, {.code = kCulvertNoRoot, .item = 3}, {.code = kRouteNoScratch}},
     "Maximum number of iterations exceeded in ZBRENT\n"
     "Problem in zbrent (ex_flow_route.c). Hydraulic short culvert routine \n"
     "The flow cannot be determine in culvert number 3\n"},
    {{{.code = kSeriesTimeEmpty, .item = 1}},
     "Error: attempting to extract a value from a time series [release] with no entries.\n\n",
     0,
     4000},
    {{{.code = kSeriesElevMissing, .item = 2}},
     "Error: attempting to extract a value from an elevation series that does not exist.\n\n",
     0,
     4000},
    {{{.code = kSeriesElevUnordered, .item = 1}, {.code = kSeriesTimeUnordered, .item = 1}},
     "Error: something is really messed up with your elevation series [gate].\n"
     "Error: something is really messed up with your time series [release].\n"},
    {{{.code = kSectionPairsCutSecond, .link = 1, .value = {2.0}},
      {.code = kSectionPairsCutFirst, .link = 1, .value = {3.0}},
      {.code = kSectionInterpCountsDiffer, .link = 1},
      {.code = kSectionFlatEdge, .link = 1},
      {.code = kSectionNoTables, .link = 1}},
     "\n\nWARNING!!!! When using two break-point cross-sections the number of pairs \n"
     "            must be equal, which they are not for link 1.\n\n"
     "  ---> Disregarding the last 2 pairs of the second cross-section. <---\n\n"
     "\n\nWARNING!!!! When using two break-point cross-sections the number of pairs \n"
     "            must be equal, which they are not for link 1.\n\n"
     "  ---> Disregarding the last 3 pairs of the first cross-section. <---\n\n"
     "\nUsing the greater of the two number of interpolation points \n"
     "for both cross-section in link 1.\n"
     "Error in your channel (1). Each Z values must be different from it's neighbor\n"},
    {at({kSectionNegativeDepthTrapezoid, kSectionNegativeDepthBreakpoint,
         kSectionNegativeDepthCompound, kSectionNegativeAreaTrapezoid,
         kSectionNegativeAreaBreakpoint, kSectionNegativeAreaCompound, kSectionCompoundRootBelow,
         kSectionCompoundDepthBelow, kSectionCompoundRootAbove, kSectionCompoundDepthAbove,
         kSectionCompoundDepth, kSectionNoTable}),
     "In ex_section.c - 1\nprogram stopped for negative depth, node 2, link 1\n"
     "In ex_section.c - 3\nprogram stopped for negative depth, node 2, link 1\n"
     "In ex_section.c - 4\nprogram stopped for negative depth, node 2, link 1\n"
     "In ex_section.c - 1\nprogram stopped for negative area, node 2, link 1\n"
     "In ex_section.c - 4\nprogram stopped for negative area, node 2, link 1\n"
     "In ex_section.c - 5\nstopped for negative area, node 2, link 1\n"
     "in ex_section.c - 1, negative square root at:\nlink 1 node 2.  Program stopped.\n"
     "in ex_section - 2, negative depth at:\nlink 1 node 2.  Program stopped.\n"
     "in ex_section.c - 3, negative square root at:\nlink 1 node 2.  Program stopped.\n"
     "in ex_section - 4, negative yabf at:\nlink 1 node 2\n"
     "in ex_section - 4, negative depth at:\nlink 1 node 2.  Program stopped.\n"
     // The missing table goes to the error stream, after everything else.
     "Error in section: Request for table beyond max. table number.\n"},
};

TEST(ChannelFaultText, PrintsTheFixedTextAndPostsItsCode) {
  SeriesStore series;
  series.time_series.emplace_back().name = "release";
  series.elevation_series.emplace_back().name = "gate";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    RunContext ctx;
    ContextScope scope(ctx);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    say_channel_faults(c.faults, &series);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out + ::testing::internal::GetCapturedStderr(), c.text);
    EXPECT_EQ(error_code().code, c.code);
    EXPECT_EQ(error_code().stop != 0, c.code || c.stopping_code);
    EXPECT_EQ(error_code().stopping_code, c.stopping_code);
  }
}

}  // namespace
}  // namespace torva
