// The channel input file: header, connectivity scan, counting pass, allocation and the
// values derived once all link sections are read.
#include "channel/channel_input.hpp"

#include <algorithm>
#include <cctype>

#include "channel/channel_input_detail.hpp"
#include "channel/stream_tables.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace chan_detail {

std::string card_of(Tokens& rest) {
  std::string word;
  rest.text(word);
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool istarts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

bool fail_plain() {
  set_error(4000);
  return false;
}

bool fail_at(const ChanFile& f, int line) {
  say("  (channel input file %s, line %d)\n", f.path.c_str(), line);
  return fail_plain();
}

bool node_in_range(const ChannelState& ch, int node) {
  return node >= 1 && node <= ch.bel.rows();
}

int structure_type_of(std::string_view name) {
  static const char* const prefixes[] = {
      "weir",         "sag_weir",     "round_culvert",     "oval_culvert",
      "rect_culvert", "rating_curve", "scheduled_release", "rule_curve"};
  for (int i = 0; i < 8; ++i)
    if (istarts_with(name, prefixes[i])) return i + 1;
  return 0;
}

}  // namespace chan_detail

namespace {

using namespace chan_detail;

// Sane bounds on the sizes read from the file, checked before anything is allocated.
constexpr int kMaxLinks = 1000000;
constexpr int kMaxNodesPerLink = 100000;
constexpr long kMaxNodeSlots = 5000000;  // per-node array slots: about 40 MB per array

int linktype_card(const std::string& c) {
  if (c == "TRAPEZOID") return 4;
  if (c == "TRAPEZOID_SUBSURFACE" || c == "SUBSURFACE_TRAPEZOID") return 5;
  if (c == "TRAP_ERODE" || c == "TRAPEZOID_ERODE") return 6;
  if (c == "TRAPEZOID_SUBSURFACE_ERODE" || c == "TRAPEZOID_ERODE_SUBSURFACE" ||
      c == "SUBSURFACE_TRAP_ERODE")
    return 7;
  if (c == "BREAKPOINT") return 8;
  if (c == "SUBSURFACE_BREAKPOINT" || c == "BREAKPOINT_SUBSURFACE") return 9;
  if (c == "BREAK_ERODE" || c == "BREAKPOINT_ERODE") return 10;
  if (c == "BREAKPOINT_SUBSURFACE_ERODE" || c == "BREAKPOINT_ERODE_SUBSURFACE") return 11;
  if (c == "LAKE") return kLinkLake;
  if (c == "STRUCTURE") return kLinkStructure;
  return 0;
}

bool load_lines(ChanFile& f, const std::string& path) {
  LineReader r;
  if (!r.open(path)) {
    set_error(4, 0, 0, "channel input", path);
    return false;
  }
  f.path = path;
  std::string line;
  while (r.next(line)) f.lines.push_back(line);
  r.close();
  return true;
}

// Step 1: the five header cards; returns the line of the last one, 0 when incomplete.
int read_header(ChannelState& ch, const ChanFile& f) {
  int found = 0;
  for (int i = 2; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    const std::string c = card_of(t);
    if (c == "ALPHA") {
      t.number(ch.alpha);
    } else if (c == "BETA") {
      t.number(ch.beta);
    } else if (c == "THETA") {
      t.number(ch.theta);
    } else if (c == "LINKS") {
      t.integer(ch.links);
    } else if (c == "MAXNODES") {
      t.integer(ch.maxnodes);
    } else {
      continue;
    }
    if (++found == 5) return i;
  }
  say("Premature end-of-file in the channel input file.\n");
  say("The channel input file does not contain all the required parameter cards.\n");
  say("These include: ALPHA, BETA, THETA, DX, LINKS, and MAXNODES.\n");
  say("Repair your channel input file and try again.  These cards must appear at\n");
  say("The beginning of the file before and COORD or LINK cards.\n");
  say("Program terminated in read_chan_input.\n");
  return 0;
}

bool allocate_links(ChannelState& ch) {
  const long n = ch.links;
  bool ok = true;
  for (Array1<int>* a :
       {&ch.linktype, &ch.node_points, &ch.nodes, &ch.link_id, &ch.ds_link, &ch.num_us,
        &ch.num_tables, &ch.first_table_node, &ch.last_table_node, &ch.erode_table, &ch.has_k_river,
        &ch.num_structs, &ch.first_struct, &ch.last_struct})
    ok = a->allocate(n) && ok;
  for (Array1<double>* a : {&ch.dx, &ch.mannings_n, &ch.inv_n, &ch.k_river, &ch.m_river,
                            &ch.link_dispersion, &ch.link_decay, &ch.link_max_eros})
    ok = a->allocate(n) && ok;
  ok = ch.uslinks.allocate(kMaxUpstreamLinks, n) && ok;
  return ok;
}

bool allocate_nodes(ChannelState& ch, bool with_qriv) {
  // Structures always hold two nodes, whatever MAXNODES says.
  const long rows = std::max(ch.maxnodes, 2);
  const long n = ch.links;
  bool ok = true;
  for (Array2<double>* a :
       {&ch.node_elev, &ch.bel,        &ch.lnx,        &ch.lny,  &ch.bottom,   &ch.bankfull_dep,
        &ch.sslope,    &ch.sslope2,    &ch.max_eros,   &ch.yp,   &ch.qp,       &ch.Fr,
        &ch.qp_vol,    &ch.qp_vol_sed, &ch.chan_depth, &ch.area, &ch.area_old, &ch.conv,
        &ch.dconv,     &ch.stdummy,    &ch.topw,       &ch.qlat, &ch.con_vect, &ch.yp_max_flood})
    ok = a->allocate(rows, n) && ok;
  for (Array2<int>* a :
       {&ch.got_xsec, &ch.table_num, &ch.node_table, &ch.point_source, &ch.node_cell})
    ok = a->allocate(rows, n) && ok;
  if (with_qriv) ok = ch.qriv.allocate(rows, n) && ok;
  return ok;
}

struct Counts {
  std::vector<int> kind;  // provisional link types of the counting pass
  int connects = 0;
  int numstructs_sum = 0;
  int struct_cards = 0;
  int lakes = 0;
  int interp_cards = 0;
};

bool whoa(int count) {
  say("Whoa there pardner!  You mean to tell me that you have more than 20\n");
  say("upstream links flowing into a single junction?  I don't think so.\n");
  say("The maximum number of upstream links that TORVA can handle at one\n");
  say("junction is 20.  The number of upstream links specified for a junction\n");
  say("in the read_chan_input subroutine was equal to %d, which is, frankly, a\n", count);
  say("ridiculous number.  Check your channel input file, correct it, and try\n");
  say("again.  Program terminated.  This is a completely, totally, utterly\n");
  say("reediculous number.  Fifteen yard penalty from the spot of the foul.\n");
  return false;
}

bool link_in_range(const ChannelState& ch, const ChanFile& f, int i, int link) {
  if (link >= 1 && link <= ch.links) return true;
  say("Error: link number %d is outside 1..%d.\n", link, ch.links);
  return fail_at(f, i);
}

// Step 2.
bool counting_pass(ChannelState& ch, const ChanFile& f, int from, Counts& n) {
  n.kind.assign(ch.links + 1, 0);
  int link = 0;
  for (int i = from; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    const std::string c = card_of(t);
    if (c.empty()) continue;
    if (c == "CONNECT") {
      ++n.connects;
      int l = 0, ds = 0, us = 0;
      t.integer(l);
      t.integer(ds);
      t.integer(us);
      if (us > kMaxUpstreamLinks) {
        whoa(us);
        return fail_at(f, i);
      }
      ch.max_us = std::max(ch.max_us, us);
      continue;
    }
    if (c == "LINK") {
      t.integer(link);
      if (!link_in_range(ch, f, i, link)) return false;
      continue;
    }
    if (c == "STRUCTTYPE") {
      std::string name;
      t.text(name);
      if (structure_type_of(name)) ++n.struct_cards;
      continue;
    }
    if (c == "NUM_INTERP") {
      int m = 0;
      t.integer(m);
      ++n.interp_cards;
      ch.max_interp = std::max(ch.max_interp, m);
      continue;
    }
    if (link == 0) continue;
    if (const int lt = linktype_card(c)) {
      n.kind[link] = lt;
      if (lt == kLinkLake) ++n.lakes;
    } else if (c == "ERODE" || c == "ERODIBLE") {
      n.kind[link] |= kLinkErodible;
    } else if (c == "SUBSURFACE") {
      n.kind[link] |= kLinkSubsurface;
    } else if (c == "DX") {
      t.number(ch.dx[link]);
    } else if (c == "NODES") {
      int v = 0;
      t.integer(v);
      if (v < 1 || v > ch.maxnodes) {
        say("Error: link %d has NODES %d; it must lie in 1..MAXNODES (%d).\n", link, v,
            ch.maxnodes);
        return fail_at(f, i);
      }
      ch.node_points[link] = v;
    } else if (c == "MANNINGS_N") {
      t.number(ch.mannings_n[link]);
      if (!(ch.mannings_n[link] >= 1e-8)) {  // also refuses a value that is not a number
        say("Error encountered when reading the channel input file, link %d:\n", link);
        say("    Manning's Roughness is 0.000\n");
        return fail_at(f, i);
      }
    } else if (c == "MAX_EROSION") {
      t.number(ch.link_max_eros[link]);
    } else if (c == "GW_BED_CONDUCTIVITY" || c == "K_RIVER") {
      t.number(ch.k_river[link]);
      if (!ch.has_k_river[link]) ++ch.num_gw_links;
      ch.has_k_river[link] = 1;
    } else if (c == "GW_BED_THICKNESS" || c == "M_RIVER") {
      t.number(ch.m_river[link]);
    } else if (c == "NPAIRS") {
      int p = 0;
      t.integer(p);
      ++ch.num_tables[link];
      ch.max_pairs = std::max(ch.max_pairs, p);
    } else if (c == "NUMSTRUCTS") {
      int v = 0;
      t.integer(v);
      ch.num_structs[link] = v;
      n.numstructs_sum += v;
    }
  }
  if (n.numstructs_sum != n.struct_cards) {
    say("\nThe sum of NUMSTRUCTS arguments is %d, while the total number\n", n.numstructs_sum);
    say("of hydraulic structure element cards (e.g. WEIR, ROUND_CULVERT,\n");
    say("etc.) is %d.  This inconstency is intolerable.  Check your channel\n", n.struct_cards);
    say("input file.  Program terminated.\n");
    return fail_plain();
  }
  if (n.connects != ch.links) {
    say("Your channel input file contains %d links, and %d CONNECT cards\n", ch.links, n.connects);
    say("These two numbers must be equal.  Therefore, you have a major \n");
    say("problem with your channel input file.  TORVA cannot proceed.\n");
    say("Fifteen yard penalty from the line of scrimmage.\n");
    say("program terminated.\n");
    return fail_plain();
  }
  for (int l = 1; l <= ch.links; ++l) {
    const int k = n.kind[l];
    if (k & kLinkTrapezoid) {
      ++ch.num_trap;
      if (k & kLinkSubsurface) ++ch.num_trap_sub;
      if (k & kLinkErodible) ++ch.num_trap_erode;
    } else if (k & kLinkBreakpoint) {
      ++ch.num_bp;
      if (k & kLinkSubsurface) ++ch.num_bp_sub;
      if (k & kLinkErodible) ++ch.num_bp_erode;
      ch.max_bp_tables = std::max(ch.max_bp_tables, ch.num_tables[l]);
    } else if (k & kLinkLake) {
      ++ch.num_lake_links;
    } else if (k & kLinkStructure) {
      ++ch.num_struct_links;
    }
  }
  ch.num_struct_elements = n.struct_cards;
  return true;
}

// Step 4: the nodes that carry a table, and each link's first and last table node.
void mark_tables(ChannelState& ch, const ChanFile& f, int from) {
  int link = 0, node = 0;
  std::vector<int> seen(ch.links + 1, 0);
  for (int i = from; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    const std::string c = card_of(t);
    if (c == "LINK") {
      t.integer(link);
      node = 0;
    } else if (c == "NODE") {
      t.integer(node);
    } else if (c == "NPAIRS" && link >= 1 && link <= ch.links && node_in_range(ch, node)) {
      ch.table_num(node, link) = 1;
      if (++seen[link] == 1) ch.first_table_node[link] = node;
      if (seen[link] == ch.num_tables[link]) ch.last_table_node[link] = node;
    }
  }
}

// Step 5a: the CONNECT cards from the top; returns the line of the last one, 0 on failure.
int read_connect(ChannelState& ch, const ChanFile& f) {
  int found = 0;
  for (int i = 2; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    if (card_of(t) != "CONNECT") continue;
    int l = 0, ds = 0, us = 0;
    t.integer(l);
    t.integer(ds);
    t.integer(us);
    if (!link_in_range(ch, f, i, l)) return 0;
    if (ds < 0 || ds > ch.links) {
      say("Error: downstream link %d of link %d is outside 0..%d.\n", ds, l, ch.links);
      fail_at(f, i);
      return 0;
    }
    if (us < 0 || us > kMaxUpstreamLinks) {
      if (us > kMaxUpstreamLinks)
        whoa(us);
      else
        say("Error: link %d has a negative number of upstream links.\n", l);
      fail_at(f, i);
      return 0;
    }
    ch.ds_link[l] = ds;
    ch.num_us[l] = us;
    for (int k = 1; k <= us; ++k) {
      int u = 0;
      t.integer(u);
      if (!link_in_range(ch, f, i, u)) return 0;
      ch.uslinks(k, l) = u;
    }
    if (++found == ch.links) return i;
  }
  say("Premature end-of-file in the channel input file.\n");
  say("While searching for %d CONNECT cards\n", ch.links);
  say("Program terminated in read_chan_input.\n");
  fail_plain();
  return 0;
}

// Step 6.
void river_bed(ChannelState& ch, const ChanReadOptions& opt) {
  const bool own = ch.num_gw_links > 0;
  if (!own && !opt.stream_loss) return;
  const long rows = ch.bel.rows();
  ch.Krb.allocate(rows, ch.links);
  ch.Mrb.allocate(rows, ch.links);
  for (int l = 1; l <= ch.links; ++l)
    for (int k = 1; k <= rows; ++k) {
      ch.Krb(k, l) = own ? ch.k_river[l] : opt.k_river;
      ch.Mrb(k, l) = own ? ch.m_river[l] : opt.m_river;
    }
}

// Step 7: every node point of a trapezoidal link takes the last XSEC values.
bool trapezoid_nodes(ChannelState& ch) {
  for (int l = 1; l <= ch.links; ++l) {
    if (ch.mannings_n[l] > 0.0) ch.inv_n[l] = 1.0 / ch.mannings_n[l];
    if (!(ch.linktype[l] & kLinkTrapezoid)) continue;
    int src = 0;
    for (int k = 1; k <= ch.bel.rows(); ++k)
      if (ch.got_xsec(k, l)) src = k;
    if (!src) {
      say("Error: Cross section parameters not found for link %d.\n", l);
      return fail_plain();
    }
    for (int k = 1; k <= ch.node_points[l]; ++k) {
      ch.bottom(k, l) = ch.bottom(src, l);
      ch.bankfull_dep(k, l) = ch.bankfull_dep(src, l);
      ch.sslope(k, l) = ch.sslope(src, l);
      if (ch.linktype[l] & kLinkErodible) ch.max_eros(k, l) = ch.max_eros(src, l);
    }
  }
  return true;
}

void node_counts(ChannelState& ch) {
  for (int l = 1; l <= ch.links; ++l) {
    if (ch.linktype[l] & kLinkStructure) ch.node_points[l] = 2;
    ch.nodes[l] =
        is_channel_link(ch.linktype[l]) ? std::max(ch.node_points[l] - 1, 0) : ch.node_points[l];
  }
}

// Step 9: a computational node lies between two node points.  Lakes and structures have no
// point beyond their last, so each of their nodes keeps its own point's elevation.
void bed_elevations(ChannelState& ch) {
  for (int l = 1; l <= ch.links; ++l) {
    const bool channel = is_channel_link(ch.linktype[l]);
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      ch.bel(k, l) =
          channel ? 0.5 * (ch.node_elev(k, l) + ch.node_elev(k + 1, l)) : ch.node_elev(k, l);
      ch.yp(k, l) = ch.bel(k, l);
      ch.qp(k, l) = 0.0;
    }
  }
}

