// Break-point tables and lake cells of the channel input file.
#include <vector>

#include "channel/channel_faults.hpp"
#include "channel/channel_input_detail.hpp"
#include "frame/console.hpp"
#include "input/grid.hpp"

namespace torva::chan_detail {

bool read_tables(ChannelState& ch, const ChanFile& f, int from) {
  constexpr int kMaxPairs = 1000000;
  XsecTables& tabs = ch.tables;
  std::vector<int> first(ch.links + 1, 0), opened(ch.links + 1, 0), full(ch.links + 1, 0);
  std::vector<int> filled(1, 0);
  int link = 0, node = 0, cur = 0, last = 0;  // cur: table being filled; last: latest opened
  for (int i = from; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    const std::string c = card_of(t);
    if (c == "LINK") {
      t.integer(link);
      node = 0;
      if (link < 1 || link > ch.links) return fail_at(f, i);
    } else if (c == "NODE") {
      t.integer(node);
    } else if (c == "NPAIRS" && link >= 1) {
      int p = 0;
      t.integer(p);
      if (cur && filled[cur] < tabs.t[cur].npairs) {
        say("Error: table %d in link %d has %d of its %d X1 pairs.\n", cur - first[link] + 1,
            tabs.t[cur].link, filled[cur], tabs.t[cur].npairs);
        return fail_at(f, i);
      }
      if (p < 1 || p > kMaxPairs) {
        say("Error: NPAIRS %d in link %d is outside 1..%d.\n", p, link, kMaxPairs);
        return fail_at(f, i);
      }
      XsecTable tab;
      tab.link = link;
      tab.node = node;
      tab.npairs = p;
      tab.x.assign(p + 1, 0.0);
      tab.y.assign(p + 1, 0.0);
      tabs.t.push_back(std::move(tab));
      cur = last = tabs.count();
      filled.resize(cur + 1, 0);
      if (!opened[link]) first[link] = cur;
      if (first[link] + opened[link] != cur) {
        say("Error: the cross-section tables of link %d must stand together.\n", link);
        return fail_at(f, i);
      }
      ++opened[link];
    } else if (c == "NUM_INTERP") {
      if (cur) t.integer(tabs.t[cur].m);
    } else if (c == "X1") {
      if (!cur || filled[cur] >= tabs.t[cur].npairs) {
        say("\n\nError: There are more X1 cards than the NPAIRS card specifies \nfor table %d in "
            "link %d.\n",
            last ? last - first[tabs.t[last].link] + 1 : 0, last ? tabs.t[last].link : link);
        return fail_at(f, i);
      }
      XsecTable& tab = tabs.t[cur];
      const int k = ++filled[cur];
      t.number(tab.x[k]);
      t.number(tab.y[k]);
      if (k == tab.npairs && ++full[tab.link] == ch.num_tables[tab.link]) {
        Faults faults;
        const bool built =
            build_link_sections(ch, tab.link, first[tab.link], ch.num_tables[tab.link], faults);
        say_channel_faults(faults);
        if (!built) return fail_plain();
        say("%s", ".");
        cur = 0;
      }
    }
  }
  for (int l = 1; l <= ch.links; ++l) {
    if (!(ch.linktype[l] & kLinkBreakpoint)) continue;
    if (ch.num_tables[l] == 0 || full[l] < ch.num_tables[l]) {
      say("\nError: break-point link %d has %d complete cross-section tables of %d.\n", l, full[l],
          ch.num_tables[l]);
      return fail_plain();
    }
  }
  return true;
}

namespace {

bool lake_cells(Lake& L, const ChanFile& f, int& i, int count) {
  std::vector<int> values;
  const int start = i;
  while (static_cast<int>(values.size()) < 2 * count) {
    if (++i > f.size()) {
      say("Error: the lake of link %d lists %d cells, but the file ends after %zu.\n", L.link,
          count, values.size() / 2);
      return fail_at(f, start);
    }
    Tokens t(f.lines[i]);
    int v = 0;
    while (static_cast<int>(values.size()) < 2 * count && t.integer(v)) values.push_back(v);
  }
  L.cell_row.assign(count, 0);
  L.cell_col.assign(count, 0);
  for (int k = 0; k < count; ++k) {
    L.cell_row[k] = values[2 * k];
    L.cell_col[k] = values[2 * k + 1];
  }
  return true;
}

bool flood_cells(ChannelState& ch, int lake, const GridState& g, const ChanFile& f, int line) {
  Lake& L = ch.lakes[lake];
  for (std::size_t k = 0; k < L.cell_row.size(); ++k) {
    const int r = L.cell_row[k], c = L.cell_col[k];
    const int cell = (r >= 1 && r <= g.rows && c >= 1 && c <= g.cols) ? g.mask(r, c) : 0;
    if (cell < 1 || cell > g.ncells) {
      say("Error: lake %d lists the cell at row %d col %d, which is outside the watershed.\n", lake,
          r, c);
      return fail_at(f, line);
    }
    const double ground = g.elevation[cell];
    if (L.init_wse - ground > 0.001) {
      ++L.flooded_cells;
      ch.lake_of_cell[cell] = lake;
      L.init_volume += (L.init_wse - ground) * g.dx * g.dx;
    }
  }
  return true;
}

}  // namespace

bool read_lakes(ChannelState& ch, const ChanFile& f, int from, const ChanReadOptions& opt) {
  const GridState* g = opt.grid;
  const bool grid = g && g->ncells > 0 && g->elevation.size() >= static_cast<size_t>(g->ncells) &&
                    !g->mask.empty();
  if (grid) ch.lake_of_cell.allocate(g->ncells);
  int link = 0;
  for (int i = from; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    const std::string c = card_of(t);
    if (c == "LINK") {
      t.integer(link);
    } else if (c == "NUMPTS" && link >= 1 && link <= ch.links && (ch.linktype[link] & kLinkLake)) {
      const int lake = ch.link_id[link];
      int count = 0;
      t.integer(count);
      if (count < 0 || count > 10000000) {
        say("Error: NUMPTS %d of link %d is not a valid number of lake cells.\n", count, link);
        return fail_at(f, i);
      }
      const int line = i;
      if (!lake_cells(ch.lakes[lake], f, i, count)) return false;
      if (grid && !flood_cells(ch, lake, *g, f, line)) return false;
    }
  }
  for (int lake = 1; lake < static_cast<int>(ch.lakes.size()); ++lake) {
    const Lake& L = ch.lakes[lake];
    say("Minimum Water Surface Elevation Lake #%d: %.2lf\n", lake, L.min_wse);
    say("Initial Water Surface Elevation Lake #%d: %.2lf\n", lake, L.init_wse);
    say("Maximum Water Surface Elevation Lake #%d: %.2lf\n", lake, L.max_wse);
    say("number of coords for lake #%d's search order: %d\n", lake,
        static_cast<int>(L.cell_row.size()));
    if (L.losses)
      say("Simulating Lake Losses for Lake #%d, Bed Thickness: %.1lf m\n", lake, L.bed_thickness);
  }
  return true;
}

}  // namespace torva::chan_detail
