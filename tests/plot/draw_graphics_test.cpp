// Tests for plot/draw_graphics.cpp: the picture on the surface (texts at
// their rows and columns, borders and lines at their pixels and colours),
// the pause between pictures and the graphics menu.

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "common/control.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "platform/surface.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "plot/picture.h"
#include "plot/picture_layout.h"
#include "plot/plot_extras.h"
#include "tests/support/test_env.h"

namespace {

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kBlack = 0x00000000;

// Screen 1: the views of the 520-pixel window.
constexpr PixelRect kView1{5, 35, 520, 520};
constexpr PixelRect kView2{521, 35, 765, 279};
constexpr PixelRect kView3{521, 280, 765, 520};

// A keyboard that notes where each read was asked for and what the menu
// row showed at that moment.
struct ReadNote {
    int row, col;
    std::string menu_row;
};
std::deque<std::string> g_answers;
std::vector<ReadNote> g_reads;

bool noting_read(std::string& line, int row, int col) {
    g_reads.push_back({row, col, screen_row(row)});
    if (g_answers.empty()) return false;
    line = g_answers.front();
    g_answers.pop_front();
    return true;
}

const Frontend kNotingKeyboard{noting_read, nullptr, nullptr, nullptr};

// A range answer: a in columns 1 to 18, b from column 20.
std::string bounds(const std::string& a, const std::string& b) {
    std::string s = a;
    s.resize(19, ' ');
    return s + b;
}

class DrawGraphicsTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        clear_plot_extras();
        g_answers.clear();
        g_reads.clear();
        stop_mode = 0;
        int_params(ip::SCREEN) = 1;
        int_params(ip::NFL) = 1;
        eye_point(2) = -10.0;
        for (int i = 1; i <= 3; ++i) inertia_matrix(i, i) = 1.0;
        for (int j = 1; j <= 3; ++j) set_range(j, -2.0, 2.0, -2.0, 2.0);
        NTIME = 1;
    }
    void TearDown() override {
        install_frontend(nullptr);
        KalvoTest::TearDown();
    }
    static void set_range(int row, double x1, double x2, double y1, double y2) {
        view_range(row, 1) = x1;
        view_range(row, 2) = x2;
        view_range(row, 3) = y1;
        view_range(row, 4) = y2;
    }
    static void set_point(int k, int i, double x, double y, double z) {
        figure_x(k, i) = x;
        figure_y(k, i) = y;
        figure_z(k, i) = z;
    }
    // The traced point of each edition at (0, 0, 1) of the body: the zeta
    // tip, or the OM point of a spin about zeta with a unit tensor.
    static void trace_body_point_at_zeta_one() {
        set_point(1, 3, 0.0, 0.0, 1.0);
        YP(12, NTIME) = 5.0;
    }
    static void answers(std::initializer_list<std::string> lines) {
        for (const std::string& l : lines) g_answers.push_back(l);
        install_frontend(&kNotingKeyboard);
    }
    void draw() { draw_graphics(line_); }

    // The pixel of a world point in a view with the range of view_range row.
    static void pixel_of(const PixelRect& r, int row, double x, double y, int& px, int& py) {
        const double x1 = view_range(row, 1), x2 = view_range(row, 2);
        const double y1 = view_range(row, 3), y2 = view_range(row, 4);
        px = int(std::floor(r.x1 + (x - x1) * (r.x2 - r.x1) / (x2 - x1) + 0.5));
        py = int(std::floor(r.y1 + (y2 - y) * (r.y2 - r.y1) / (y2 - y1) + 0.5));
    }
    // True when a pixel of the colour lies within one pixel of the point.
    static bool colour_near(const PixelRect& r, int row, double x, double y, int32_t colour) {
        int px, py;
        pixel_of(r, row, x, y, px, py);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (screen_pixel(px + dx, py + dy) == colour) return true;
        return false;
    }
    static bool white_around(const PixelRect& r, int row, double x, double y) {
        int px, py;
        pixel_of(r, row, x, y, px, py);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (screen_pixel(px + dx, py + dy) != kWhite) return false;
        return true;
    }

    Text<120> line_;
};

//---- the frame of the picture ----

