// A whole run whose project file uses replacement parameters: the value list at start-up
// and the use report at the end of initialisation.
#include <gtest/gtest.h>

#include "frame/run_context.hpp"
#include "model/driver.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

class ReplaceRunTest : public testing_support::ProcessTest {};

TEST_F(ReplaceRunTest, ReportsComeInStartUpOrder) {
  const std::string params = write_file("run_params.txt", "2\n[DT] \"%d\"\n[UNUSED] %4.2lf\n");
  const std::string values = write_file("run_values.txt", "60 1.5\n30 2.5\n");
  const std::string grid = "north: 10\nsouth: 0\neast: 10\nwest: 0\nrows: 1\ncols: 1\n";
  const std::string mask = write_file("run_mask.asc", grid + "1\n");
  const std::string elev = write_file("run_elev.asc", grid + "5.0\n");
  const std::string prj =
      write_file("run.prj",
                 "TORVAPROJECT\nGRIDSIZE 10\nROWS 1\nCOLS 1\nOUTROW 1\nOUTCOL 1\nMANNING_N 0.03\n"
                 "PRECIP_UNIF\nRAIN_INTENSITY 10\nRAIN_DURATION 1\nSTART_DATE 2000 1 1\nSTART_TIME "
                 "0 0\nWATERSHED_MASK \"" +
                     mask + "\"\nELEVATION \"" + elev + "\"\nREPLACE_LINE 2\nREPLACE_PARAMS \"" +
                     params + "\"\nREPLACE_VALS \"" + values +
                     "\"\nTIMESTEP [DT]\nTOT_TIME 2\nOUTSLOPE 0.01\nHYD_FREQ 1\nMAP_FREQ 1\n");
  ::testing::internal::CaptureStdout();
  const int code = run_simulation(run_context(), prj);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(code, 0) << out;
  const auto list = out.find(
      "\nUsing replacement values:\n [DT]           = 30\n"
      " [UNUSED]       = 2.50\n\n");
  const auto use = out.find(
      "\nTotal times a value was replaced: 1\n\n\nWas replacement value used?:\n"
      " [DT]           = Yes\n [UNUSED]       = No\n\n");
  const auto init = out.find("total time to init(s)");
  ASSERT_NE(list, std::string::npos) << out;
  ASSERT_NE(use, std::string::npos) << out;
  EXPECT_LT(list, use);
  EXPECT_LT(use, init);
}

}  // namespace
}  // namespace torva
