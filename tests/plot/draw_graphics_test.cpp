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
constexpr PixelRect kView1{5, 35, 520, 520};  // the 520-pixel window of SCREEN 1
constexpr PixelRect kView2{521, 35, 765, 279};
constexpr PixelRect kView3{521, 280, 765, 520};

// A keyboard that notes where each read was asked for and what that row
// showed at that moment.
struct ReadNote {
    int row, col;
    std::string shown;
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
std::string bounds(std::string a, const std::string& b) {
    a.resize(19, ' ');
    return a + b;
}

// The eye on the negative y axis, the figure about the origin with the body
// axes on the space axes, views 1 to 3 from -2 to 2 both ways.
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
        const double v[4] = {x1, x2, y1, y2};
        for (int i = 1; i <= 4; ++i) view_range(row, i) = v[i - 1];
    }
    static void set_point(int k, int i, double x, double y, double z) {
        figure_x(k, i) = x;
        figure_y(k, i) = y;
        figure_z(k, i) = z;
    }
    // The traced point of either edition at (0, 0, 1): the zeta tip, or the
    // OM point of a spin about zeta with the unit tensor.
    static void trace_body_point_at_zeta_one() {
        set_point(1, 3, 0.0, 0.0, 1.0);
        YP(12, NTIME) = 5.0;
    }
    static void answers(std::initializer_list<std::string> lines) {
        for (const std::string& l : lines) g_answers.push_back(l);
        install_frontend(&kNotingKeyboard);
    }
    void draw() { draw_graphics(line_); }

    // The pixel of a world point of a view drawn with view_range row `row`.
    static void pixel_of(const PixelRect& r, int row, double x, double y, int& px, int& py) {
        const double x1 = view_range(row, 1), x2 = view_range(row, 2);
        const double y1 = view_range(row, 3), y2 = view_range(row, 4);
        px = int(std::floor(r.x1 + (x - x1) * (r.x2 - r.x1) / (x2 - x1) + 0.5));
        py = int(std::floor(r.y1 + (y2 - y) * (r.y2 - r.y1) / (y2 - y1) + 0.5));
    }
    // Counts the pixels of a colour within one pixel of the point.
    static int around(const PixelRect& r, int row, double x, double y, int32_t colour) {
        int px, py, n = 0;
        pixel_of(r, row, x, y, px, py);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) n += screen_pixel(px + dx, py + dy) == colour;
        return n;
    }
    static bool drawn(const PixelRect& r, int row, double x, double y, int32_t c) {
        return around(r, row, x, y, c) > 0;
    }
    static bool blank(const PixelRect& r, int row, double x, double y) {
        return around(r, row, x, y, kWhite) == 9;
    }

    Text<120> line_;
};

//---- the frame of the picture ----

TEST_F(DrawGraphicsTest, HeaderAndLegendStandAtTheirRowsAndColumns) {
    NTIME = 2;
    TIME(2) = 1.5;
    int_params(ip::nok) = 3;
    int_params(ip::nbad) = 4;
    draw();
    EXPECT_EQ(screen_row(1), "NFILE   10 To     0.0000  T    1.5000  NTIME     2  nok     3  nbad    4");
    EXPECT_EQ(screen_text_colour_at(1, 1), kBlack);
    EXPECT_EQ(screen_row(2),
              " XI IN VERDE+ ETA IN ROSSO+  ZETAIN BLU+     OM IN VIOLET   K  IN AZZURR   xy IN VIOLA  "
              "  yz IN VERDE    zx IN ROSSO");
    const int starts[8] = {1, 15, 30, 45, 60, 75, 90, 105};
    for (int l = 1; l <= 8; ++l)
        EXPECT_EQ(screen_text_colour_at(2, starts[l - 1] + 13), colour_table(l)) << l;
    EXPECT_EQ(screen_text_colour_at(2, 126), colour_table(8));  // the last entry's blanks
    // An index outside the table is shown as it is and read inside the table.
    NTIME = 0;
    TIME(1) = 2.5;
    NFILE = 7;
    draw();
    EXPECT_EQ(screen_row(1).substr(0, 50), "NFILE    7 To     2.5000  T    2.5000  NTIME     0");
}

