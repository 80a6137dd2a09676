// The messages the channel stages print for their kernels' faults, and the codes they post.
#include <gtest/gtest.h>

#include <string>

#include "channel/channel_faults.hpp"
#include "channel/culvert.hpp"
#include "frame/process.hpp"

namespace torva {
namespace {

struct Case {
  const char* name;
  Faults faults;
  std::string text;
  int code = 0;  // posted ErrorCode
  int stop = 0;
};

class ChannelFaultText : public testing::TestWithParam<Case> {};

TEST_P(ChannelFaultText, PrintsTheFixedTextAndPostsItsCode) {
  const Case& c = GetParam();
  error_code() = ErrorCode{};
  testing::internal::CaptureStdout();
  say_channel_faults(c.faults);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
  EXPECT_EQ(error_code().code, c.code);
  EXPECT_EQ(error_code().stop, c.stop);
  error_code() = ErrorCode{};
}

const Case kStructures[] = {
    {"BarrelLength",
     {{.code = kCulvertNoLength, .item = 4}, {.code = kCulvertLinkFailedHigh, .link = 2}},
     "Problem in culv_flow (ex_flow_route.c).  The culvert barrel length\n"
     "in culvert number 4 is 0.0.  This is not possible. Program terminated.\n"
     "Error in link number: 2 "},
    {"UnbracketedRoot",
     {{.code = kRootNotBracketed},
      {.code = kCulvertRootNotBracketed, .item = 1},
      {.code = kCulvertLinkFailed, .link = 4}},
     "Problem in ZBRENT root finder\nRoot must be bracketed\n"
     "Problem in zbrent (ex_flow_route.c). Hydraulic short culvert routine \n"
     "The flow cannot be determine in culvert number 1\n"
     "Error in link number 4: ",
     124,
     1},
    {"RootOutOfIterations",
     {{.code = kRootNoConvergence}, {.code = kCulvertNoRoot, .item = 3}},
     "Maximum number of iterations exceeded in ZBRENT\n"
     "Problem in zbrent (ex_flow_route.c). Hydraulic short culvert routine \n"
     "The flow cannot be determine in culvert number 3\n"},
    {"CriticalDepthAfterAnUnbracketedRoot",
     {{.code = kRootNotBracketed},
      {.code = kCulvertNoCriticalDepth, .item = 1},
      {.code = kCulvertLinkFailed, .link = 5}},
     "Problem in ZBRENT root finder\nRoot must be bracketed\nError in link number 5: ",
     122,
     1},
    {"OvalCriticalDepth", {{.code = kCulvertOvalCriticalDepth, .item = 1}}, "", 123, 1},
};
INSTANTIATE_TEST_SUITE_P(Structures, ChannelFaultText, testing::ValuesIn(kStructures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torva
