#pragma once
// Helpers of the channel tests: a scratch folder as working directory, files written from
// text, the console captured, the ErrorCode record cleared.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "channel/channel_state.hpp"
#include "frame/run_context.hpp"

namespace torva::test {

class ChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    dir_ = std::filesystem::path(testing::TempDir()) /
           ("torva_chan_" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    clear_error();
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    clear_error();
  }
  static void clear_error() { error_code() = ErrorCode{}; }
  static void write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::filesystem::path dir_, old_;
};

// A ChannelState of `links` links with `nodes` computational nodes each, arrays sized.
inline void make_network(ChannelState& ch, int links, int nodes, int linktype) {
  ch.links = links;
  ch.maxnodes = nodes + 1;
  for (Array1<int>* a : {&ch.linktype, &ch.nodes, &ch.node_points}) a->allocate(links);
  for (Array1<double>* a : {&ch.dx, &ch.inv_n, &ch.mannings_n}) a->allocate(links);
  for (Array2<double>* a : {&ch.bel, &ch.yp, &ch.qp, &ch.chan_depth, &ch.area, &ch.conv, &ch.dconv,
                            &ch.topw, &ch.bottom, &ch.sslope, &ch.sslope2, &ch.bankfull_dep})
    a->allocate(nodes + 1, links);
  ch.node_table.allocate(nodes + 1, links);
  for (int l = 1; l <= links; ++l) {
    ch.linktype[l] = linktype;
    ch.nodes[l] = nodes;
    ch.node_points[l] = nodes + 1;
    ch.dx[l] = 10.0;
    ch.mannings_n[l] = 0.04;
    ch.inv_n[l] = 25.0;
  }
}

}  // namespace torva::test