TEST_F(DrawGraphicsTest, ViewBordersLieOnTheViewportsOfEachWindowSize) {
    const int full = kEarlierEdition ? 3 : 9;
    const struct {
        int screen;
        double fully;
        int black[6][2];
        int white[3][2];
    } cases[] = {
        {1,
         0.0,
         {{5, 300}, {520, 300}, {300, 35}, {521, 100}, {765, 400}, {600, 280}},
         {{4, 300}, {766, 100}, {650, 150}}},
        {full,
         700.9,
         {{700, 300}, {300, 700}, {1035, 200}, {800, 369}, {800, 370}, {701, 600}},
         {{1036, 200}, {300, 701}, {6, 300}}},
        {full,
         1e6,
         {{863, 500}, {1279, 500}, {300, 863}, {864, 40}, {1000, 450}, {1000, 451}},
         {{300, 864}, {1000, 300}, {6, 300}}},
        {full,
         -7.0,
         {{39, 37}, {43, 37}, {41, 39}, {5, 36}, {20, 35}, {40, 38}},
         {{41, 40}, {44, 37}, {20, 37}}},
    };
    for (const auto& c : cases) {
        int_params(ip::SCREEN) = int16_t(c.screen);
        real_params(rp::FULLY) = c.fully;
        draw();
        for (const auto& p : c.black)
            EXPECT_EQ(screen_pixel(p[0], p[1]), kBlack) << c.fully << " " << p[0] << "," << p[1];
        for (const auto& p : c.white)
            EXPECT_EQ(screen_pixel(p[0], p[1]), kWhite) << c.fully << " " << p[0] << "," << p[1];
    }
}

TEST_F(DrawGraphicsTest, TriadFromX0Y0AndTheClearThatLinpunAsksFor) {
    view_range(5, 1) = -1.0;
    view_range(5, 2) = -1.0;
    trace_body_point_at_zeta_one();
    draw();
    // From (-1, -1) to the axis images: x at (1, 0), y at (0, 0), z at (0, 1).
    EXPECT_EQ(drawn(kView1, 1, 0.0, -0.5, 0x000000FF), kCurrentEdition);
    EXPECT_EQ(drawn(kView1, 1, -0.5, -0.5, 0x00003399), kCurrentEdition);
    EXPECT_EQ(drawn(kView1, 1, -0.5, 0.0, 0x00FF0000), kCurrentEdition);
    LINPUN = 1;
    draw();
    EXPECT_EQ(screen_row(1), "");
    EXPECT_EQ(screen_row(2), "");
    EXPECT_EQ(screen_pixel(5, 300), kWhite);
    EXPECT_TRUE(blank(kView1, 1, 0.0, -0.5));
    // The body, views 2 and 3 and the panel come after the clear.
    EXPECT_TRUE(drawn(kView1, 1, 0.0, 0.5, 0x00FF0000));
    EXPECT_EQ(screen_pixel(765, 100), kBlack);
    EXPECT_EQ(screen_pixel(600, 520), kBlack);
    EXPECT_EQ(screen_row(LASTRIG).substr(0, 3), "CI ");
}

//---- the body, the objects and the traces ----