void print_summary(const ChannelState& ch) {
  say("\n\nChannel input data:\n");
  say("  max. number of u.s. dependencies:      %d\n", ch.max_us);
  say("  number of trapezoidal links:           %d\n", ch.num_trap);
  say("    num w/ subsurface attribute:           %d\n", ch.num_trap_sub);
  say("    num w/ erodible attribute:             %d\n", ch.num_trap_erode);
  say("  number of breakpoint links:            %d\n", ch.num_bp);
  say("    num w/ subsurface attribute:           %d\n", ch.num_bp_sub);
  say("    num w/ erodible attribute:             %d\n", ch.num_bp_erode);
  say("    max number of xsec in any bp link:     %d\n", ch.max_bp_tables);
  say("    max number of xsec pairs:              %d\n", ch.max_pairs);
  say("  number of lake links:                  %d\n", ch.num_lake_links);
  say("  number of hydraulic structure links:   %d\n", ch.num_struct_links);
  say("    total no. of hydr. structure elements: %d\n", ch.num_struct_elements);
  say("  number of groundwater links:           %d\n", ch.num_gw_links);
  if (ch.num_gw_links != ch.num_trap_sub + ch.num_bp_sub)
    say(" ===> Error: the number of specified subsurface links does not match the number of "
        "subsurface \nparameters. Check your subsurface links to ensure that they specify the "
        "bed concuctivity and thickness\n");
}