TEST_F(DrawGraphicsTest, HeaderLineShowsFileTimesIndexAndCounters) {
    NTIME = 2;
    TIME(1) = 0.0;
    TIME(2) = 1.5;
    int_params(ip::nok) = 3;
    int_params(ip::nbad) = 4;
    draw();
    EXPECT_EQ(screen_row(1), "NFILE   10 To     0.0000  T    1.5000  NTIME     2  nok     3  nbad    4");
    EXPECT_EQ(screen_text_colour_at(1, 1), kBlack);
}

TEST_F(DrawGraphicsTest, HeaderKeepsAnIndexOutsideTheTableButReadsInsideIt) {
    NTIME = 0;
    TIME(1) = 2.5;
    NFILE = 7;
    draw();
    EXPECT_EQ(screen_row(1).substr(0, 40), "NFILE    7 To     2.5000  T    2.5000  N");
    EXPECT_EQ(screen_row(1).substr(39, 11), "NTIME     0");
}

TEST_F(DrawGraphicsTest, LegendEntriesStandAtTheirColumnsInTheirColours) {
    draw();
    EXPECT_EQ(screen_row(2),
              " XI IN VERDE+ ETA IN ROSSO+  ZETAIN BLU+     OM IN VIOLET   K  IN AZZURR   xy IN VIOLA  "
              "  yz IN VERDE    zx IN ROSSO");
    const int starts[8] = {1, 15, 30, 45, 60, 75, 90, 105};
    for (int l = 1; l <= 8; ++l) {
        EXPECT_EQ(screen_text_colour_at(2, starts[l - 1]), colour_table(l)) << l;
        EXPECT_EQ(screen_text_colour_at(2, starts[l - 1] + 13), colour_table(l)) << l;
    }
    // The last entry's blanks reach column 126.
    EXPECT_EQ(screen_text_colour_at(2, 126), colour_table(8));
    EXPECT_NE(screen_text_colour_at(2, 127), colour_table(8));
}

TEST_F(DrawGraphicsTest, ViewBordersLieOnTheirViewports) {
    draw();
    // View 1: (5, 35) - (520, 520); views 2 and 3 beside it.
    EXPECT_EQ(screen_pixel(5, 300), kBlack);
    EXPECT_EQ(screen_pixel(520, 300), kBlack);
    EXPECT_EQ(screen_pixel(300, 35), kBlack);
    EXPECT_EQ(screen_pixel(300, 520), kBlack);
    EXPECT_EQ(screen_pixel(4, 300), kWhite);
    EXPECT_EQ(screen_pixel(300, 34), kWhite);
    EXPECT_EQ(screen_pixel(6, 300), kWhite);
    EXPECT_EQ(screen_pixel(521, 100), kBlack);
    EXPECT_EQ(screen_pixel(765, 100), kBlack);
    EXPECT_EQ(screen_pixel(600, 279), kBlack);
    EXPECT_EQ(screen_pixel(600, 280), kBlack);
    EXPECT_EQ(screen_pixel(765, 400), kBlack);
    EXPECT_EQ(screen_pixel(600, 520), kBlack);
    EXPECT_EQ(screen_pixel(766, 100), kWhite);
    EXPECT_EQ(screen_pixel(600, 521), kWhite);
    EXPECT_EQ(screen_pixel(650, 150), kWhite);
}

TEST_F(DrawGraphicsTest, LargerWindowMovesTheBordersAndDropsThePanel) {
    int_params(ip::SCREEN) = kEarlierEdition ? 3 : 9;
    real_params(rp::FULLY) = 700.9;
    draw();
    EXPECT_EQ(screen_pixel(700, 300), kBlack);
    EXPECT_EQ(screen_pixel(300, 700), kBlack);
    EXPECT_EQ(screen_pixel(1035, 200), kBlack);
    EXPECT_EQ(screen_pixel(800, 369), kBlack);
    EXPECT_EQ(screen_pixel(800, 370), kBlack);
    EXPECT_EQ(screen_pixel(1036, 200), kWhite);
    EXPECT_EQ(screen_row(LASTRIG), "");
    EXPECT_EQ(screen_row(LASTRIG + 2), "");
}