TEST_F(DrawGraphicsTest, BodyAxesOmKAndObjectsInTheirColours) {
    set_point(1, 1, 1.5, 0.0, 0.0);
    set_point(1, 2, -1.5, 0.0, 0.0);
    set_point(1, 3, 0.0, 0.0, 1.5);
    for (int i = 1; i <= 20; ++i) {
        const double x = -1.5 + 3.0 * (i - 1) / 19.0;
        set_point(2, i, x, 0.0, -1.0);
        set_point(3, i, x, 0.0, -1.5);
        set_point(4, i, x, 0.0, 1.8);
    }
    inertia_matrix(2, 2) = 2.0;
    inertia_matrix(3, 3) = 4.0;
    YP(10, 1) = 1.0;
    YP(12, 1) = 1.0;
    int_params(ip::NBA) = 3;
    draw();
    EXPECT_TRUE(drawn(kView1, 1, 0.75, 0.0, 0x0000FF00));
    EXPECT_TRUE(drawn(kView1, 1, -0.75, 0.0, 0x000000FF));
    EXPECT_TRUE(drawn(kView1, 1, 0.0, 0.75, 0x00FF0000));
    // OM = (1, 0, 1)/sqrt 5 out to twice itself; K = (1, 0, 4)(5/17)/sqrt 5 from OM.
    const double om = 1.0 / std::sqrt(5.0), kx = om + (5.0 / 17.0) * om, kz = om + (20.0 / 17.0) * om;
    EXPECT_TRUE(drawn(kView1, 1, 1.5 * om, 1.5 * om, 0x00FF00C0));
    EXPECT_TRUE(drawn(kView1, 1, (om + kx) / 2.0, (om + kz) / 2.0, 0x00FFFF0F));
    EXPECT_TRUE(drawn(kView1, 1, 0.05, -1.0, colour_table(6)));
    EXPECT_TRUE(drawn(kView1, 1, 0.05, -1.5, colour_table(7)));
    EXPECT_TRUE(drawn(kView1, 1, 0.05, 1.8, colour_table(8)));
    int_params(ip::NBA) = 1;
    draw();
    EXPECT_TRUE(drawn(kView1, 1, 0.05, -1.0, colour_table(6)));
    EXPECT_TRUE(blank(kView1, 1, 0.05, -1.5));
}

// Three stored states: 1 and 2 were pictured before (their entries are set
// by hand), 3 is the newest, its traced point at (0, 0, 1), its trace point
// at the centre.
class TraceTest : public DrawGraphicsTest {
protected:
    void SetUp() override {
        DrawGraphicsTest::SetUp();
        NTIME = 3;
        trace_body_point_at_zeta_one();
        for (int n = 1; n <= 2; ++n) {
            trace_vector(1, n, 1) = -1.5;  // trace 1 from (-1.5, 1.5)
            trace_vector(2, n, 1) = 1.5;   // trace 2 from (1.5, 1.5)
            trace_vector(1, n, 3) = trace_vector(2, n, 3) = 1.5;
            trace_point_store(1, n, 1) = n == 1 ? 1.5 : -1.5;  // trace 3 from state 2
            trace_point_store(1, n, 3) = -1.5;
            trace_top(1, n) = 1.5;
            trace_top(2, n) = n == 1 ? 1.5 : -1.5;
        }
    }
};

TEST_F(TraceTest, TracesTakeTheirColourEntriesAfterTheObjects) {
    const int nba_max = kFigureElements - 1;
    const struct { int nba, first_entry; } cases[] = {{0, 6}, {3, 9}, {99, nba_max + 6}};
    for (const auto& c : cases) {
        int_params(ip::NBA) = int16_t(c.nba);
        draw();
        const int32_t t1 = colour_table(c.first_entry), t2 = colour_table(c.first_entry + 1);
        EXPECT_TRUE(drawn(kView1, 1, -0.75, 1.25, t1)) << c.nba;
        EXPECT_TRUE(drawn(kView1, 1, 0.75, 1.25, t2)) << c.nba;
        EXPECT_TRUE(drawn(kView1, 1, -0.75, -0.75, colour_table(c.first_entry + 2))) << c.nba;
        EXPECT_TRUE(blank(kView1, 1, 0.0, -1.5)) << "trace 3 has no line from state 1";
        EXPECT_TRUE(drawn(kView2, 2, -0.75, 1.25, t1)) << c.nba;
        EXPECT_TRUE(drawn(kView2, 2, 0.75, 1.25, t2)) << c.nba;
        EXPECT_TRUE(blank(kView2, 2, -0.75, -0.75)) << "trace 3 in view 1 only";
        // The top view: states 1, 2, 3 and the line back to state 1.
        EXPECT_TRUE(drawn(kView3, 3, 1.5, 0.0, t2)) << c.nba;
        EXPECT_TRUE(drawn(kView3, 3, 0.75, -0.75, t2)) << c.nba;
        EXPECT_TRUE(drawn(kView3, 3, 0.75, 0.75, t2)) << c.nba;
    }
}

