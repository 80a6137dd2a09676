// Map writers: exact formats, the dataset series and the map stage.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <sstream>
#include <utility>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "output/map_writer.hpp"
#include "output/output_stages.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

class MapWriterTest : public support::ScratchTest<> {
 protected:
  // 2 x 3 rectangle; (1,1) outside: cells 1..5.
  void SetUp() override {
    mask.allocate(3, 4);
    int n = 0;
    for (int r = 1; r <= 2; ++r)
      for (int c = 1; c <= 3; ++c)
        if (!(r == 1 && c == 1)) mask(r, c) = ++n;
  }
  // What `fn` writes to a file opened for it.
  std::string write_with(const std::function<void(std::FILE*)>& fn) {
    FileHandle f;
    EXPECT_TRUE(f.open("out.asc", "w"));
    fn(f.fp);
    f.close();
    return read("out.asc");
  }
  Array2<int> mask{"mask"};
  MapFrame frame{200.0, 0.0, 1300.0, 1000.0, 2, 3};
  std::vector<double> values = {0.0, 1.5, -0.25, 3.125, 1e-6, 123456.789012};
};

// Each writer's exact text: the raster with its header, the column-count raster (outside
// cell NODATA, four decimals), the mask of cell numbers, a text dataset frame.
TEST_F(MapWriterTest, WritersGiveTheExactText) {
  const std::pair<std::function<void(std::FILE*)>, std::string> cases[] = {
      {[&](std::FILE* f) { write_grid_grass(f, mask, frame, values); },
       "north:    200.00\nsouth:      0.00\neast:   1300.00\nwest:   1000.00\nrows:     2\n"
       "cols:     3\n0.000000 1.500000 -0.250000 \n3.125000 0.000001 123456.789012 \n"},
      {[&](std::FILE* f) { write_grid_arc(f, mask, frame, values, 100.0); },
       "ncols \t3\nnrows \t2\nxllcenter   1050.00\nyllcenter     50.00\n"
       "cellsize    100.00\nNODATA_value -9999.99\n"
       "-9999.9999 1.5000 -0.2500 \n3.1250 0.0000 123456.7890 \n"},
      {[&](std::FILE* f) { write_mask_grass(f, mask, frame); },
       "north:    200.00\nsouth:      0.00\neast:   1300.00\nwest:   1000.00\nrows:     2\n"
       "cols:     3\n0 1 2 \n3 4 5 \n"},
  };
  for (const auto& [writer, text] : cases) EXPECT_EQ(write_with(writer), text);
  DatasetSeries ds;
  ASSERT_TRUE(open_dataset(ds, "depth.dat", false, 1, 2, 3, "depth"));
  write_dataset_frame(ds, mask, 2, 3, values, 30.0);
  close_dataset(ds);
  EXPECT_EQ(read("depth.dat"),
            "DATASET\nOBJTYPE grid2d\nBEGSCL\nOBJID 1\nND 6\nNC 6\nNAME depth\n"
            "TS 1 30.000000\n0\n1\n1\n1\n1\n1\n"
            "0.000000\n1.500000\n-0.250000\n3.125000\n0.000001\n123456.789012\nENDDS\n");
  EXPECT_EQ(instant_map_name("gwrechargecum", 12345), "gwrechargecum.12345.asc");
}

TEST_F(MapWriterTest, BinaryDatasetFrameLayout) {
  DatasetSeries ds;
  ASSERT_TRUE(open_dataset(ds, "depth.bin", true, 3, 2, 3, "discharge"));
  write_dataset_frame(ds, mask, 2, 3, values, 2.5);
  close_dataset(ds);
  // The header lines, then the frame card 200, one scalar, the time, a status per cell and
  // the values, in native binary; no ENDDS.
  std::string expected = "DATASET\nOBJTYPE grid2d\nBEGSCL\nOBJID 3\nND 6\nNC 6\nNAME discharge\n";
  auto put = [&expected](auto x) { expected.append(reinterpret_cast<const char*>(&x), sizeof x); };
  put(std::int32_t{200});
  put(std::int16_t{1});
  put(2.5);
  for (std::int16_t status : {0, 1, 1, 1, 1, 1}) put(status);
  for (double v : values) put(v);
  EXPECT_EQ(read("depth.bin"), expected);
}

class MapInstantTest : public MapWriterTest {
 protected:
  void SetUp() override {
    MapWriterTest::SetUp();
    s = std::make_unique<ModelState>();
    GridState& g = s->grid;
    g.rows = 2;
    g.cols = 3;
    g.dx = 100.0;
    g.north = 200.0;
    g.east = 300.0;
    g.mask.allocate(3, 4);
    for (int r = 0; r <= 3; ++r)
      for (int c = 0; c <= 4; ++c) g.mask(r, c) = mask(r, c);
    s->settings.output.depth = "depth.dat";
    s->settings.output.depth_given = true;
    v[1] = values;
  }
  std::unique_ptr<ModelState> s;
  std::array<std::span<const double>, kMapResults + 1> v{};
};

// A text series collects the instants and ends with one ENDDS, closed by the closing stage
// or, when the run stops early, by the state going away.
TEST_F(MapInstantTest, TextSeriesCollectsInstantsAndEndsWithEndds) {
  for (bool closed : {true, false}) {
    SCOPED_TRACE(closed);
    SetUp();
    s->settings.output.map_type = 1;
    for (double minutes : {60.0, 120.0}) {
      s->clock.elapsed_minutes = minutes;
      write_map_instant(*s, v);
    }
    if (closed) close_map_output(*s);
    s.reset();
    const std::string text = read("depth.dat");
    EXPECT_NE(text.find("TS 1 120.000000\n"), std::string::npos);
    EXPECT_EQ(text.find("ENDDS"), text.size() - 6);
  }
}

TEST_F(MapInstantTest, UnopenableFiles) {
  s->settings.output.map_type = 1;
  s->settings.output.depth = "no/such/dir/depth.dat";
  write_map_instant(*s, v);
  EXPECT_EQ(error_code().code, 59);
  EXPECT_EQ(error_code().file, "no/such/dir/depth.dat");
}

TEST_F(MapInstantTest, StageWritesOnTheMapInterval) {
  s->run.map_steps = 2;
  for (long step = 0; step <= 5; ++step) {
    s->clock.step = step;
    stage_map_output(*s);
  }
  EXPECT_EQ(s->map_output.instant, 2);  // steps 2 and 4
}

}  // namespace
}  // namespace torva
