// Time and elevation series: file formats, prefix lookup, interpolation and the shift of
// relative series.
#include <gtest/gtest.h>

#include "frame/clock.hpp"
#include "frame/run_context.hpp"
#include "input/series.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

class SeriesTest : public testing_support::ProcessTest {
 protected:
  std::string read_ts(const std::string& text) {
    const std::string path = write_file("series.ts", text);
    ::testing::internal::CaptureStdout();
    read_time_series_file(path, store);
    return ::testing::internal::GetCapturedStdout();
  }
  SeriesStore store;
};

const char* kTwoSeries =
    "some header text\n not TORVA_TS: keywords count only at the start of a line\n"
    "TORVA_TS\n  \"pump_1\"  \nABSOLUTE\n2020 6 1 12 0 1.0\n2020 6 1 13 0 3.0\nEND_TS\n"
    "between\nTORVA_TS\npump\nRELATIVE\n0 0 1 0 0 10.0\n0 0 1 1 0 20.0\nEND_TS\n";

TEST_F(SeriesTest, ReadsEverySeriesAndCountsThem) {
  const std::string path = write_file("series.ts", kTwoSeries);
  ::testing::internal::CaptureStdout();
  read_time_series_file(path, store);
  const std::string out = ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(store.time_series.size(), 2u);
  EXPECT_NE(out.find("2 time series read from file " + path + "\n"), std::string::npos);
  EXPECT_NE(out.find("Read time series pump_1\n"), std::string::npos);
}

TEST_F(SeriesTest, TwoSeriesAfterLeadingText) {
  read_ts("header\nTORVA_TS\na\nABSOLUTE\n2020 1 1 0 0 1\nEND_TS\nTORVA_TS\nb\nABSOLUTE\nEND_TS\n");
  ASSERT_EQ(store.time_series.size(), 2u);
  EXPECT_EQ(store.time_series[1].count(), 0);
}

TEST_F(SeriesTest, AbsoluteInterpolationAndEnds) {
  read_ts(kTwoSeries);
  TimeSeries* ts = find_time_series(store, "pump_1");
  ASSERT_NE(ts, nullptr);
  const double noon = julian_date(2020, 6, 1, 12, 0, 0.0);
  const double hour = 1.0 / 24.0;
  EXPECT_NEAR(time_series_value(ts, noon + hour / 2), 2.0, 1e-6);
  EXPECT_DOUBLE_EQ(time_series_value(ts, noon - hour), 1.0);
  EXPECT_DOUBLE_EQ(time_series_value(ts, noon + 2 * hour), 3.0);
  EXPECT_NEAR(time_series_value(ts, noon + hour / 4), 1.5, 1e-6);  // search restarts at 0
}

TEST_F(SeriesTest, PrefixLookupTakesTheFirstMatch) {
  read_ts(kTwoSeries);
  EXPECT_EQ(find_time_series(store, "pump"), find_time_series(store, "pump_1"));
  EXPECT_EQ(find_time_series(store, "PUMP"), nullptr);
  EXPECT_EQ(find_time_series(store, "pump_2"), nullptr);
}

TEST_F(SeriesTest, RelativeSeriesShiftOncePerRun) {
  read_ts(kTwoSeries);
  TimeSeries& rel = store.time_series.back();
  ASSERT_TRUE(rel.relative);
  const double offset0 = rel.times[0];
  const double start = julian_date(2021, 3, 4, 5, 0, 0.0);
  shift_relative_series(store, start);
  shift_relative_series(store, start);
  EXPECT_DOUBLE_EQ(rel.times[0], start + offset0);
  EXPECT_DOUBLE_EQ(time_series_value(&rel, start + offset0), 10.0);
  EXPECT_NEAR(time_series_value(&rel, start + offset0 + 0.5 / 24.0), 15.0, 1e-6);
}

TEST_F(SeriesTest, MissingOrEmptySeriesStopsTheRun) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(time_series_value(nullptr, 0.0), 0.0);
  EXPECT_TRUE(::testing::internal::GetCapturedStdout().starts_with(
      "Error: attempting to extract a value from a time series that does not exist.\n"));
  EXPECT_EQ(error_code().stop, 1);
  run_context() = RunContext{};  // each case as in a fresh program
  TimeSeries empty;
  empty.name = "dry";
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(time_series_value(&empty, 0.0), 0.0);
  EXPECT_TRUE(::testing::internal::GetCapturedStdout().starts_with(
      "Error: attempting to extract a value from a time series [dry] with no entries.\n"));
  EXPECT_EQ(error_code().stop, 1);
}

TEST_F(SeriesTest, ByIndex) {
  read_ts(kTwoSeries);
  add_time_series_index(store, 7, find_time_series(store, "pump_1"));
  EXPECT_DOUBLE_EQ(time_series_value_by_index(store, 7, 0.0), 1.0);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(time_series_value_by_index(store, 8, 0.0), 0.0);
  EXPECT_NE(::testing::internal::GetCapturedStdout().find("time series index is 8, but the \n"),
            std::string::npos);
  EXPECT_EQ(error_code().stop, 1);
}

TEST_F(SeriesTest, MissingFileLeavesTheStore) {
  EXPECT_EQ(read_ts(""),
            "0 time series read from file " + testing_support::scratch_path("series.ts") + "\n");
  ::testing::internal::CaptureStdout();
  read_time_series_file("/nonexistent/x.ts", store);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Time series file not found [/nonexistent/x.ts]\n");
  EXPECT_TRUE(store.time_series.empty());
}

TEST_F(SeriesTest, ElevationInterpolatedAndStepped) {
  const std::string path = write_file(
      "series.es",
      "TORVA_ES\nrating\n10.0 1.0\n20.0 5.0\n30.0 6.0\nEND_ES\nTORVA_ES\nrule\n1 2\nEND_ES\n");
  ::testing::internal::CaptureStdout();
  read_elevation_series_file(path, store);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "2 elevation series read from file " + path + "\n");
  const ElevationSeries* es = find_elevation_series(store, "rat");
  ASSERT_NE(es, nullptr);
  EXPECT_DOUBLE_EQ(elevation_series_value(es, 15.0), 3.0);
  EXPECT_DOUBLE_EQ(elevation_series_step_value(es, 15.0), 1.0);
  EXPECT_DOUBLE_EQ(elevation_series_step_value(es, 20.0), 5.0);
  EXPECT_DOUBLE_EQ(elevation_series_value(es, 5.0), 1.0);
  EXPECT_DOUBLE_EQ(elevation_series_step_value(es, 99.0), 6.0);
  EXPECT_DOUBLE_EQ(elevation_series_value(find_elevation_series(store, "rule"), 0.0), 2.0);
}

TEST_F(SeriesTest, BadDataLinesAreCountedAndNamed) {
  const std::string out = read_ts("TORVA_TS\nx\nABSOLUTE\n2020 1 1 junk\n");
  ASSERT_EQ(store.time_series.size(), 1u);
  EXPECT_EQ(store.time_series[0].count(), 1);
  EXPECT_NE(out.find("line 4 of the time series file"), std::string::npos);
  EXPECT_NE(out.find("has no END_TS line"), std::string::npos);
}

}  // namespace
}  // namespace torva
