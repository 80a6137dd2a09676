// Link sections of the channel input file: link types, node values, structure elements,
// point sources and pumps.
#include <algorithm>

#include "channel/channel_input_detail.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva::chan_detail {
namespace {

int set_link_type(const std::string& c) {
  static const struct {
    const char* card;
    int type;
  } table[] = {{"TRAPEZOID", 4},
               {"TRAPEZOID_SUBSURFACE", 5},
               {"SUBSURFACE_TRAPEZOID", 5},
               {"TRAP_ERODE", 6},
               {"TRAPEZOID_ERODE", 6},
               {"TRAPEZOID_SUBSURFACE_ERODE", 7},
               {"TRAPEZOID_ERODE_SUBSURFACE", 7},
               {"SUBSURFACE_TRAP_ERODE", 7},
               {"BREAKPOINT", 8},
               {"SUBSURFACE_BREAKPOINT", 9},
               {"BREAKPOINT_SUBSURFACE", 9},
               {"BREAK_ERODE", 10},
               {"BREAKPOINT_ERODE", 10},
               {"BREAKPOINT_SUBSURFACE_ERODE", 11},
               {"BREAKPOINT_ERODE_SUBSURFACE", 11}};
  for (const auto& e : table)
    if (c == e.card) return e.type;
  return 0;
}

// Value cards of structure elements, numbered 1-12 by the quantity they give; one number
// means one quantity in every kind that uses it.
int slot_of(const std::string& c) {
  if (c == "LENGTH" || c == "CREST_LENGTH") return 1;
  if (c == "UPINVERT" || c == "CREST_LOW_ELEV") return 2;
  if (c == "DOWNINVERT") return 3;
  if (c == "SLOPE") return 4;
  if (c == "INLET_DISCH_COEFF" || c == "DISCHARGE_COEFF_FORWARD") return 6;
  if (c == "REV_FLOW_DISCH_COEFF" || c == "DISCHARGE_COEFF_REVERSE") return 7;
  if (c == "WIDTH" || c == "DIAMETER" || c == "A_VALUE" || c == "STEEP_SLOPE") return 9;
  if (c == "HEIGHT" || c == "B_VALUE" || c == "SHALLOW_SLOPE") return 10;
  if (c == "CREST_LOW_LOC") return 11;
  if (c == "ROUGH_COEFF") return 12;
  return 0;
}

// The crest and coefficients every weir kind has.
template <class W>
double* weir_field(W& w, int slot) {
  switch (slot) {
    case 1:
      return &w.crest_length;
    case 2:
      return &w.crest_elev;
    case 6:
      return &w.coef_forward;
    case 7:
      return &w.coef_reverse;
    default:
      return nullptr;
  }
}

// The number a value card of `slot` sets in an element of this kind; null when it has none.
double* field_of(StructureRecord& r, int slot) {
  if (Culvert* c = std::get_if<Culvert>(&r)) {
    switch (slot) {
      case 1:
        return &c->length;
      case 2:
        return &c->up_invert;
      case 3:
        return &c->down_invert;
      case 4:
        return &c->slope;
      case 6:
        return &c->coef_forward;
      case 7:
        return &c->coef_reverse;
      case 9:
        return &c->size;
      case 10:
        return &c->span;
      case 12:
        return &c->roughness;
      default:
        return nullptr;
    }
  }
  if (Weir* w = std::get_if<Weir>(&r)) return weir_field(*w, slot);
  if (SagWeir* w = std::get_if<SagWeir>(&r)) {
    switch (slot) {
      case 9:
        return &w->slope1;
      case 10:
        return &w->slope2;
      case 11:
        return &w->crest_low_loc;
      default:
        return weir_field(*w, slot);
    }
  }
  return nullptr;
}

int find(const SeriesFinder& finder, const std::string& name) {
  return (finder && !name.empty()) ? finder(name) : 0;
}

// Rating and rule curves need an elevation series, scheduled releases a time series.
bool attach_series(StructureRecord& r, const std::string& name, const ChanReadOptions& opt) {
  int missing = 0, unknown = 0;
  int* series = nullptr;
  bool time = false;
  if (RatingCurve* c = std::get_if<RatingCurve>(&r))
    missing = 85, unknown = 86, series = &c->elev_series;
  if (ScheduledRelease* c = std::get_if<ScheduledRelease>(&r))
    missing = 87, unknown = 88, series = &c->time_series, time = true;
  if (RuleCurve* c = std::get_if<RuleCurve>(&r))
    missing = 89, unknown = 90, series = &c->elev_series;
  if (!series) return true;
  if (name.empty()) {
    set_error(missing);
    error_code().stop = 1;
    return false;
  }
  *series = find(time ? opt.find_time_series : opt.find_elev_series, name);
  if (*series == 0) {
    set_error(unknown, 0, 0, name);
    error_code().stop = 1;
    return false;
  }
  return true;
}

}  // namespace

