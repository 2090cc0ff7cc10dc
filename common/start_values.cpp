#include "common/start_values.h"

#include "common/control.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"

namespace {

//---- names of the parameter tables ----

constexpr const char* kRealNamesCurrent[64] = {
    "EPS     ", "H1      ", "HMIN    ", "TPRINT  ", "DXSAV   ", "  Xtr   ", "  Ytr   ", "  Ztr   ",
    "DELXP   ", "DELH1   ", "DELH2   ", "DELH3   ", "DELH4   ", "DELTA1  ", "DELTA2  ", "        ",
    "        ", "VISTA_X ", "VISTA_Y ", "VISTA_Z ", "Y1MAX   ", "Y2MAX   ", "Y3MAX   ", "   A    ",
    "   B    ", "   C    ", "   D    ", "   E    ", "   F    ", "        ", "TZERO   ", "TFIN    ",
    "XGo     ", "YGo     ", "ZGo     ", "PSIo    ", "THETAo  ", "PHIo    ", "XPGo    ", "YPGo    ",
    "ZPGo    ", "OMCSIo  ", "OMETAo  ", "OMZETAo ", "        ", "PSIPo   ", "THETAPo ", "PHIPo   ",
    "  FX    ", "  MX    ", "  FY    ", "  MY    ", "  FZ    ", "  MZ    ", "DELPIAN ", "\\zeta G ",
    " FULLX  ", " FULLY  ", "        ", "        ", "        ", "        ", "        ", "        ",
};

constexpr const char* kRealNamesEarlier[60] = {
    "EPS     ", "H1      ", "HMIN    ", "TPRINT  ", "DXSAV   ", "  Xtr   ", "  Ytr   ", "  Ztr   ",
    "DELXP   ", "DELH1   ", "DELH2   ", "DELH3   ", "DELH4   ", "DELTA1  ", "DELTA2  ", "        ",
    "        ", "VISTA_X ", "VISTA_Y ", "VISTA_Z ", "Y1MAX   ", "Y2MAX   ", "Y3MAX   ", "   A    ",
    "   B    ", "   C    ", "   D    ", "   E    ", "   F    ", "        ", "TZERO   ", "TFIN    ",
    "XGo     ", "YGo     ", "ZGo     ", "PSIo    ", "THETAo  ", "PHIo    ", "XPGo    ", "YPGo    ",
    "ZPGo    ", "OMCSIo  ", "OMETAo  ", "OMZETAo ", "  FX    ", "  MX    ", "  FY    ", "  MY    ",
    "  FZ    ", "  MZ    ", "DELPIAN ", "\\zeta G ", " FULLX  ", " FULLY  ", "        ", "        ",
    "        ", "        ", "        ", "        ",
};

constexpr const char* kIntNames[15] = {
    "nciclo  ", "NPROL   ", "NFL     ", "NBA     ", "durata  ", "nrip    ", "        ", "ncicmx  ",
    "ndpunt  ", "NTIME   ", "nok     ", "nbad    ", "NVOLT1  ", "NVOLT2  ", "SCREEN  ",
};

constexpr const char* kViewNames[6][4] = {
    {"   X1M  ", "   X1P  ", "   Y1M  ", "   Y1P  "}, {"   X2M  ", "   X2P  ", "   Y2M  ", "   Y2P  "},
    {"   X3M  ", "   X3P  ", "   Y3M  ", "   Y3P  "}, {"   X4M  ", "   X4P  ", "   Y4M  ", "   Y4P  "},
    {"   X0   ", "   Y0   ", "   X1   ", "   Y1   "}, {"   X2   ", "   Y2   ", "   X3   ", "   Y3   "},
};

//---- colours and labels of the picture ----

constexpr int32_t kColours[25] = {
    0x0000FF00, 0x000000FF, 0x00FF0000, 0x00FF00C0, 0x00FFFF0F, 0x00CC0099, 0x00009900,
    0x000000FF, 0x00003399, 0x00FF0000, 0x00CC6699, 0x0033CC33, 0x006666FF, 0x003366CC,
    0x00FF6666, 0x00CC99CC, 0x0066FF99, 0x009999FF, 0x0066CCFF, 0x00FFCCCC, 0x00FF00FF,
    0x0000FFFF, 0x00FFCCFF, 0x0099FFFF, 0x00FFFF00,
};

constexpr const char* kColourNames[25] = {
    "VERDE+  ", "ROSSO+  ", "BLU+    ", "VIOLETTO", "AZZURRO ", "VIOLA   ", "VERDE   ",
    "ROSSO   ", "MARRONE ", "BLU     ", "viola   ", "verde   ", "rosso   ", "marrone ",
    "blu     ", "lavanda ", "verde p ", "rosso p ", "arancio ", "blu  p  ", "FUCSIA  ",
    "GIALLO  ", "fucs  p ", "aranc p ", "AZZURRO ",
};

constexpr const char* kLabels[18] = {
    " XI ", "ETA ", "ZETA", " OM ", " K  ", " xy ", " yz ", " zx ", "    ",
    "    ", "    ", "    ", "NW  ", "NN  ", "NE  ", "SW  ", "SS  ", "SE  ",
};

}  // namespace

