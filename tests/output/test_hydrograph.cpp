// Hydrograph lines, the location list, and the host hydrograph file read back from them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/run_context.hpp"
#include "output/hydrograph.hpp"

namespace torva {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const fs::path& p, const std::string& text) {
  std::ofstream(p) << text;
}

struct TempDir {
  fs::path dir;
  TempDir() {
    dir = fs::temp_directory_path() / ("torva_hyd_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    error_code() = ErrorCode{};
  }
  ~TempDir() {
    fs::remove_all(dir);
    error_code() = ErrorCode{};
  }
  std::string operator/(const char* name) const { return (dir / name).string(); }
};

std::string lines_of(void (*writer)(FILE*)) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&buf, &len);
  writer(fp);
  std::fclose(fp);
  std::string s(buf, len);
  std::free(buf);
  return s;
}

TEST(Hydrograph, IntervalAndSchedule) {
  EXPECT_EQ(hydrograph_interval(30.0, 5.0), 10);
  EXPECT_EQ(hydrograph_interval(10.0, 60.0), 360);
  EXPECT_EQ(hydrograph_interval(7.0, 1.0), 8);  // truncated
  int written = 0;
  for (long step = 0; step <= 40; ++step) written += hydrograph_due(step, 10) ? 1 : 0;
  EXPECT_EQ(written, 5);  // steps 0, 10, 20, 30, 40
  EXPECT_FALSE(hydrograph_due(5, 0));
}

TEST(Hydrograph, LineFormats) {
  EXPECT_EQ(
      lines_of([](FILE* f) { write_outlet_line(f, HydroClock::elapsed_minutes, 5.0, 1.23456); }),
      "    5.00     1.235\n");
  EXPECT_EQ(lines_of([](FILE* f) { write_outlet_line(f, HydroClock::julian, 2461193.5, 0.5); }),
            "2461193.50000000     0.500\n");
  EXPECT_EQ(lines_of([](FILE* f) { write_outlet_line(f, HydroClock::long_term, 2461193.5, 0.5); }),
            "2461193.50000000      0.5000\n");
  EXPECT_EQ(lines_of([](FILE* f) { write_companion_line(f, 5.0, 1.23456); }),
            "    5.00     1.234560\n");
  EXPECT_EQ(lines_of([](FILE* f) {
              const double q[2] = {0.5, 2.25};
              write_location_line(f, false, 10.0, q);
            }),
            "   10.00000000     0.500000     2.250000 \n");
}

TEST(Hydrograph, LocationListReadAndTruncated) {
  TempDir tmp;
  write_file(tmp / "ok.ihl", "2\n3 4\n5 1\n");
  std::vector<HydLocation> locs;
  std::vector<std::string> lines;
  ASSERT_TRUE(read_location_list(tmp / "ok.ihl", locs, lines));
  ASSERT_EQ(locs.size(), 2u);
  EXPECT_EQ(locs[1].link, 5);
  EXPECT_EQ(locs[1].node, 1);
  EXPECT_EQ(lines[0], "3 4");

  write_file(tmp / "short.ihl", "3\n3 4\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_location_list(tmp / "short.ihl", locs, lines));
  const std::string said = testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("End of file reached in file " + (tmp / "short.ihl") + ", exiting\n"),
            std::string::npos);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(locs.empty());

  error_code().code = 0;
  write_file(tmp / "empty.ihl", "");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_location_list(tmp / "empty.ihl", locs, lines));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 4000);

  error_code().code = 0;
  EXPECT_FALSE(read_location_list(tmp / "missing.ihl", locs, lines));
  EXPECT_EQ(error_code().code, 4);
}

TEST(Hydrograph, HostFileBreaksEveryTenValues) {
  std::vector<double> outlet;
  for (int i = 1; i <= 25; ++i) outlet.push_back(i * 0.5);
  std::string t;
  HostHeader h{20260601, 1200, 10};
  append_host_hydrograph(t, h, {}, outlet, {});
  std::istringstream in(t);
  std::string line;
  std::vector<std::string> all;
  while (std::getline(in, line)) all.push_back(line);
  ASSERT_EQ(all.size(), 9u);
  EXPECT_EQ(all[0], "TORVENA_QEX_HYDROGRAPH_FILE");
  EXPECT_EQ(all[1], "0");
  EXPECT_EQ(all[2], "20260601");
  EXPECT_EQ(all[3], "1200");
  EXPECT_EQ(all[4], "10");
  EXPECT_EQ(all[5], "25");
  EXPECT_EQ(all[6].size(), 10u * 12u - 1u);  // ten values, nine blanks between
  EXPECT_EQ(all[7].substr(0, 11), "     5.5000");
  EXPECT_EQ(all[8], "    10.5000     11.0000     11.5000     12.0000     12.5000 ");
}

TEST(Hydrograph, HostFileFromFilesReadBack) {
  TempDir tmp;
  write_file(tmp / "out.otl", "    0.00     0.000\n    5.00     1.500\n   10.00     2.250\n");
  write_file(tmp / "loc.ohl",
             "    0.00000000     0.000000     0.100000 \n"
             "    5.00000000     1.000000     0.200000 \n"
             "   10.00000000     2.000000     0.300000 \n");
  HostHeader h{20260601, 1200, 10};
  ASSERT_TRUE(
      write_host_hydrograph(tmp / "host.qhy", tmp / "out.otl", tmp / "loc.ohl", h, {"1 3", "2 5"}));
  EXPECT_EQ(read_file(tmp / "host.qhy"),
            "TORVENA_QEX_HYDROGRAPH_FILE\n2\n20260601\n1200\n10\n3\n1 3\n2 5\n"
            "     0.0000      1.5000      2.2500 \n"
            "     0.0000      1.0000      2.0000 \n"
            "     0.1000      0.2000      0.3000 ");

  testing::internal::CaptureStdout();
  EXPECT_FALSE(write_host_hydrograph(tmp / "host2.qhy", tmp / "none.otl", "", h, {}));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n\nError: Unable to open files to write the QEX hydrograph file.\n Write aborted.\n");
  EXPECT_FALSE(fs::exists(tmp / "host2.qhy"));
}

}  // namespace
}  // namespace torva