TEST_F(TraceTest, PointWithoutFinitePlaneCoordinatesBreaksTheLine) {
    NTIME = 4;
    trace_body_point_at_zeta_one();
    trace_vector(1, 2, 1) = NAN;
    trace_vector(1, 3, 1) = trace_vector(1, 3, 3) = -1.5;
    draw();
    EXPECT_TRUE(blank(kView1, 1, -1.5, 0.0));                      // no line from state 1 past 2 to 3
    EXPECT_TRUE(drawn(kView1, 1, -0.75, -0.25, colour_table(6)));  // state 3 to state 4
}

TEST_F(DrawGraphicsTest, SingleStoredStateDrawsSinglePoints) {
    trace_body_point_at_zeta_one();
    draw();
    int px, py;
    pixel_of(kView2, 2, 0.0, 1.0, px, py);  // trace 2 drawn over trace 1
    EXPECT_EQ(screen_pixel(px, py), colour_table(7));
    EXPECT_EQ(around(kView2, 2, 0.0, 1.0, kWhite), 8);
    pixel_of(kView3, 3, 0.0, 0.0, px, py);
    EXPECT_EQ(screen_pixel(px, py), colour_table(7));
    EXPECT_EQ(around(kView3, 3, 0.0, 0.0, kWhite), 8);
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
    static std::string ranges(int k) {
        return k <= 3 ? "XRG=    -2.000     2.000 YRG=    -2.00     2.00 "
                      : "XRG=     0.000     0.000 YRG=     0.00     0.00 ";
    }
};

TEST_F(PanelTest, CurrentEditionPanelAndStateLines) {
    if (kEarlierEdition) GTEST_SKIP();
    for (int k = 0; k < 3; ++k) real_params(rp::PSIPo + k) = 0.1 * (k + 1);
    for (int k = 0; k < 3; ++k) YP(10 + k, 1) = k + 1.0;
    set_point(1, 3, 1.0, 2.0, 0.0);  // the traced point turns onto (1, 0, 2)
    draw();
    const char* tails[6] = {"ncicl  1    A     1.000 TPRIN    0.050 PSIP     2.000",
                            "NPROL  2    B     2.000 TZERO    0.000 THEP     1.000",
                            "NFL    1    C     4.000 TFIN    10.000 PHIP     3.000",
                            "NTIME  5    D     0.500 OMx      1.000 PSIPo    0.100",
                            "nbad   4    E     0.250 OMy      2.000 THEPo    0.200",
                            "NCC   -1    F    -0.125 DELPI    0.250 PHIPo    0.300"};
    const char* views[6] = {"NW ", "NN ", "NE ", "SW ", "SS ", "SE "};
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(screen_row(35 + k), views[k - 1] + ranges(k) + tails[k - 1]);
    EXPECT_EQ(screen_row(34),
              "CI   1.0000  -2.0000   0.0000   0.0000   0.0000   0.0000   0.2500   0.0000   0.0000"
              "   0.0000   0.0000   0.0000");
    EXPECT_EQ(screen_row(35),
              "YP   0.0000   0.0000   0.0000   0.0000   1.5708   0.0000   0.0000   0.0000   0.0000"
              "   1.0000   2.0000   3.0000");
    EXPECT_EQ(screen_text_colour_at(36, 1), kBlack);
    // Rates of a singular attitude print as the field format prints them.
    YP(5, 1) = 0.0;
    YP(10, 1) = 0.0;
    YP(11, 1) = 1.0;
    draw();
    EXPECT_EQ(screen_row(36).substr(90), "PSIP  Infinity");
    EXPECT_EQ(screen_row(38).substr(90), "PHIP -Infinity");
}