void set_start_values() {
    // parameter tables
    real_params.fill(0.0);
    for (int k = 1; k <= kRealSlots; ++k)
        real_param_names(k) = kEarlierEdition ? kRealNamesEarlier[k - 1] : kRealNamesCurrent[k - 1];
    periodo = 0.0;
    int_params.fill(0);
    for (int k = 1; k <= 15; ++k) int_param_names(k) = kIntNames[k - 1];
    view_range.fill(0.0);
    for (int j = 1; j <= 6; ++j)
        for (int i = 1; i <= 4; ++i) view_range_names(j, i) = kViewNames[j - 1][i - 1];

    // motion state and control words
    YK.fill(0.0);
    state_rates.fill(0.0);
    error_scale.fill(0.0);
    step_factors.fill(0.0);
    TIME.fill(0.0);
    YP.fill(0.0);
    NTIME = kEarlierEdition ? 0 : 1;
    continuation_state.fill(0.0);
    continuation_recorded = false;
    run_state = 0;
    NCC = 0;
    orientation_matrix.fill(0.0);
    inertia_matrix.fill(0.0);
    inertia_inverse.fill(0.0);
    force_vector.fill(0.0);
    moment_vector.fill(0.0);
    zeta_g_copy = 0.0;
    trials_left = kLegTrials;
    repeated_events.fill(0);

    // main program and data-file words
    run_phase = 1;
    stop_mode = 1;
    LINPUN = 0;
    LASTRIG = 34;
    NFILE = 10;
    file_prefix = "KALVO";
    data_stem = "KALVO";
    title_line.blank();
    header_written = 0;
    file_name.blank();
    load_kind = 0;
    points_in_file = 0;
    file_answer.blank();
    output_declined = 0;

    // figure and plot arrays
    eye_point.fill(0.0);
    delpian_copy = 0.0;
    for (int k = 1; k <= kFigureElements; ++k) figure_npoints(k) = k == 1 ? 6 : 20;
    figure_x.fill(0.0);
    figure_y.fill(0.0);
    figure_z.fill(0.0);
    figure_span.fill(0.0);
    screen_right.fill(0.0);
    screen_up.fill(0.0);
    axis_screen.fill(0.0);
    trace_vector.fill(0.0);
    trace_screen_right.fill(0.0);
    trace_screen_up.fill(0.0);
    trace_top.fill(0.0);
    trace_point_store.fill(0.0);
    for (int i = 1; i <= 25; ++i) {
        colour_table(i) = kColours[i - 1];
        colour_name(i) = kColourNames[i - 1];
    }
    for (int i = 1; i <= 18; ++i) label_table(i) = kLabels[i - 1];
}
