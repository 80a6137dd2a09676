#pragma once
// Channel network: links, nodes, cross-sections and structures as read from the channel
// input file.  Per-link arrays are 1-based over links; per-node arrays are (node, link)
// with MAXNODES+1 rows and LINKS+1 columns.  Series are referred to by their 1-based
// number in the run's series lists (0 = none), never by pointer, so the references stay
// valid when the lists grow.
#include <string>
#include <vector>

#include "channel/structures.hpp"
#include "channel/xsection.hpp"
#include "frame/arrays.hpp"

namespace torva {

// `linktype` bits.
enum LinkBits : int {
  kLinkSubsurface = 1,
  kLinkErodible = 2,
  kLinkTrapezoid = 4,
  kLinkBreakpoint = 8,
  kLinkCompound = 16,
  kLinkLake = 32,
  kLinkStructure = 64,
  kLinkLakeTaken = 128,
};

inline bool is_channel_link(int linktype) {
  return (linktype & (kLinkTrapezoid | kLinkBreakpoint | kLinkCompound)) != 0;
}

constexpr int kMaxUpstreamLinks = 20;

// One STRUCTTYPE element of a structure link.
struct StructureElement {
  int link = 0;  // structure link it belongs to
  StructureRecord record;
};

enum PumpKind : int { kPumpElev = 1, kPumpTs = 2 };

struct Pump {
  int from_link = 0;
  int from_node = 0;
  int to_link = 0;
  int to_node = 0;
  int kind = 0;    // kPumpElev or kPumpTs
  int series = 0;  // elevation- or time-series number by kind, 0 none
};

struct Lake {
  double min_wse = 0.0;        // m
  double init_wse = 0.0;       // m
  double max_wse = 0.0;        // m
  double bed_thickness = 0.0;  // MLAKE, m
  bool losses = false;         // MLAKE given
  int link = 0;
  std::vector<int> cell_row;  // search order
  std::vector<int> cell_col;
  int flooded_cells = 0;
  double init_volume = 0.0;  // m^3
};

struct ChannelState {
  bool present = false;  // a network was read
  double alpha = 0.0, beta = 0.0, theta = 0.0;
  int links = 0;
  int maxnodes = 0;
  int lake_losses = 0;          // 1 when any MLAKE card was read
  bool wet = false;             // some node starts with water (hot start)
  bool beyond_table = false;    // a break-point node was evaluated above its table
  double clipped_volume = 0.0;  // m^3 created by clipping small negative areas to 0

  // Summary counts.
  int max_us = 0;
  int num_trap = 0, num_trap_sub = 0, num_trap_erode = 0;
  int num_bp = 0, num_bp_sub = 0, num_bp_erode = 0;
  int max_bp_tables = 0, max_pairs = 0, max_interp = 0;
  int num_lake_links = 0, num_struct_links = 0, num_struct_elements = 0;
  int num_gw_links = 0;

  // Per link.
  Array1<int> linktype{"linktype"};
  Array1<int> node_points{"node_points"};  // NODES as given (2 for structures)
  Array1<int> nodes{"nodes"};              // computational nodes
  Array1<double> dx{"dx"};                 // m
  Array1<double> mannings_n{"mannings_n"};
  Array1<double> inv_n{"inv_n"};  // 1/n
  Array1<int> link_id{"link_id"};
  Array1<int> ds_link{"ds_link"};
  Array1<int> num_us{"num_us"};
  Array2<int> uslinks{"uslinks"};  // (k, link), k = 1..kMaxUpstreamLinks
  Array1<int> num_tables{"num_tables"};
  Array1<int> first_table_node{"first_table_node"};
  Array1<int> last_table_node{"last_table_node"};
  Array1<int> erode_table{"erode_table"};
  Array1<double> k_river{"k_river"};  // bed conductivity as given
  Array1<double> m_river{"m_river"};  // bed thickness, m
  Array1<int> has_k_river{"has_k_river"};
  Array1<double> link_dispersion{"link_dispersion"};
  Array1<double> link_decay{"link_decay"};
  Array1<double> link_max_eros{"link_max_eros"};
  Array1<int> num_structs{"num_structs"};
  Array1<int> first_struct{"first_struct"};
  Array1<int> last_struct{"last_struct"};

  // Per node (node, link).
  Array2<double> node_elev{"node_elev"};  // ELEV at node points, m
  Array2<double> bel{"bel"};              // bed elevation of computational nodes, m
  Array2<double> lnx{"lnx"};
  Array2<double> lny{"lny"};
  Array2<double> bottom{"bottom"};              // m
  Array2<double> bankfull_dep{"bankfull_dep"};  // m
  Array2<double> sslope{"sslope"};              // horizontal per vertical
  Array2<double> sslope2{"sslope2"};
  Array2<double> max_eros{"max_eros"};  // m
  Array2<int> got_xsec{"got_xsec"};
  Array2<int> table_num{"table_num"};    // 1 where an NPAIRS card stands
  Array2<int> node_table{"node_table"};  // cross-section table of break-point nodes
  Array2<double> Krb{"Krb"};
  Array2<double> Mrb{"Mrb"};
  Array2<int> point_source{"point_source"};  // time-series number, 0 none
  Array2<int> node_cell{"node_cell"};        // grid cell holding the node, 0 none

  // Routing state (owned by the routing stage, created here).
  Array2<double> yp{"yp"};  // water-surface elevation, m
  Array2<double> qp{"qp"};  // m^3/s
  Array2<double> Fr{"Fr"};
  Array2<double> qp_vol{"qp_vol"};
  Array2<double> qp_vol_sed{"qp_vol_sed"};
  Array2<double> chan_depth{"chan_depth"};  // m
  Array2<double> area{"area"};              // m^2
  Array2<double> area_old{"area_old"};
  Array2<double> conv{"conv"};    // conveyance K
  Array2<double> dconv{"dconv"};  // dK/d depth
  Array2<double> stdummy{"stdummy"};
  Array2<double> topw{"topw"};  // m
  Array2<double> qlat{"qlat"};  // m^2/s
  Array2<double> con_vect{"con_vect"};
  Array2<double> yp_max_flood{"yp_max_flood"};
  Array2<double> qriv{"qriv"};  // with stream-aquifer exchange

  // Break-point cross-section tables.
  XsecTables tables;

  // Structures, pumps, lakes.
  std::vector<StructureElement> structs;  // 1-based; slot 0 unused
  std::vector<Pump> pumps;
  std::vector<Lake> lakes;  // 1-based; slot 0 unused
  Array1<int> lake_of_cell{"lake_of_cell"};

  // Grid-stream data (non-orthogonal channels): per stream cell (1-based), entries 1..m.
  int num_stream_cells = 0;
  int max_gst_nodes = 0;
  Array1<int> gst_gnum{"gst_gnum"};  // entries of the cell
  Array1<int> gst_row{"gst_row"};
  Array1<int> gst_col{"gst_col"};
  Array1<int> gst_cell{"gst_cell"};  // grid cell number, 0 outside the mask
  Array2<int> gst_link{"gst_link"};  // (cell, entry)
  Array2<int> gst_node{"gst_node"};
  Array2<double> gst_pct{"gst_pct"};
  Array2<double> gst_sac_weight{"gst_sac_weight"};
  Array2<double> gst_Vlat{"gst_Vlat"};
  Array2<double> gst_qriv{"gst_qriv"};
  Array2<double> gst_Vp{"gst_Vp"};
  Array2<double> gst_qriv_vol{"gst_qriv_vol"};
};

}  // namespace torva