TEST_F(PanelTest, EarlierEditionPanelShowsTheStartStateAfterBlankNames) {
    if (kCurrentEdition) GTEST_SKIP();
    YP(10, 1) = 2.0;  // OM = (2, 1, 0)/sqrt 5, turned onto (2, 0, 1)/sqrt 5
    YP(11, 1) = 1.0;
    draw();
    EXPECT_EQ(screen_row(36),
              "NW " + ranges(1) + "ncicl  1    A     1.000 TPRIN    0.050        0.1000D+01  0.2500D+00");
    EXPECT_EQ(screen_row(37),
              "NN " + ranges(2) + "NPROL  2    B     2.000 TZERO    0.000       -0.2000D+01  0.0000D+00");
    EXPECT_EQ(screen_row(39),
              "SW " + ranges(4) + "NTIME  5    D     0.500 OMx      0.894        0.0000D+00  0.0000D+00");
    EXPECT_EQ(screen_row(40),
              "SS " + ranges(5) + "nbad   4    E     0.250 OMy      0.447        0.0000D+00  0.0000D+00");
    for (int col = 91; col <= 95; ++col) EXPECT_EQ(screen_char(36, col), ' ') << col;
}

TEST_F(PanelTest, PanelFollowsLastrigAndLoadedNamesForSmallWindowsOnly) {
    LASTRIG = 20;
    int_param_names(ip::nciclo) = "cyc     ";
    real_param_names(rp::A) = "Ixx     ";
    draw();
    EXPECT_EQ(screen_row(20).substr(0, 3), "CI ");
    EXPECT_EQ(screen_row(21).substr(0, 3), "YP ");
    EXPECT_EQ(screen_row(22).substr(51, 23), "cyc    1 Ixx      1.000");
    EXPECT_EQ(screen_row(27).substr(0, 2), "SE");
    const int without[] = {2, 6, 8, 12}, with[] = {0, -3};
    for (int code : without) {
        int_params(ip::SCREEN) = int16_t(code);
        draw();
        EXPECT_EQ(screen_row(20) + screen_row(22), "") << code;
    }
    for (int code : with) {
        int_params(ip::SCREEN) = int16_t(code);
        draw();
        EXPECT_EQ(screen_row(22).substr(0, 2), "NW") << code;
    }
}

//---- the end of a picture and the graphics menu ----

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
    EXPECT_EQ(waited_ms() + keyboard_reads(), 0);
}

TEST_F(DrawGraphicsTest, RunningOnWaitsDurataAfterEachPicture) {
    win_text_pos(50, 1);
    win_text("LEFT OVER");
    int_params(ip::durata) = 250;
    draw();
    EXPECT_EQ(screen_row(50), "");  // every picture starts from a clear window
    draw();
    EXPECT_EQ(waited_ms(), 500);
    for (int16_t d : {int16_t(0), int16_t(-40)}) {
        int_params(ip::durata) = d;
        draw();
    }
    EXPECT_EQ(waited_ms(), 500);
    EXPECT_EQ(keyboard_reads(), 0);
}

class MenuTest : public DrawGraphicsTest {
protected:
    void SetUp() override {
        DrawGraphicsTest::SetUp();
        stop_mode = 1;
        int_params(ip::durata) = 100;
    }
};

TEST_F(MenuTest, GoNostopOutAndProsEndTheMenu) {
    const struct {
        const char* answer;
        int16_t stop, run;
    } cases[] = {{"", 1, 0}, {"44", 0, 0}, {"55", 1, 1}, {"22", 1, 3}};
    for (const auto& c : cases) {
        stop_mode = 1;
        run_state = 0;
        answers({c.answer});
        draw();
        EXPECT_EQ(stop_mode, c.stop) << c.answer;
        EXPECT_EQ(run_state, c.run) << c.answer;
    }
    ASSERT_EQ(g_reads.size(), 4u);
    EXPECT_EQ(g_reads[0].row, 42);
    EXPECT_EQ(g_reads[0].col, 116);
    EXPECT_EQ(g_reads[0].shown.substr(64), "RNG=[1..10];0=GO;22=pros;33=GRAF;44=NOSTP;55=OUT");
    EXPECT_EQ(waited_ms(), 0);
}

