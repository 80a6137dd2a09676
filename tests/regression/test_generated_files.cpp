// The committed examples and the card list are exactly what their generators print.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../../tools/cardsdoc/cards_doc.hpp"
#include "example_run.hpp"

namespace torva::regression {
namespace {

TEST(GeneratedFiles, CardListMatchesTheKeywordTable) {
  EXPECT_EQ(slurp(fs::path(TORVA_SOURCE_DIR) / "docs/cards.md"), cards_markdown())
      << "regenerate with: build/tools/examplegen/cardsdoc > docs/cards.md";
}

TEST(GeneratedFiles, GeneratorRebuildsTheCommittedExamples) {
  const fs::path tmp = fs::temp_directory_path() /
                       ("torva_examplegen_" + std::to_string(static_cast<long>(::getpid())));
  for (const char* name : {"plane", "vcatchment", "basin"}) {
    SCOPED_TRACE(name);
    const fs::path out = tmp / name;
    const std::string cmd =
        std::string("'") + EXAMPLEGEN_BINARY + "' " + name + " --out '" + out.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const fs::path committed = fs::path(TORVA_SOURCE_DIR) / "examples" / name;
    int files = 0;
    for (const auto& e : fs::directory_iterator(out)) {
      ++files;
      const fs::path mine = committed / e.path().filename();
      ASSERT_TRUE(fs::exists(mine)) << e.path().filename() << " is not committed";
      EXPECT_TRUE(slurp(mine) == slurp(e.path())) << e.path().filename() << " differs";
    }
    EXPECT_GT(files, 2);
  }
  fs::remove_all(tmp);
}

TEST(GeneratedFiles, GeneratorRefusesBadArguments) {
  for (const char* args : {"", " river --out /tmp/x", " basin --size 3 --out /tmp/x",
                           " basin --size 12x --out /tmp/x", " basin"}) {
    const std::string cmd = std::string("'") + EXAMPLEGEN_BINARY + "'" + args + " 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0) << args;
  }
}

}  // namespace
}  // namespace torva::regression
