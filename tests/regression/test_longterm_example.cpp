// examples/longterm: five weeks of hourly weather and four storms through the real driver.
// Evapotranspiration is not simulated yet, so the run takes a stand-in hourly ET of no demand
// (the program itself stops such a run with code 9).  TORVA_REGEN_LONGTERM=1 rewrites the
// references (tools/regen_references.sh does).
#include <gtest/gtest.h>

#include <cstdlib>

#include "compare.hpp"
#include "example_run.hpp"
#include "frame/run_context.hpp"
#include "model/driver.hpp"
#include "model/model_state.hpp"

namespace torva::regression {
namespace {

void no_et(ModelState& s) {
  s.hmet.pet_rate.fill(0.0);
}

struct Variant {
  const char* project;
  const char* summary;
  const char* outlet;
  int events;
  const char* end;  // how the console says the run ended
};

TEST(LongTermExample, RunsToItsEndAndMatchesTheReferences) {
  const Variant variants[] = {
      {"longterm.prj", "summary.txt", "outlet.hyd", 4,
       "simulation ended normally; end of data for last event reached\n"},
      {"longterm_short.prj", "summary_short.txt", "outlet_short.hyd", 2,
       "End of meteorology data reached.  TORVA terminated\n"},
  };
  const fs::path ref = fs::path(TORVA_SOURCE_DIR) / "tests/regression/reference/longterm";
  const bool regen = std::getenv("TORVA_REGEN_LONGTERM") != nullptr;
  ExampleRun r = copy_example("longterm", "longterm");
  const fs::path here = fs::current_path();
  fs::current_path(r.dir);
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.project);
    RunContext ctx;
    RunHooks hooks;
    hooks.hourly_et = no_et;
    ::testing::internal::CaptureStdout();
    const int code = run_simulation(ctx, v.project, nullptr, &hooks);
    const std::string console = ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(code, 0) << console.substr(console.size() - std::min<size_t>(3000, console.size()));
    EXPECT_NE(console.find(v.end), std::string::npos);
    const std::string summary = r.file(v.summary);
    // The event summaries in order, and the whole run's balance.
    std::size_t at = 0;
    for (int e = 1; e <= v.events; ++e) {
      at = summary.find("SIMULATION SUMMARY- EVENT " + std::to_string(e) + "\n", at);
      ASSERT_NE(at, std::string::npos) << "event " << e;
    }
    EXPECT_LT(std::fabs(value_after(summary, "Overall mass balance error =")), 1e-6);
    for (const char* file : {v.summary, v.outlet}) {
      if (regen) {
        fs::create_directories(ref);
        fs::copy_file(r.dir / file, ref / file, fs::copy_options::overwrite_existing);
      }
      EXPECT_EQ(difference(r.file(file), slurp(ref / file), 1e-6), "") << file;
    }
  }
  fs::current_path(here);
}

}  // namespace
}  // namespace torva::regression
