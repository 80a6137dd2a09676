#include "frame/report.hpp"

#include <initializer_list>
#include <string_view>
#include <vector>

#include "frame/console.hpp"

namespace torva {
namespace {

enum class Field { none, number1, number2, what, file };

struct Piece {
  std::string_view text;
  Field field = Field::none;
};

constexpr Piece L(std::string_view s) {
  return Piece{s, Field::none};
}
constexpr Piece F(Field f) {
  return Piece{{}, f};
}

struct Message {
  int code;
  std::vector<Piece> pieces;
};

const std::vector<Message>& message_table() {
  static const std::vector<Message> table = {
      {1, {L("Error: Can't open file debug.out\n")}},
      {2,
       {L("Error: You must give the name of a valid TORVA project file as a command line"),
        L(" argument.\n  Usage: torva [-option] [inputfile]\n")}},
      {3, {L("Error: The specified project file was not found.\n")}},
      {4,
       {L("Error: Unable to open "), F(Field::what), L(" file.\n  (File: "), F(Field::file),
        L(")\n")}},
      {5, {L("Error: TORVA not compiled with ZUPA, but ZUPA file format specified\n")}},
      {6,
       {L("Error: You have specified both spatially-varied and uniform Manning roughness"),
        L(" (card MANNING_N)\n  and a roughness map (card ROUGHNESS).  Remove one of the two "
          "cards.\n")}},
      {7,
       {L("Error: You have specified both the Penman Montieth and Deardorff"),
        L(" evapotranspiration\n  methods for a long-term simulation.  Keep only one of "
          "ET_CALC_PENMAN and ET_CALC_DEARDORFF.\n")}},
      {8,
       {L("Error: You have specified two of either the Surface Airways, SAMSON, or ZEB"),
        L(" hydrometeorological\n  file formats.  Keep only one of HMET_SURFAWAYS, HMET_SAMSON and "
          "HMET_ZEB.\n")}},
      {9,
       {L("Error: You have specified neither the Penman Montieth or Deardorff"),
        L(" evapotranspiration\n  methods for a long-term simulation.  Add ET_CALC_PENMAN or "
          "ET_CALC_DEARDORFF.\n")}},
      {10,
       {L("Error: You have specified both a rain gage file, and uniform rainfall"),
        L(" (PRECIP_UNIF).\n  Keep only one form of precipitation input.\n")}},
      {11,
       {L("Error: You have an error in your input due to one of the following:"),
        L("\n  uniform rainfall was specified with a zero RAIN_INTENSITY or a zero "
          "RAIN_DURATION.\n  Check the RAIN_INTENSITY and RAIN_DURATION cards.\n")}},
      {12,
       {L("Error: The number of X-windows plot ordinates "), F(Field::number1),
        L(" is greater than the dimension of the array "), F(Field::number2), L("\n")}},
      {13,
       {L("Error: The project file specifies X-Windows plotting, but does not specify what to "
          "plot."),
        L("\n  Add at least one of the XRAIN, XDEPTH, XINFDEP, XSURF, XCHAN or XGWRECHARGE "
          "cards.\n")}},
      {14,
       {L("Warning: X-Windows Graphics Warning:"),
        L("\n  X-window plotting is not available in this version; the plotting cards are "
          "ignored.\n")}},
      {15,
       {L("Error: The project file specifies X-Windows plotting, but does not specify how often to "
          "plot."),
        L("\n  Add the X_FREQ card.\n")}},
      {16,
       {L("Warning: X-Windows Graphics Warning:"),
        L("\n  X-window plotting is not available in this version; the plotting cards are "
          "ignored.\n")}},
      {17,
       {L("X-Windows Graphics Warning:"), L("\n  X-window plotting is not available in this "
                                            "version; the plotting cards are ignored.\n")}},
      {18,
       {L("Error: The project file specifies both plotting of cumulative infiltrated depth via "
          "the"),
        L("\n  XINFDEP card and of the surface moisture via the XSURF card.  Choose one of "
          "them.\n")}},
      {19,
       {L("Error: Either your XWIN_WIDTH is less than 750 or XWIN_HEIGHT is less than 500 pixels."),
        L("\n  Enlarge the plotting window with the XWIN_WIDTH and XWIN_HEIGHT cards.\n")}},
      {20,
       {L("Error: For long-term simulations, you must specify the redistribution form"),
        L(" of Green and Ampt\n  (INF_REDIST), the layered soil method or Richards' equation.\n")}},
      {21,
       {L("Error: Albedo values not specified for long term simulation. Check project file.\n")}},
      {22,
       {L("Error: Vegetation height values not specified for Penman-Montieth long term "
          "simulation."),
        L("\n  Add the VHEIGHT card or supply the values in the mapping table.\n")}},
      {23,
       {L("Error: Transmission coeff. values not specified for Penman-Montieth long term "
          "simulation."),
        L("\n  Add the TCOEFF card or supply the values in the mapping table.\n")}},
      {24,
       {L("Error: tomatal resistance values not specified for Penman-Montieth long term "
          "simulation."),
        L("\n  Add the CANOPY card or supply the values in the mapping table.\n")}},
      {25,
       {L("Error: Wilting point values not specified for Penman-Montieth long term simulation."),
        L("\n  Add the WILTING_POINT card or supply the values in the mapping table.\n")}},
      {26,
       {L("Error: You have specified both Green and Ampt and multi-layered"),
        L(" soil infiltration.\n  Keep only one of GREEN_AMPT and INF_LAYERED_SOIL.\n")}},
      {27,
       {L("Error: You have specified both redistribution and multi-layered"),
        L(" soil infiltration.\n  Keep only one of INF_REDIST and INF_LAYERED_SOIL.\n")}},
      {28,
       {L("Error: You have specified both Green and Ampt and Richards"),
        L(" infiltration.\n  Keep only one of GREEN_AMPT and INF_RICHARDS.\n")}},
      {29,
       {L("Error: You have specified both Green and Ampt and Richards"),
        L(" infiltration.\n  Keep only one of GREEN_AMPT and INF_RICHARDS.\n")}},
      {30,
       {L("Error: You have specified both redistribution and Richards"),
        L(" infiltration.\n  Keep only one of INF_REDIST and INF_RICHARDS.\n")}},
      {31,
       {L("Error: You have specified both Layered Soil and Richards"),
        L(" infiltration.\n  Keep only one of INF_LAYERED_SOIL and INF_RICHARDS.\n")}},
      {32,
       {L("Error: Groundwater cell vertical grid size not specified in project file."),
        L("\n  Richards' equation with groundwater needs the AQUIFER_DELTA_Z card.\n")}},
      {33,
       {L("Error: You have chosen both Green and Ampt and Redististribution"),
        L(" infiltration.\n  Keep only one of GREEN_AMPT and INF_REDIST.\n")}},
      {34,
       {L("Error: Both the drain and backwater channel initialization methods have been"),
        L("\n  specified.  Keep only one of CHAN_DRAIN and CHAN_BACKWATER.\n")}},
      {35,
       {L("Error: Preissmann implicit channel routing is not supported by TORVA."),
        L("\n  Use CHAN_EXPLIC for explicit channel routing.\n")}},
      {36,
       {L("Error: Both the implicit and explicit channel routing methods have been"),
        L("\n  specified.  Keep only one channel routing card.\n")}},
      {37,
       {L("Error: Both the explicit and mesh channel routing methods have been"),
        L("\n  specified.  Keep only one channel routing card.\n")}},
      {38,
       {L("You have specified both spatially-varied and uniform porosity for"),
        L(" groundwater.\n  Keep only one of GW_UNIF_POROSITY and GW_POROSITY_MAP.\n")}},
      {39,
       {L("Warning: You have specified neither spatially-varied, uniform, or mapping table "
          "porosity for"),
        L(" groundwater.\n  Add GW_UNIF_POROSITY or GW_POROSITY_MAP.\n")}},
      {40,
       {L("You have specified both spatially-varied and uniform hydraulic"),
        L(" conductivity for groundwater.\n  Keep only one of GW_UNIF_HYCOND and "
          "GW_HYCOND_MAP.\n")}},
      {41,
       {L("Warning: You have specified neither spatially-varied, uniform, or mapping table "
          "hydraulic "),
        L("conductivity for groundwater.\n  Add GW_UNIF_HYCOND or GW_HYCOND_MAP.\n")}},
      {42,
       {L("Error: You have specified both groundwater routing and Sacramento soil moisture"),
        L(" accounting.\n  Keep only one of GW_SIMULATION and SACRAMENTO.\n")}},
      {43,
       {L("Error: You have specified that TORVA is being run within KRN, but you did"),
        L(" not\n  specify the PLOV exchange file.  Add the PLOV card.\n")}},
      {44,
       {L("Error: TORVA is running within KRN in event mode.  The KRN_EVENT_NUM card"),
        L("\n  must give a non-negative event number.\n")}},
      {45,
       {L("Error: Groundwater simulations in TORVA within the KRN environment"),
        L("\n  are not supported.  Remove GW_SIMULATION or KRN.\n")}},
      {46,
       {L("Error: You have specified that TORVA is being run with PLOV, but you did"),
        L(" not\n  specify KRN.  Add the KRN card or remove PLOV.\n")}},
      {47,
       {L("Error: Unable to open ZUPA data source "), F(Field::what), L(", "), F(Field::file),
        L(".\n")}},
      {48,
       {L("Error: Can't open theta location output file: "), F(Field::file),
        L("\nYou specify the name of the output file which will contain the soil "
          "moisture\nordinates at the points specified in the file "),
        F(Field::what),
        L("\nThis is done by using the OUT_THETA_LOCATION card in the project file.\n")}},
      {49,
       {L("Error: Can't open concentration location output file: "), F(Field::what),
        L("\nYou specify the name of the output file which will contain the "
          "concentration\nordinates at the points specified in the file "),
        F(Field::file),
        L("\nThis is done by using the OUT_CON_LOCATION card in the project file.\n")}},
      {50,
       {L("Error: Can't open depth location output file: "), F(Field::what),
        L("\nYou specify the name of the output file which will contain the depth\nordinates at "
          "the points specified in the file "),
        F(Field::file),
        L("\nThis is done by using the OUT_DEP_LOCATION card in the project file.\n")}},
      {51,
       {L("Error: Can't open hydrograph location output file: "), F(Field::what),
        L("\nYou specify the name of the output file which will contain the hydrograph\nordinates "
          "at the points specified in the file "),
        F(Field::file),
        L("\nThis is done by using the OUT_HYD_LOCATION card in the project file.\n")}},
      {52, {L("Error: Time step is 0 seconds.\n")}},
      {53, {L("Error: Time step is greater than 60 seconds.\n")}},
      {54,
       {L("Error: The time step ("), F(Field::number1),
        L(") must be evenly divisible into 60 seconds.\n")}},
      {55, {L("Warning: Write hydrograph time step not specified, defaulting to 1 hour.\n")}},
      {56, {L("Error: Outlet slope not specified.\n")}},
      {57,
       {L("Error: Latitude and longitude of basin centroid required for long-term simulations."),
        L("\n  Add the LATITUDE and LONGITUDE cards.\n")}},
      {58,
       {L("Error: GMT time offset required for long-term simulations."),
        L("\n  Add the GMT card.\n")}},
      {59, {L("Error: Can't open output file: "), F(Field::file), L("\n")}},
      {60, {L("Error: Unable to open the ZUPA file "), F(Field::file), L(" for output.\n")}},
      {61,
       {L("Error: Unable to open output data set group "), F(Field::file),
        L(" for writing in the grid "), F(Field::what), L(" of the ZUPA file.")}},
      {62, {L("Error: Unable to create "), F(Field::file), L(" map in the ZUPA file\n")}},
      {63,
       {L("Error: Unable to open output data set group "), F(Field::file),
        L(" for writing in the stream "), F(Field::what), L(" of the ZUPA file.")}},
      {64, {L("Unable to open Mapping Table file: "), F(Field::file), L("\n")}},
      {65, {L("Unable to open index file "), F(Field::file), L("\n")}},
      {66,
       {L("Problem reading mapping table file -- no entries found in table "), F(Field::what),
        L(" (NUM_IDS is 0)\n")}},
      {67,
       {L("There is a problem with the wetlands index map.  It contains\n"), F(Field::number1),
        L(" ID's, while the mapping table file contains "), F(Field::number2),
        L(" ID's.\nThe index map and mapping table file must have the same number\nof ID's. \n")}},
      {68,
       {L("The number of wetland ids specified in the master table file "),
        L("does not match\n  the number of ID's in the wetlands index map.\n")}},
      {69, {L("Error reading the contaminant transport tables in the mapping table file.\n")}},
      {70, {L("Unexpected end of file in file: "), F(Field::file), L("\n")}},
      {71,
       {L("Index ID exceeds table limit, file: "), F(Field::file), L(" [row "), F(Field::number1),
        L(":col "), F(Field::number2), L("]\n")}},
      {72, {L("Incorrect number of rows and columns in map: "), F(Field::file), L("\n")}},
      {73, {L("Incorrect number of rows in map: "), F(Field::file), L("\n")}},
      {74, {L("Incorrect number of columns in map: "), F(Field::file), L("\n")}},
      {75,
       {L("Error: There were "), F(Field::number1),
        L(" errors trying to open the nutrient output files.\nThe last error was: unable to open "
          "nutrient output file "),
        F(Field::file), L(".\n")}},
      {76, {L("Error: unable to open the aquatic environment file "), F(Field::file), L(".\n")}},
      {77,
       {L("Error: The header for the aquatic environment file is invalid or does not match \n the "
          "current version. \n The aquatic environment file specified is: "),
        F(Field::file), L("\n The header should be : "), F(Field::what)}},
      {78,
       {L("Error: An index ["), F(Field::number1),
        L("] in the aquatic environment table is greater than the\nnumber of IDs specified ["),
        F(Field::number2), L("]\n")}},
      {79,
       {L("Error: The NUTRIENTS card in the project file must be specified before the "),
        F(Field::what), L(" card\n")}},
      {80, {L("Error: Unable to open the nutrient file "), F(Field::file), L("\n")}},
      {81, {L("Error: Unable to open the overland Aquatic Environment map.\n")}},
      {82, {L("Error: Unable to open the nutrient summary file\n")}},
      {83, {L("Error: Unable to open the overland pump file\n")}},
      {84,
       {L("Error: The OV_BOUNDARY card has been specified in the project file but the "),
        L("OV_BOUNDARY\n  file is missing or could not be read.\n")}},
      {85,
       {L("Error: Incorrect usage of the RATING_CURVE card. It should be STRUCTTYPE RATING_CURVE "
          "\"elev series name\""),
        L("\n")}},
      {86,
       {L("Error: The elevation series for a RATING_CURVE card is not found. Make sure that the "
          "elevation series"),
        L("\n  named on the RATING_CURVE card exists in the elevation series file.\n")}},
      {87,
       {L("Error: Incorrect usage of the SCHEDULED_RELEASE card. It should be STRUCTTYPE "
          "SCHEDULED_RELEASE \"time series name\""),
        L("\n")}},
      {88,
       {L("Error: The time series for a SCHEDULED_RELEASE card is not found. Make sure that the "
          "time series"),
        L("\n  named on the SCHEDULED_RELEASE card exists in the time series file.\n")}},
      {89,
       {L("Error: Incorrect usage of the RULE_CURVE card. It should be STRUCTTYPE RULE_CURVE "
          "\"elev series name\""),
        L("\n")}},
      {90,
       {L("Error: The elevation series for a RULE_CURVE card is not found. Make sure that the "
          "elevation series"),
        L("\n  named on the RULE_CURVE card exists in the elevation series file.\n")}},
      {91,
       {L("Error: The number of sediments specified in the SEDIMENTS table is "), F(Field::number1),
        L(" while the number of sediments \nspecified in the SED_EROS_PROPS table is "),
        F(Field::number2), L(". The values must match.\n")}},
      {92,
       {L("Error: Sediment transport specified but sediments table missing in the .cmt file.\n")}},
      {93,
       {L("Error: Unable to read the soil erosion properties table from mapping table file\n")}},
      {94, {L("Error: 0.0 values for roughness found. Check the roughness map/table\n")}},
      {95, {L("Warning: There are no segments in the R7 segment map.\n")}},
      {96,
       {L("Warning: The TORVA to R7 internal segment flux option is turned on"),
        L("\n  but no segment map was given; no fluxes will be written.\n")}},
      {97,
       {L("Error: In the R7 internal stream flux to segment file, some link/node pairs "),
        L("are not\n  found in the channel network.  Check the file.\n")}},
      {98,
       {L("Error: Unable to open the R7 internal flux output file ["), F(Field::file), L("].\n")}},
      {99, {L("Too many super-junctions (>1000!) in superlink.  Your network is too large.\n")}},
      {100, {L("Too many nodes (>50!) in one link in superlink.  Your network is too large.\n")}},
      {101, {L("Too many superlinks (>1000!) in superlink.  Your network is too large.\n")}},
      {102, {L("Error in creating radar mapping to grid.\n")}},
      {103,
       {L("Error: unable to read value for CALIB_COMP_DATA. Please provide one of DAILY, EVENT. "
          "\n")}},
      {104,
       {L("Error: unable to read value for CALIB_OBJ_FUNC. Please provide one of RMSE, HMLE. \n")}},
      {105,
       {L("Error: Calibration is turned on but one or more values for CALIB_COMP_DATA, "
          "CALIB_OBJ_FUNC are invalid.\n")}},
      {106,
       {L("Error: Unable to calibration observed data file (CALIB_OBS_DATA) : "), F(Field::file),
        L(".\n")}},
      {107,
       {L("Error: Invalid header line in the observed data file. Should be OBS_DATA_FILE.\n")}},
      {108,
       {L("Error: Invalid NUM_LOCATIONS line in the observed data file. "),
        L("It should be NUM_LOCATIONS <n>.\n")}},
      {109,
       {L("Error: Invalid NUM_DATA_POINTS line in the observed data file. "),
        L("It should be NUM_DATA_POINTS <n>.\n")}},
      {110,
       {L("Error: The number of output locations in the observed data file "),
        L("does not\n  match the number of output locations of the project.\n")}},
      {111, {L("Error: Invalid data line in the observed data file. Check file.\n")}},
      {112,
       {L("Error: More event/daily values in the observed data file than specified by the "
          "NUM_DATA_POINTS value. Check file.\n")}},
      {113, {L("Error: A location number is not valid in the observed data file. Check file.\n")}},
      {114,
       {L("Error: Reached end of observed data file before finding all of the data values. Check "
          "file.\n")}},
      {115, {L("Unable to open stream map file "), F(Field::file), L("\n")}},
      {116, {L("Stream map file does not use correct header (file: "), F(Field::file), L(")\n")}},
      {117,
       {L("NLINKS or MAXNODES card in stream map file does not match channel input file (file: "),
        F(Field::file), L(")\n")}},
      {118,
       {L("Error reading data from stream map file. Check to make sure that the correct number of "
          "\ndata points exist for each link. (file: "),
        F(Field::file), L(")\n")}},
      {119,
       {L("Error: Nutrient constituent to use mapping table for input value but no mapping table "
          "exists (Grid): "),
        F(Field::what), L("\n")}},
      {120,
       {L("Error: Nutrient constituent to use mapping table for input value but no mapping table "
          "exists (Stream): "),
        F(Field::what), L("\n")}},
      {121, {L("Error: Unable to open the stream Aquatic Environment map.\n")}},
      {122, {L("no convergence in culvert critical depth routine\n")}},
      {123, {L("arch culverts not yet supported in subroutine crit_calc() \n")}},
      {124, {L("Root must be bracketed in ZBRENT\n")}},
      {125, {L("Error: The number of contaminants is not a positive value.\n")}},
      {126,
       {L("Error: the mapping table for the groundwater table is not set up correctly. Check index "
          "map file names.\n")}},
      {127,
       {L("Error: Stream head boundary time series ("), F(Field::what),
        L(") can not be found. Check project file.\n")}},
      {128,
       {L("You are trying to simulate NSM soil dynamics without specifying a soil bulk density "
          "table.\n")}},
      {130, {L("Error: unable to open the nutrient summary file.\n")}},
      {131, {L("Error: Pipe invert must be above the bottom of the aquifer\n")}},
      {132,
       {L("You are trying to simulate Richardson's Equation soil dynamics but without using a "
          "valid soil type index map.\nIndex map filename = "),
        F(Field::file), L("\n")}},
      {133, {L("Error: NaN error in groundwater tile exchange\n")}},
      {134,
       {L("TORVA crashed during an update of Superlink, Check your Superlink/Supernode "
          "network/numbering "),
        F(Field::file), L("\n")}},
      {135, {L("Error: observed data file improperly formatted.\n")}},
  };
  return table;
}

const Message* find_message(int code) {
  static const std::vector<const Message*> by_code = [] {
    std::vector<const Message*> v(136, nullptr);
    for (const Message& m : message_table()) v[m.code] = &m;
    return v;
  }();
  if (code < 1 || code > 135) return nullptr;
  return by_code[code];
}

}  // namespace

bool is_warning_code(int code) {
  switch (code) {
    case 14:
    case 16:
    case 17:
    case 39:
    case 41:
    case 55:
    case 95:
    case 96:
      return true;
    default:
      return false;
  }
}

std::string error_message(int code, const ErrorCode& e) {
  const Message* m = find_message(code);
  if (!m) return {};
  std::string out;
  for (const Piece& p : m->pieces) {
    switch (p.field) {
      case Field::none:
        out += p.text;
        break;
      case Field::number1:
        out += std::to_string(e.number1);
        break;
      case Field::number2:
        out += std::to_string(e.number2);
        break;
      case Field::what:
        out += e.what;
        break;
      case Field::file:
        out += e.file;
        break;
    }
  }
  return out;
}

void report(ErrorCode& e) {
  if (e.code > 0) {
    say("\n");
    e.stop = 1;
    const std::string text = error_message(e.code, e);
    if (!text.empty()) say("%s", text.c_str());
    if (is_warning_code(e.code)) {
      e.stop = 0;
    } else if (e.stopping_code == 0) {
      e.stopping_code = e.code;
    }
  }
  e.code = 0;
}

}  // namespace torva