TEST_F(MenuTest, UnreadableAndUnknownCodesAskAgain) {
    answers({"-1", "56", "abc", "13", "21", "54", "0"});
    const Mat<double, 6, 4> before = view_range;
    draw();
    EXPECT_EQ(g_reads.size(), 7u);
    for (const ReadNote& r : g_reads) {
        EXPECT_EQ(r.col, 116);
        EXPECT_EQ(r.shown.substr(64, 48), "RNG=[1..10];0=GO;22=pros;33=GRAF;44=NOSTP;55=OUT");
    }
    EXPECT_TRUE(view_range == before);
    EXPECT_EQ(stop_mode + run_state, 1);
}

TEST_F(MenuTest, RangeCodesSetTheirPairOfEntries) {
    answers({"3", bounds("-2.5", "2.5"), "2", bounds("-1", "3"), "11", bounds("0.5", "0.75"), "100",
             bounds("1.5", "2.5"), "1", "5", "5", "", "4", "abc", bounds("-1.0", "1.0"), "0"});
    draw();
    EXPECT_EQ(view_range(2, 1), -2.5);
    EXPECT_EQ(view_range(2, 2), 2.5);
    EXPECT_DOUBLE_EQ(view_range(1, 3), -1e-10);  // typed without a point: ten decimals
    EXPECT_DOUBLE_EQ(view_range(1, 4), 3e-10);
    EXPECT_EQ(view_range(6, 1), 0.5);  // code 11, beyond the range the prompt names
    EXPECT_EQ(view_range(6, 2), 0.75);
    EXPECT_EQ(view_range(5, 3), 1.5);  // "100" reads as 10
    EXPECT_EQ(view_range(5, 4), 2.5);
    EXPECT_DOUBLE_EQ(view_range(1, 1), 5e-10);
    EXPECT_EQ(view_range(1, 2), 0.0);
    EXPECT_EQ(view_range(3, 1), 0.0);  // an empty answer sets both to 0
    EXPECT_EQ(view_range(3, 2), 0.0);
    EXPECT_EQ(view_range(2, 3), -1.0);  // asked again after "abc", for the same code
    EXPECT_EQ(view_range(2, 4), 1.0);
    ASSERT_EQ(g_reads.size(), 16u);
    EXPECT_EQ(g_reads[1].row, 42);
    EXPECT_EQ(g_reads[1].col, 85);
    EXPECT_EQ(g_reads[1].shown.substr(64), "RNG=[[a,b]in F18.10");
    EXPECT_EQ(g_reads[14].col, 85);
    EXPECT_EQ(g_reads[14].shown.substr(64, 15), "RNG=[[a,b]in F1");
}

TEST_F(MenuTest, RangeEditTakesEffectAtTheRedraw) {
    NTIME = 2;
    trace_body_point_at_zeta_one();
    trace_vector(2, 1, 1) = trace_vector(2, 1, 3) = 1.5;  // trace 2 from (1.5, 1.5) to (0, 1)
    const int32_t t2 = colour_table(7);
    answers({"1", bounds("-1.0", "3.0"), "0"});
    draw();
    set_range(1, -2.0, 2.0, -2.0, 2.0);
    EXPECT_TRUE(drawn(kView1, 1, 0.75, 1.25, t2)) << "not redrawn after the edit";
    answers({"1", bounds("-1.0", "3.0"), "33", "0"});
    draw();
    EXPECT_EQ(g_reads.size(), 7u);
    EXPECT_TRUE(drawn(kView1, 1, 0.75, 1.25, t2)) << "redrawn in the new range";
    set_range(1, -2.0, 2.0, -2.0, 2.0);
    EXPECT_TRUE(blank(kView1, 1, 0.75, 1.25)) << "the old picture is cleared";
}

TEST_F(MenuTest, KeyboardThatEndsLeavesTheRun) {
    install_frontend(&kNotingKeyboard);
    draw();
    EXPECT_EQ(run_state, 1);
}

}  // namespace