bool erosion_check(const ChannelState& ch, const ChanReadOptions& opt) {
  if (!opt.overland_erosion || ch.num_trap_erode > 0) return true;
  say_error("\nYou have selected overland erosion with channel routing.  The channel\n");
  say_error("input file does not contain any erodable trapezoidal links (linktype 30).\n");
  say_error("You must edit all link types and convert them to erodable trapezoidal\n");
  say_error("links.  At present TORVA only performs sediment routing in erodable\n");
  say_error("trapezoidal channels.  TORVA exiting.\n\n");
  return fail_plain();
}

}  // namespace

bool read_chan_input(ChannelState& ch, const std::string& path, const ChanReadOptions& opt) {
  ChanFile f;
  if (!load_lines(f, path)) return false;
  if (f.size() < 1) return true;
  {
    Tokens t(f.lines[1]);
    std::string first;
    t.text(first);
    if (!istarts_with(first, "TORVA_CHAN")) return true;
  }
  const int header_end = read_header(ch, f);
  if (!header_end) return fail_plain();
  if (ch.links < 1 || ch.links > kMaxLinks || ch.maxnodes < 1 || ch.maxnodes > kMaxNodesPerLink ||
      static_cast<long>(ch.links + 1) * (std::max(ch.maxnodes, 2) + 1) > kMaxNodeSlots) {
    say("Error: the channel input file %s gives LINKS %d and MAXNODES %d; both must be at "
        "least 1 and their product of reasonable size.\n",
        path.c_str(), ch.links, ch.maxnodes);
    return fail_at(f, header_end);
  }
  ch.present = true;
  if (!allocate_links(ch)) return fail_plain();
  Counts counts;
  if (!counting_pass(ch, f, header_end + 1, counts)) return false;
  if (!allocate_nodes(ch, opt.stream_loss)) return fail_plain();
  ch.structs.assign(counts.struct_cards + 1, StructureElement{});
  ch.lakes.assign(counts.lakes + 1, Lake{});
  for (int l = 1; l <= ch.links; ++l) ch.first_struct[l] = 10000;
  mark_tables(ch, f, header_end + 1);
  const int connect_end = read_connect(ch, f);
  if (!connect_end) return false;
  if (!read_link_sections(ch, f, connect_end + 1, opt)) return false;
  if (opt.summary) print_summary(ch);
  if (!erosion_check(ch, opt)) return false;
  river_bed(ch, opt);
  if (!trapezoid_nodes(ch)) return false;
  node_counts(ch);
  if (!opt.stream_table.empty() && !apply_stream_tables(ch, opt.stream_table)) return false;
  if (ch.num_bp > 0) {
    if (counts.interp_cards == 0) {
      say("Error: the number of interpolation points has not been specifiedfor any table. Each "
          "break-point cross-section table should have a NUM_INTERP ### card below the NPAIRS "
          "card\n");
      return fail_plain();
    }
    ch.tables.extra = opt.extra_tables;
    say("Reading and interpolating break-point cross-sections ");
    if (!read_tables(ch, f, header_end + 1)) return false;
    say("\n");
  }
  bed_elevations(ch);
  if (counts.lakes > 0 && !read_lakes(ch, f, header_end + 1, opt)) return false;
  return true;
}

}  // namespace torva
