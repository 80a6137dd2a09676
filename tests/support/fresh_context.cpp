// Every test runs in a run context of its own, as a fresh program would give it: nothing a
// test sets in its context (ErrorCode, folders, replacement values, quiet flags) reaches the
// next test, and no test has to reset it by hand.
#include <gtest/gtest.h>

#include <memory>

#include "frame/run_context.hpp"

namespace torva {
namespace {

class FreshContext : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    ctx_ = std::make_unique<RunContext>();
    scope_ = std::make_unique<ContextScope>(*ctx_);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    scope_.reset();
    ctx_.reset();
  }
  std::unique_ptr<RunContext> ctx_;
  std::unique_ptr<ContextScope> scope_;
};

const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshContext);
  return true;
}();

}  // namespace
}  // namespace torva