TEST_F(DrawGraphicsTest, FullyBeyondTheSurfaceStillDrawsThreeViewsOnIt) {
    int_params(ip::SCREEN) = kEarlierEdition ? 3 : 9;
    real_params(rp::FULLY) = 1e6;
    draw();
    // H = 863, F = 416: view 3 ends on the last column.
    EXPECT_EQ(screen_pixel(863, 500), kBlack);
    EXPECT_EQ(screen_pixel(1279, 500), kBlack);
    EXPECT_EQ(screen_pixel(300, 863), kBlack);
    real_params(rp::FULLY) = -7.0;
    draw();
    // H = 39, F = 4: three tiny views, none inverted; view 3 is one pixel row.
    EXPECT_EQ(screen_pixel(39, 37), kBlack);
    EXPECT_EQ(screen_pixel(43, 37), kBlack);
    EXPECT_EQ(screen_pixel(41, 39), kBlack);
    EXPECT_EQ(screen_pixel(41, 40), kWhite);
    EXPECT_EQ(screen_pixel(300, 300), kWhite);
}

TEST_F(DrawGraphicsTest, TriadStartsAtX0Y0AndEndsOnTheAxisImages) {
    view_range(5, 1) = -1.0;
    view_range(5, 2) = -1.0;
    draw();
    // Seen from -y: x ends at (1, 0), y at (0, 0), z at (0, 1).
    if (kCurrentEdition) {
        EXPECT_TRUE(colour_near(kView1, 1, 0.0, -0.5, 0x000000FF));
        EXPECT_TRUE(colour_near(kView1, 1, -0.5, -0.5, 0x00003399));
        EXPECT_TRUE(colour_near(kView1, 1, -0.5, 0.0, 0x00FF0000));
    } else {
        EXPECT_TRUE(white_around(kView1, 1, 0.0, -0.5));
        EXPECT_TRUE(white_around(kView1, 1, -0.5, -0.5));
    }
}

TEST_F(DrawGraphicsTest, LinpunClearsHeaderLegendBorderAndTriadOnly) {
    LINPUN = 1;
    view_range(5, 1) = -1.0;
    view_range(5, 2) = -1.0;
    trace_body_point_at_zeta_one();
    draw();
    EXPECT_EQ(screen_row(1), "");
    EXPECT_EQ(screen_row(2), "");
    EXPECT_EQ(screen_pixel(5, 300), kWhite);
    EXPECT_EQ(screen_pixel(300, 520), kWhite);
    EXPECT_TRUE(white_around(kView1, 1, 0.0, -0.5));
    // The body, views 2 and 3 and the panel are drawn after the clear.
    EXPECT_TRUE(colour_near(kView1, 1, 0.0, 0.5, 0x00FF0000));
    EXPECT_EQ(screen_pixel(765, 100), kBlack);
    EXPECT_EQ(screen_pixel(600, 520), kBlack);
    EXPECT_EQ(screen_row(LASTRIG).substr(0, 3), "CI ");
}

//---- the body and the figure objects ----

TEST_F(DrawGraphicsTest, BodyAxesOmAndKInTheirColours) {
    set_point(1, 1, 1.5, 0.0, 0.0);
    set_point(1, 2, -1.5, 0.0, 0.0);
    set_point(1, 3, 0.0, 0.0, 1.5);
    inertia_matrix(2, 2) = 2.0;
    inertia_matrix(3, 3) = 4.0;
    YP(10, 1) = 1.0;
    YP(12, 1) = 1.0;
    draw();
    EXPECT_TRUE(colour_near(kView1, 1, 0.75, 0.0, 0x0000FF00));
    EXPECT_TRUE(colour_near(kView1, 1, -0.75, 0.0, 0x000000FF));
    EXPECT_TRUE(colour_near(kView1, 1, 0.0, 0.75, 0x00FF0000));
    // OM = (1, 0, 1)/sqrt 5 drawn out to twice itself; K = (1, 0, 4)(5/17)/sqrt 5
    // drawn from the OM point.
    const double om = 1.0 / std::sqrt(5.0);
    EXPECT_TRUE(colour_near(kView1, 1, 1.5 * om, 1.5 * om, 0x00FF00C0));
    const double kx = om + (5.0 / 17.0) * om, kz = om + 4.0 * (5.0 / 17.0) * om;
    EXPECT_TRUE(colour_near(kView1, 1, (om + kx) / 2.0, (om + kz) / 2.0, 0x00FFFF0F));
}

