#pragma once
// One garbage and truncation sweep for any file reader: it must never crash or hang, and each
// damaged file must either be read or be refused with a clear error.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/run_context.hpp"
#include "support/scratch.hpp"

namespace torva::support {

// Damaged copies of `valid`: cut at up to about 200 evenly spread points (every point of a
// short file), and `flips` copies with three bytes replaced by seeded pseudo-random bytes.
inline std::vector<std::string> damaged_copies(const std::string& valid, int flips = 60) {
  std::vector<std::string> out;
  const std::size_t step = valid.size() / 200 + 1;
  for (std::size_t cut = 0; cut < valid.size(); cut += step) out.push_back(valid.substr(0, cut));
  std::uint32_t seed = 12345u;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int k = 0; k < flips && !valid.empty(); ++k) {
    std::string bad = valid;
    for (int b = 0; b < 3; ++b) bad[(next() >> 8) % bad.size()] = static_cast<char>(next() >> 16);
    out.push_back(bad);
  }
  return out;
}

// Writes `valid` and then each damaged copy to `file` in the scratch folder and calls
// `sound(path)` for each in a fresh run context: it reads the file and returns true when the
// reader either read it or refused it with a clear error. `valid` itself must read soundly.
template <class Sound>
void reader_sweep(const Scratch& scratch, const std::string& valid, Sound sound,
                  const std::string& file = "sweep.txt") {
  std::vector<std::string> copies = damaged_copies(valid);
  copies.insert(copies.begin(), valid);
  for (std::size_t k = 0; k < copies.size(); ++k) {
    scratch.write(file, copies[k]);
    RunContext ctx;
    ContextScope scope(ctx);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = sound(scratch.path(file));
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(ok) << "damaged copy " << k << " (" << copies[k].size() << " bytes):\n"
                    << copies[k];
    EXPECT_LT(took, 5.0) << "damaged copy " << k << " took " << took << " s";
  }
}

}  // namespace torva::support