bool read_link_sections(ChannelState& ch, const ChanFile& f, int from, const ChanReadOptions& opt) {
  int link = 0, node = 0, element = 0, lake = 0;
  for (int i = from; i <= f.size(); ++i) {
    Tokens t(f.lines[i]);
    const std::string c = card_of(t);
    if (c.empty()) continue;
    if (c == "LINK") {
      t.integer(link);
      if (link < 1 || link > ch.links) {
        say("Error: link number %d is outside 1..%d.\n", link, ch.links);
        return fail_at(f, i);
      }
      node = 0;
      continue;
    }
    if (link == 0) continue;
    if (c == "NODE") {
      t.integer(node);
      if (!node_in_range(ch, node)) {
        say("Error: node number %d of link %d is outside 1..%ld.\n", node, link, ch.bel.rows());
        return fail_at(f, i);
      }
      continue;
    }
    if (const int lt = set_link_type(c)) {
      ch.linktype[link] = lt;
      ch.link_id[link] = link;
    } else if (c == "ERODE" || c == "ERODIBLE") {
      ch.linktype[link] |= kLinkErodible;
    } else if (c == "SUBSURFACE") {
      ch.linktype[link] |= kLinkSubsurface;
    } else if (c == "LAKE") {
      ch.linktype[link] = kLinkLake;
      if (lake + 1 < static_cast<int>(ch.lakes.size())) ++lake;
      ch.link_id[link] = lake;
      ch.lakes[lake].link = link;
    } else if (c == "STRUCTURE") {
      ch.linktype[link] = kLinkStructure;
      ch.link_id[link] = link;
      ch.node_points[link] = 2;
    } else if (c == "MLAKE" || c == "MINWSE" || c == "INITWSE" || c == "MAXWSE") {
      if (!(ch.linktype[link] & kLinkLake) || lake < 1) continue;
      Lake& L = ch.lakes[lake];
      double v = 0.0;
      t.number(v);
      if (c == "MLAKE") {
        L.bed_thickness = v;
        L.losses = true;
        ch.lake_losses = 1;
      } else if (c == "MINWSE") {
        L.min_wse = v;
      } else if (c == "INITWSE") {
        L.init_wse = v;
      } else {
        L.max_wse = v;
      }
    } else if (c == "STRUCTTYPE") {
      std::string name, series;
      t.text(name);
      t.text(series);
      const int type = structure_type_of(name);
      if (!type) continue;
      if (++element >= static_cast<int>(ch.structs.size())) return fail_at(f, i);
      StructureElement& e = ch.structs[element];
      e.record = structure_record(type);
      e.link = link;
      ch.first_struct[link] = std::min(ch.first_struct[link], element);
      ch.last_struct[link] = std::max(ch.last_struct[link], element);
      if (!attach_series(e.record, series, opt)) return false;
    } else if (const int s = slot_of(c)) {
      if (element >= 1) {
        // A card the element's kind does not use is read and dropped.
        double unused = 0.0;
        double* field = field_of(ch.structs[element].record, s);
        t.number(field ? *field : unused);
      }
    } else if (c == "MAX_EROSION") {
      double v = 0.0;
      t.number(v);
      if (node >= 1) ch.max_eros(node, link) = v;
    } else if (c == "DISPERSION_COEFF") {
      t.number(ch.link_dispersion[link]);
    } else if (c == "DECAY_COEFF") {
      t.number(ch.link_decay[link]);
    } else if (c == "POINTSOURCE") {
      std::string name;
      t.text(name);
      const int at = (ch.linktype[link] & kLinkLake) || node < 1 ? 1 : node;
      ch.point_source(at, link) = find(opt.find_time_series, name);
    } else if (c == "PUMPTO") {
      Pump p;
      std::string kind, name;
      t.integer(p.to_link);
      t.integer(p.to_node);
      t.text(kind);
      t.text(name);
      if (istarts_with(kind, "ELEV")) {
        p.kind = kPumpElev;
        p.series = find(opt.find_elev_series, name);
      } else if (istarts_with(kind, "TS")) {
        p.kind = kPumpTs;
        p.series = find(opt.find_time_series, name);
      } else {
        say("\n\nError in the channel input file: Flow type for pump is incorrectly\ndefined for "
            "link %d. Must be ELEV or TS.\n",
            link);
        return fail_at(f, i);
      }
      if (ch.linktype[link] == kLinkTrapezoid) p.to_node = 1;
      p.from_link = link;
      p.from_node = node;
      ch.pumps.push_back(p);
    } else if (node >= 1) {
      double v = 0.0;
      if (c == "X_Y") {
        t.number(ch.lnx(node, link));
        t.number(ch.lny(node, link));
      } else if (c == "ELEV") {
        t.number(v);
        ch.node_elev(node, link) = v;
      } else if (c == "XSEC") {
        ch.got_xsec(node, link) = std::max(ch.linktype[link], 1);
      } else if (c == "BOTTOM_WIDTH") {
        t.number(ch.bottom(node, link));
      } else if (c == "BANKFULL_DEPTH") {
        t.number(ch.bankfull_dep(node, link));
      } else if (c == "SIDE_SLOPE") {
        t.number(ch.sslope(node, link));
      }
    }
  }
  return true;
}

}  // namespace torva::chan_detail