TEST_F(DrawGraphicsTest, FigureObjectsTakeEntryGPlusFourUpToNba) {
    for (int i = 1; i <= 20; ++i) {
        const double x = -1.5 + 3.0 * (i - 1) / 19.0;
        set_point(2, i, x, 0.0, -1.0);
        set_point(3, i, x, 0.0, -1.5);
        set_point(4, i, x, 0.0, 1.8);
    }
    int_params(ip::NBA) = 3;
    draw();
    EXPECT_TRUE(colour_near(kView1, 1, 0.05, -1.0, colour_table(6)));
    EXPECT_TRUE(colour_near(kView1, 1, 0.05, -1.5, colour_table(7)));
    EXPECT_TRUE(colour_near(kView1, 1, 0.05, 1.8, colour_table(8)));
    int_params(ip::NBA) = 1;
    draw();
    EXPECT_TRUE(colour_near(kView1, 1, 0.05, -1.0, colour_table(6)));
    EXPECT_TRUE(white_around(kView1, 1, 0.05, -1.5));
    int_params(ip::NBA) = 0;
    draw();
    EXPECT_TRUE(white_around(kView1, 1, 0.05, -1.0));
}

//---- the traces ----

// Three stored states: states 1 and 2 were pictured before (their entries
// are set by hand), state 3 is the newest, whose traced point is (0, 0, 1)
// and whose trace point is the centre.
class TraceColoursTest : public DrawGraphicsTest {
protected:
    void SetUp() override {
        DrawGraphicsTest::SetUp();
        NTIME = 3;
        trace_body_point_at_zeta_one();
        for (int n = 1; n <= 2; ++n) {
            trace_vector(1, n, 1) = -1.5;  // trace 1 from (-1.5, 1.5)
            trace_vector(1, n, 3) = 1.5;
            trace_vector(2, n, 1) = 1.5;  // trace 2 from (1.5, 1.5)
            trace_vector(2, n, 3) = 1.5;
        }
        trace_point_store(1, 1, 1) = 1.5;  // trace 3 starts at state 2
        trace_point_store(1, 1, 3) = -1.5;
        trace_point_store(1, 2, 1) = -1.5;
        trace_point_store(1, 2, 3) = -1.5;
        trace_top(1, 1) = 1.5;
        trace_top(2, 1) = 1.5;
        trace_top(1, 2) = 1.5;
        trace_top(2, 2) = -1.5;
    }
    void expect_traces_in(int first_entry) {
        const int32_t t1 = colour_table(first_entry), t2 = colour_table(first_entry + 1);
        const int32_t t3 = colour_table(first_entry + 2);
        EXPECT_TRUE(colour_near(kView1, 1, -0.75, 1.25, t1));
        EXPECT_TRUE(colour_near(kView1, 1, 0.75, 1.25, t2));
        EXPECT_TRUE(colour_near(kView1, 1, -0.75, -0.75, t3));
        EXPECT_TRUE(white_around(kView1, 1, 0.0, -1.5));  // trace 3 has no line from state 1
        EXPECT_TRUE(colour_near(kView2, 2, -0.75, 1.25, t1));
        EXPECT_TRUE(colour_near(kView2, 2, 0.75, 1.25, t2));
        EXPECT_TRUE(white_around(kView2, 2, -0.75, -0.75));  // trace 3 in view 1 only
        // The top view: states 1, 2, 3 and the line back to state 1.
        EXPECT_TRUE(colour_near(kView3, 3, 1.5, 0.0, t2));
        EXPECT_TRUE(colour_near(kView3, 3, 0.75, -0.75, t2));
        EXPECT_TRUE(colour_near(kView3, 3, 0.75, 0.75, t2));
    }
};

TEST_F(TraceColoursTest, NbaZeroDrawsTracesInEntriesSixSevenEight) {
    draw();
    EXPECT_EQ(colour_table(6), 0x00CC0099);
    EXPECT_EQ(colour_table(7), 0x00009900);
    expect_traces_in(6);
}

TEST_F(TraceColoursTest, NbaThreeMovesTracesToEntriesNineTenEleven) {
    int_params(ip::NBA) = 3;
    draw();
    expect_traces_in(9);
}

