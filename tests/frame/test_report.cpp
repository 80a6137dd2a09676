#include <gtest/gtest.h>

#include <string>

#include "frame/report.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

std::string report_output(ErrorCode& e) {
  testing::internal::CaptureStdout();
  report(e);
  return testing::internal::GetCapturedStdout();
}

TEST(Report, WarningsPrintAndLeaveStopClear) {
  for (int code : {14, 16, 17, 39, 41, 55, 95, 96}) {
    ErrorCode e;
    e.code = code;
    const std::string out = report_output(e);
    EXPECT_EQ(e.stop, 0) << code;
    EXPECT_EQ(e.code, 0) << code;
    EXPECT_EQ(e.stopping_code, 0) << code;
    EXPECT_GT(out.size(), 1u) << code;
    EXPECT_EQ(out[0], '\n') << code;
  }
  ErrorCode e;
  e.code = 55;
  EXPECT_EQ(report_output(e),
            "\nWarning: Write hydrograph time step not specified, defaulting to 1 hour.\n");
}

TEST(Report, CodesWithoutMessageStopAfterANewline) {
  for (int code : {129, 136, 4000}) {
    ErrorCode e;
    e.code = code;
    EXPECT_EQ(report_output(e), "\n") << code;
    EXPECT_EQ(e.stop, 1);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(e.stopping_code, code);
  }
}

TEST(Report, ZeroAndNegativeCodesPrintNothing) {
  for (int code : {0, -3}) {
    ErrorCode e;
    e.code = code;
    EXPECT_EQ(report_output(e), "");
    EXPECT_EQ(e.stop, 0);
    EXPECT_EQ(e.code, 0);
  }
}

TEST(Report, FieldsAreInsertedAndTheFirstStoppingCodeIsKept) {
  ErrorCode e;
  e.code = 4;
  e.what = "watershed mask";
  e.file = "mask.asc";
  EXPECT_EQ(report_output(e), "\nError: Unable to open watershed mask file.\n  (File: mask.asc)\n");
  EXPECT_EQ(e.stop, 1);
  e.code = 71;
  e.file = "soil.idx";
  e.number1 = 3;
  e.number2 = 7;
  EXPECT_EQ(report_output(e), "\nIndex ID exceeds table limit, file: soil.idx [row 3:col 7]\n");
  EXPECT_EQ(e.stopping_code, 4);
}

TEST(Report, EveryCodeUpTo135ButOneHasAMessage) {
  ErrorCode e;
  int missing = 0;
  for (int code = 1; code <= 135; ++code) {
    const std::string m = error_message(code, e);
    if (m.empty()) {
      ++missing;
      EXPECT_EQ(code, 129);
    }
  }
  EXPECT_EQ(missing, 1);
  EXPECT_EQ(error_message(3, e), "Error: The specified project file was not found.\n");
  EXPECT_EQ(error_message(54, ErrorCode{0, 0, 7, 0, "", "", nullptr, 0}),
            "Error: The time step (7) must be evenly divisible into 60 seconds.\n");
}

}  // namespace
}  // namespace torva
