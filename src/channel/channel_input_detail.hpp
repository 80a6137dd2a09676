#pragma once
// Shared pieces of the channel-file passes: the file held as lines, keyword matching and the
// located fatal message.
#include <string>
#include <string_view>
#include <vector>

#include "channel/channel_input.hpp"
#include "input/line_reader.hpp"

namespace torva::chan_detail {

// The file's lines, 1-based, each already through the replacement of parameters.
struct ChanFile {
  std::string path;
  std::vector<std::string> lines{1};
  int size() const { return static_cast<int>(lines.size()) - 1; }
};

// The first token of `line`, upper-cased; `rest` gets the tokens after it.
std::string card_of(Tokens& rest);

bool iequals(std::string_view a, std::string_view b);
bool istarts_with(std::string_view s, std::string_view prefix);

// Prints where the fault stands and sets ErrorCode 4000; always false.
bool fail_at(const ChanFile& f, int line);
bool fail_plain();

// Passes after the counting pass.
bool read_link_sections(ChannelState& ch, const ChanFile& f, int from, const ChanReadOptions& opt);
bool read_tables(ChannelState& ch, const ChanFile& f, int from);
bool read_lakes(ChannelState& ch, const ChanFile& f, int from, const ChanReadOptions& opt);

// Structure type of a STRUCTTYPE name by prefix, 0 when unknown.
int structure_type_of(std::string_view name);

// A checked node number for node-level cards: 1..rows of the per-node arrays.
bool node_in_range(const ChannelState& ch, int node);

}  // namespace torva::chan_detail