TEST_F(TraceColoursTest, NbaBeyondTheFigureActsAsSix) {
    int_params(ip::NBA) = kEarlierEdition ? 5 : 6;
    draw();
    const int six = kEarlierEdition ? 11 : 12;
    expect_traces_in(six);
    int_params(ip::NBA) = 99;
    draw();
    expect_traces_in(six);
}

TEST_F(TraceColoursTest, PointWithoutFinitePlaneCoordinatesBreaksTheLine) {
    NTIME = 4;
    trace_body_point_at_zeta_one();
    trace_vector(1, 2, 1) = NAN;  // state 2 cannot be seen
    trace_vector(1, 3, 1) = -1.5;
    trace_vector(1, 3, 3) = -1.5;
    draw();
    const int32_t t1 = colour_table(6);
    EXPECT_TRUE(white_around(kView1, 1, -1.5, 0.0));        // no line from state 1 past state 2 to state 3
    EXPECT_TRUE(colour_near(kView1, 1, -0.75, -0.25, t1));  // state 3 to state 4
}

TEST_F(DrawGraphicsTest, SingleStoredStateDrawsSinglePoints) {
    trace_body_point_at_zeta_one();
    draw();
    // Trace 2, drawn after trace 1 and the body, is a dot on the zeta image.
    int px, py;
    pixel_of(kView1, 1, 0.0, 1.0, px, py);
    EXPECT_EQ(screen_pixel(px, py), colour_table(7));
    pixel_of(kView2, 2, 0.0, 1.0, px, py);
    EXPECT_EQ(screen_pixel(px, py), colour_table(7));
    EXPECT_EQ(screen_pixel(px, py - 2), kWhite);
    pixel_of(kView3, 3, 0.0, 0.0, px, py);
    EXPECT_EQ(screen_pixel(px, py), colour_table(7));
    EXPECT_EQ(screen_pixel(px + 2, py), kWhite);
}

//---- the text panel ----

class PanelTest : public DrawGraphicsTest {
protected:
    void SetUp() override {
        DrawGraphicsTest::SetUp();
        int_params(ip::nciclo) = 1;
        int_params(ip::NPROL) = 2;
        int_params(ip::NTIME) = 5;
        int_params(ip::nbad) = 4;
        NCC = -1;
        const double tensor[6] = {1.0, 2.0, 4.0, 0.5, 0.25, -0.125};
        for (int k = 0; k < 6; ++k) real_params(rp::A + k) = tensor[k];
        real_params(rp::TPRINT) = 0.05;
        real_params(rp::TFIN) = 10.0;
        real_params(rp::DELPIAN) = 0.25;
        real_params(rp::XGo) = 1.0;
        real_params(rp::YGo) = -2.0;
        real_params(rp::XPGo) = 0.25;
        YP(5, 1) = M_PI / 2;
    }
};

TEST_F(PanelTest, CurrentEditionPanelLines) {
    if (kEarlierEdition) GTEST_SKIP();
    real_params(rp::PSIPo) = 0.1;
    real_params(rp::THETAPo) = 0.2;
    real_params(rp::PHIPo) = 0.3;
    YP(10, 1) = 1.0;
    YP(11, 1) = 2.0;
    YP(12, 1) = 3.0;
    set_point(1, 3, 1.0, 2.0, 0.0);  // the traced point turns onto (1, 0, 2)
    draw();
    const char* rows123 = "XRG=    -2.000     2.000 YRG=    -2.00     2.00 ";
    const char* rows456 = "XRG=     0.000     0.000 YRG=     0.00     0.00 ";
    EXPECT_EQ(screen_row(36),
              std::string("NW ") + rows123 + "ncicl  1    A     1.000 TPRIN    0.050 PSIP     2.000");
    EXPECT_EQ(screen_row(37),
              std::string("NN ") + rows123 + "NPROL  2    B     2.000 TZERO    0.000 THEP     1.000");
    EXPECT_EQ(screen_row(38),
              std::string("NE ") + rows123 + "NFL    1    C     4.000 TFIN    10.000 PHIP     3.000");
    EXPECT_EQ(screen_row(39),
              std::string("SW ") + rows456 + "NTIME  5    D     0.500 OMx      1.000 PSIPo    0.100");
    EXPECT_EQ(screen_row(40),
              std::string("SS ") + rows456 + "nbad   4    E     0.250 OMy      2.000 THEPo    0.200");
    EXPECT_EQ(screen_row(41),
              std::string("SE ") + rows456 + "NCC   -1    F    -0.125 DELPI    0.250 PHIPo    0.300");
    EXPECT_EQ(screen_row(34),
              "CI   1.0000  -2.0000   0.0000   0.0000   0.0000   0.0000   0.2500   0.0000   0.0000"
              "   0.0000   0.0000   0.0000");
    EXPECT_EQ(screen_row(35),
              "YP   0.0000   0.0000   0.0000   0.0000   1.5708   0.0000   0.0000   0.0000   0.0000"
              "   1.0000   2.0000   3.0000");
    EXPECT_EQ(screen_text_colour_at(36, 1), kBlack);
    EXPECT_EQ(screen_text_colour_at(34, 1), kBlack);
}

TEST_F(PanelTest, EarlierEditionPanelShowsTheStartStateWithBlankNames) {
    if (kCurrentEdition) GTEST_SKIP();
    YP(10, 1) = 2.0;  // OM = (2, 1, 0)/sqrt 5, turned onto (2, 0, 1)/sqrt 5
    YP(11, 1) = 1.0;
    draw();
    const char* rows123 = "XRG=    -2.000     2.000 YRG=    -2.00     2.00 ";
    const char* rows456 = "XRG=     0.000     0.000 YRG=     0.00     0.00 ";
    EXPECT_EQ(screen_row(36), std::string("NW ") + rows123 +
                                  "ncicl  1    A     1.000 TPRIN    0.050        0.1000D+01  0.2500D+00");
    EXPECT_EQ(screen_row(37), std::string("NN ") + rows123 +
                                  "NPROL  2    B     2.000 TZERO    0.000       -0.2000D+01  0.0000D+00");
    EXPECT_EQ(screen_row(39), std::string("SW ") + rows456 +
                                  "NTIME  5    D     0.500 OMx      0.894        0.0000D+00  0.0000D+00");
    EXPECT_EQ(screen_row(40), std::string("SS ") + rows456 +
                                  "nbad   4    E     0.250 OMy      0.447        0.0000D+00  0.0000D+00");
    // The name field holds blanks, not zero characters.
    for (int col = 91; col <= 95; ++col) EXPECT_EQ(screen_char(36, col), ' ') << col;
}

TEST_F(PanelTest, PanelFollowsLastrigAndLoadedNames) {
    LASTRIG = 20;
    int_param_names(ip::nciclo) = "cyc     ";
    real_param_names(rp::A) = "Ixx     ";
    draw();
    EXPECT_EQ(screen_row(20).substr(0, 3), "CI ");
    EXPECT_EQ(screen_row(21).substr(0, 3), "YP ");
    EXPECT_EQ(screen_row(22).substr(0, 2), "NW");
    EXPECT_EQ(screen_row(22).substr(51, 23), "cyc    1 Ixx      1.000");
    EXPECT_EQ(screen_row(27).substr(0, 2), "SE");
    EXPECT_EQ(screen_row(34), "");
}

TEST_F(PanelTest, NoPanelFromScreenTwoUpAndForCodesSixToEight) {
    const int codes[] = {2, 6, 8, 12};
    for (int code : codes) {
        int_params(ip::SCREEN) = int16_t(code);
        draw();
        EXPECT_EQ(screen_row(34), "") << code;
        EXPECT_EQ(screen_row(36), "") << code;
    }
    int_params(ip::SCREEN) = -3;
    draw();
    EXPECT_EQ(screen_row(36).substr(0, 2), "NW");
}

TEST_F(PanelTest, SingularAttitudeShowsNonFiniteRatesOnlyInThePanel) {
    if (kEarlierEdition) GTEST_SKIP() << "the earlier panel shows no rates";
    YP(5, 1) = 0.0;
    YP(11, 1) = 1.0;  // S = 1 over sin THETA = 0
    draw();
    EXPECT_EQ(screen_row(36).substr(90), "PSIP  Infinity");
    EXPECT_EQ(screen_row(37).substr(90), "THEP     0.000");
    EXPECT_EQ(screen_row(38).substr(90), "PHIP -Infinity");
}

//---- the end of a picture ----

TEST_F(DrawGraphicsTest, RunStateOneDrawsNothingWaitsNotAndAsksNothing) {
    win_text_pos(5, 3);
    win_text("OLD");
    run_state = 1;
    stop_mode = 1;
    int_params(ip::durata) = 300;
    draw();
    EXPECT_EQ(screen_row(5), "  OLD");
    EXPECT_EQ(screen_row(1), "");
    EXPECT_EQ(screen_pixel(300, 300), kStartBackColour);
    EXPECT_EQ(waited_ms(), 0);
    EXPECT_EQ(keyboard_reads(), 0);
    EXPECT_EQ(run_state, 1);
}

TEST_F(DrawGraphicsTest, RunningOnWaitsDurataAfterEachPicture) {
    int_params(ip::durata) = 250;
    draw();
    EXPECT_EQ(waited_ms(), 250);
    draw();
    EXPECT_EQ(waited_ms(), 500);
    int_params(ip::durata) = 0;
    draw();
    int_params(ip::durata) = -40;
    draw();
    EXPECT_EQ(waited_ms(), 500);
    EXPECT_EQ(keyboard_reads(), 0);
}

TEST_F(DrawGraphicsTest, EachPictureStartsFromAClearWindow) {
    win_text_pos(50, 1);
    win_text("LEFT OVER");
    draw();
    EXPECT_EQ(screen_row(50), "");
    EXPECT_EQ(screen_pixel(1200, 1000), kWhite);
}

//---- the graphics menu ----

class MenuTest : public DrawGraphicsTest {
protected:
    void SetUp() override {
        DrawGraphicsTest::SetUp();
        stop_mode = 1;
        int_params(ip::durata) = 100;
    }
};

TEST_F(MenuTest, EmptyAnswerGoesOnToTheNextPictureAndStopsThere) {
    answers({""});
    draw();
    EXPECT_EQ(stop_mode, 1);
    EXPECT_EQ(run_state, 0);
    EXPECT_EQ(waited_ms(), 0);
    ASSERT_EQ(g_reads.size(), 1u);
    EXPECT_EQ(g_reads[0].row, 42);
    EXPECT_EQ(g_reads[0].col, 116);
    EXPECT_EQ(g_reads[0].menu_row.substr(64), "RNG=[1..10];0=GO;22=pros;33=GRAF;44=NOSTP;55=OUT");
}

TEST_F(MenuTest, NostopOutAndProsEndTheMenu) {
    answers({"44"});
    draw();
    EXPECT_EQ(stop_mode, 0);
    EXPECT_EQ(run_state, 0);
    stop_mode = 1;
    answers({"55"});
    draw();
    EXPECT_EQ(run_state, 1);
    EXPECT_EQ(stop_mode, 1);
    run_state = 0;
    answers({"22"});
    draw();
    EXPECT_EQ(run_state, 3);
    EXPECT_EQ(g_reads.size(), 3u);
}

TEST_F(MenuTest, UnreadableAndUnknownCodesAskAgain) {
    answers({"-1", "56", "abc", "13", "21", "54", "0"});
    const Mat<double, 6, 4> before = view_range;
    draw();
    EXPECT_EQ(g_reads.size(), 7u);
    for (const ReadNote& r : g_reads) {
        EXPECT_EQ(r.col, 116);
        EXPECT_EQ(r.menu_row.substr(64, 48), "RNG=[1..10];0=GO;22=pros;33=GRAF;44=NOSTP;55=OUT");
    }
    EXPECT_TRUE(view_range == before);
    EXPECT_EQ(stop_mode, 1);
    EXPECT_EQ(run_state, 0);
}

TEST_F(MenuTest, RangePromptFollowsTheKeptMenuStart) {
    answers({"3", bounds("-2.5", "2.5"), "0"});
    draw();
    ASSERT_EQ(g_reads.size(), 3u);
    EXPECT_EQ(g_reads[1].row, 42);
    EXPECT_EQ(g_reads[1].col, 85);
    EXPECT_EQ(g_reads[1].menu_row.substr(64), "RNG=[[a,b]in F18.10");
    EXPECT_EQ(view_range(2, 1), -2.5);
    EXPECT_EQ(view_range(2, 2), 2.5);
    EXPECT_EQ(view_range(2, 3), -2.0);
    EXPECT_EQ(g_reads[2].col, 116);
}

TEST_F(MenuTest, EvenCodesSetTheYRangeAndOddCodesTheX) {
    answers({"2", bounds("-1", "3"), "11", bounds("0.5", "0.75"), "12", bounds("7", "8"), "0"});
    draw();
    EXPECT_EQ(view_range(1, 1), -2.0);
    EXPECT_DOUBLE_EQ(view_range(1, 3), -1e-10);  // typed without a point: ten decimals
    EXPECT_DOUBLE_EQ(view_range(1, 4), 3e-10);
    EXPECT_EQ(view_range(6, 1), 0.5);  // code 11, beyond the range the prompt names
    EXPECT_EQ(view_range(6, 2), 0.75);
    EXPECT_DOUBLE_EQ(view_range(6, 3), 7e-10);
    EXPECT_DOUBLE_EQ(view_range(6, 4), 8e-10);
}

TEST_F(MenuTest, HundredReadsAsTen) {
    answers({"100", bounds("1.5", "2.5"), "0"});
    draw();
    EXPECT_EQ(view_range(5, 3), 1.5);
    EXPECT_EQ(view_range(5, 4), 2.5);
    EXPECT_EQ(view_range(5, 1), 0.0);
}

TEST_F(MenuTest, ShortAndEmptyRangeAnswers) {
    answers({"1", "5", "5", "", "0"});
    draw();
    EXPECT_DOUBLE_EQ(view_range(1, 1), 5e-10);
    EXPECT_EQ(view_range(1, 2), 0.0);
    EXPECT_EQ(view_range(3, 1), 0.0);
    EXPECT_EQ(view_range(3, 2), 0.0);
}

TEST_F(MenuTest, UnreadableRangeAsksAgainForTheSameCode) {
    answers({"4", "abc", bounds("-1.0", "1.0"), "0"});
    draw();
    ASSERT_EQ(g_reads.size(), 4u);
    EXPECT_EQ(g_reads[2].col, 85);
    EXPECT_EQ(g_reads[2].menu_row.substr(64), "RNG=[[a,b]in F18.10");
    EXPECT_EQ(view_range(2, 3), -1.0);
    EXPECT_EQ(view_range(2, 4), 1.0);
}

TEST_F(MenuTest, RangeEditTakesEffectOnlyAtTheRedraw) {
    NTIME = 2;
    trace_body_point_at_zeta_one();
    trace_vector(2, 1, 1) = 1.5;  // trace 2 from (1.5, 1.5) to (0, 1)
    trace_vector(2, 1, 3) = 1.5;
    const int32_t t2 = colour_table(7);
    answers({"1", bounds("-1", "3"), "0"});
    draw();
    EXPECT_DOUBLE_EQ(view_range(1, 1), -1e-10);
    set_range(1, -2.0, 2.0, -2.0, 2.0);  // the range the picture was drawn in
    EXPECT_TRUE(colour_near(kView1, 1, 0.75, 1.25, t2)) << "not redrawn after the edit";

    answers({"1", bounds("-1.0", "3.0"), "33", "0"});
    draw();
    EXPECT_EQ(g_reads.size(), 7u);
    EXPECT_TRUE(colour_near(kView1, 1, 0.75, 1.25, t2)) << "redrawn in the new range";
    set_range(1, -2.0, 2.0, -2.0, 2.0);
    EXPECT_TRUE(white_around(kView1, 1, 0.75, 1.25)) << "the old picture is cleared";
}

TEST_F(MenuTest, RedrawMovesTheTriadAfterCodeNine) {
    if (kEarlierEdition) GTEST_SKIP() << "no triad in the earlier edition";
    answers({"9", bounds("-1.0", "-1.0"), "33", "0"});
    draw();
    EXPECT_TRUE(colour_near(kView1, 1, 0.0, -0.5, 0x000000FF));
    EXPECT_TRUE(white_around(kView1, 1, 0.5, 0.0));
}

TEST_F(MenuTest, KeyboardThatEndsLeavesTheRun) {
    install_frontend(&kNotingKeyboard);
    draw();
    EXPECT_EQ(run_state, 1);
}

}  // namespace
