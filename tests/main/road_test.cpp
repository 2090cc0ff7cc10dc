// End-to-end tests of the whole program through the headless frontend: the
// roads a user takes, with the screens at every keyboard read and the files
// the program writes.

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/edition.h"
#include "tests/main/headless_session.h"
#include "tests/support/test_env.h"

namespace {

class RoadTest : public KalvoTest {};

constexpr int kLastrig = 34;
constexpr std::string_view kLegPrompt = kEarlierEdition ? " 0=MORE,6=OUT " : " 0=MORE,5=SAME,6=OUT,7=NEXT ";
constexpr std::string_view kMainMenu = kEarlierEdition ? " 0=MORE, 1=ATTUALI, 3=NEW, 4=SAVE, 5=BACK, 6=OUT "
                                                       : "0=MORE, 1=ATTUALI, 3=NEW, 4=SAVE, 5=BACKWD, 6=OUT ";
constexpr std::string_view kAfterSave = "  DATI : 1=ATTUALI, 3=NEW, 5=OUT   ";
constexpr std::string_view kChanges = "CAMBI?  [rig,col] (100,0 = GO / 99,0 = PROVA )  ";
constexpr std::string_view kGoMenu = "0=GO,1=PROSegui,2=RICOMincia,3=NOSTOP,111=OUT)";
constexpr std::string_view kGraphicsMenu = "RNG=[1..10];0=GO;22=pros;33=GRAF;44=NOSTP;55=OUT ";

// The data of a bare parameter file: a spinning body, force-free, seen
// from (10, -20, 10), with TZERO and TFIN left to the editor.
struct BareData {
    int ints[15] = {1, 0, 0, 3, 0, 1, 0, 1, 1, 1, 0, 0, 1, 1, 1};
    // EPS, H1, HMIN, TPRINT, DXSAV, Xtr, Ytr, Ztr, DELXP, DELH1, DELH2, DELH3, DELH4, DELTA1,
    // DELTA2, -, -, VISTA_X, VISTA_Y, VISTA_Z, Y1MAX, Y2MAX, Y3MAX, A, B, C, D, E, F, -
    double first[30] = {1e-6, 0.01, 1e-8, 0.1, 0.01, 0.5, 0,   0,   0,   0.5, 0.5, 2.0, 1.0, 0.0, 0.0,
                        0,    0,    10,   -20, 10,   100, 100, 100, 1.0, 2.0, 3.0, 0,   0,   0,   0};
    double force[4] = {0, 0, 0, 0.5};  // FX, FY, FZ, DELPIAN
    double extra[4] = {0, 0.5, 0, 0};  // FULLX, circle radius, two spare slots
    double moment[4] = {0, 0, 0, 0};   // MX, MY, MZ, zeta G
    double extra2[4] = {0, 0, 0, 0};   // FULLY, three spare slots
    double state[12] = {0, 0, 0, 0.3, 1.0, 0.2, 0, 0, 0, 1.0, 0.5, 2.0};
    double views[6][4] = {{-3, 3, -3, 3}, {-3, 3, -3, 3},     {-3, 3, -3, 3},
                          {0, 0, 0, 0},   {-2.5, -2.5, 0, 0}, {0, 0, 0, 0}};
    double continuation[12] = {};
};

// A torque-free body: A, B, C = 1, 2, 3, THETAo 0.5, angular velocity (1, 2, 3).
BareData torque_free_body() {
    BareData d;
    const double state[12] = {0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1, 2, 3};
    for (int k = 0; k < 12; ++k) d.state[k] = state[k];
    return d;
}

std::string int_record(const int* v, int n) {
    std::string s = " ";
    char buf[16];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%4d  ", v[i]);
        s += buf;
    }
    return s;
}

std::string real_record(const double* v, int n) {
    std::string s = " ";
    char buf[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%18.10f  ", v[i]);
        s += buf;
    }
    return s;
}

// The 27 records of a bare parameter file, five values a record.
std::string bare_file(const BareData& d) {
    std::vector<std::string> r;
    for (int k = 0; k < 3; ++k) r.push_back(int_record(d.ints + 5 * k, 5));
    for (int k = 0; k < 6; ++k) r.push_back(real_record(d.first + 5 * k, 5));
    r.push_back(real_record(d.force, 4));
    r.push_back(real_record(d.extra, 4));
    r.push_back(real_record(d.moment, 4));
    r.push_back(real_record(d.extra2, 4));
    r.push_back(real_record(d.state, 5));
    r.push_back(real_record(d.state + 5, 1));
    r.push_back(real_record(d.state + 6, 5));
    r.push_back(real_record(d.state + 11, 1));
    for (int j = 0; j < 6; ++j) r.push_back(real_record(d.views[j], 4));
    r.push_back(real_record(d.continuation, 5));
    r.push_back(real_record(d.continuation + 5, 1));
    r.push_back(real_record(d.continuation + 6, 5));
    r.push_back(real_record(d.continuation + 11, 1));
    std::string out;
    for (const std::string& s : r) out += s + "\n";
    return out;
}

// A range answer of the graphics menu: a in columns 1 to 18, b from column 20.
std::string range_answer(const std::string& a, const std::string& b) {
    std::string s = a;
    s.resize(19, ' ');
    return s + b;
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

int count_showing(const Session& s, int r, int c, std::string_view text) {
    return int(s.showing(r, c, text).size());
}

// The reads of the graphics menu's code, at the menu.
std::vector<const Screen*> graphics_menus(const Session& s) {
    std::vector<const Screen*> found;
    for (const Screen* r : s.showing(kLastrig + 8, 65, kGraphicsMenu))
        if (r->row == kLastrig + 8 && r->col == 116) found.push_back(r);
    return found;
}

// The reads of the editor's (row, screen) question under its prompt.
std::vector<const Screen*> editor_questions(const Session& s) {
    std::vector<const Screen*> found;
    for (const Screen* r : s.showing(1, 10, kChanges))
        if (r->row == 1 && r->col == 60) found.push_back(r);
    return found;
}

// Header values by line and pair, as the header layout places them.
double tzero_of(const std::vector<std::string>& h) { return header_real(h, 17, 0); }
double tfin_of(const std::vector<std::string>& h) { return header_real(h, 17, 1); }
double vista_y_of(const std::vector<std::string>& h) { return header_real(h, 9, 2); }
double delh4_of(const std::vector<std::string>& h) { return header_real(h, 8, 0); }

void expect_pairs_well_formed(const std::vector<PointRecord>& recs) {
    ASSERT_EQ(recs.size() % 2, 0u);
    for (size_t i = 0; i + 1 < recs.size(); i += 2) {
        EXPECT_EQ(recs[i].n, recs[i + 1].n) << i;
        EXPECT_EQ(recs[i].time, recs[i + 1].time) << i;
        if (i >= 2) {
            EXPECT_EQ(recs[i].n, recs[i - 2].n + 1) << i;
        }
    }
}

//---- road 1: edit, GO, pictures, NOSTOP, MORE, SAVE ----

TEST_F(RoadTest, EditRunContinueAndSave) {
    write_file("KALVO10", bare_file(BareData{}));
    const Session s = run_program({
        "",                                   // load the bare file KALVO10
        "  2  1", "1.",                       // TFIN
        " 18  1", "2",                        // NBA
        " 19  2", "-15.",                     // VISTA_Y
        "  6  3", "2.5",                      // C
        "100",    "0",                        // GO
        "",                                   // output file KALVO11.TXT
        "1",      range_answer("-4.", "4."),  // x range of view 1
        "33",                                 // redraw
        "0",                                  // on to the next picture
        "44",                                 // NOSTOP
        "0",                                  // MORE at the leg prompt
        "6",                                  // OUT at the leg prompt
        "4",      "",                         // SAVE under the offered name
        "6",                                  // OUT
    });
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);
    EXPECT_FALSE(s.input_ended);

    // The screens at their places.
    ASSERT_GE(s.reads.size(), 20u);
    EXPECT_TRUE(s.reads[0].shows(2, 1, "PROG E DATI: KALVO10?"));
    const Screen& editor = s.reads[1];
    EXPECT_TRUE(editor.shows(1, 10, kChanges));
    EXPECT_EQ(editor.row, 1);
    EXPECT_EQ(editor.col, 60);
    EXPECT_TRUE(
        editor.shows(8, 1, "  7  THETAo  =       1.000000"));  // column 30: screen 2 in the earlier edition
    EXPECT_TRUE(editor.shows(19, 1, " 18  NBA     =          3"));
    EXPECT_EQ(count_showing(s, 1, 10, kGoMenu), 1);
    const auto menus = graphics_menus(s);
    ASSERT_EQ(menus.size(), 4u);  // first picture, after the range edit, after the redraw, second picture
    EXPECT_EQ(menus[0]->row, kLastrig + 8);
    EXPECT_EQ(menus[0]->col, 116);
    EXPECT_TRUE(menus[0]->shows(kLastrig + 2, 1, "NW XRG=    -3.000     3.000"));
    EXPECT_TRUE(menus[2]->shows(kLastrig + 2, 1, "NW XRG=    -4.000     4.000"));
    const auto legs = s.showing(1, 60, kLegPrompt);
    ASSERT_EQ(legs.size(), 2u);
    EXPECT_EQ(legs[0]->col, 60 + int(kLegPrompt.size()));
    EXPECT_EQ(count_showing(s, 1, 60, kMainMenu), 1);
    const auto saved = s.showing(1, 60, kAfterSave);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0]->read, s.last().read);

    // The points file: its header as the run began, then the stored states.
    const auto points = file_lines("KALVO11.TXT");
    ASSERT_GT(points.size(), 44u);
    EXPECT_EQ(points[0], "KALVO11.TXT     KALVO   NCICLO     1" + std::string(64, ' '));
    EXPECT_EQ(header_int(points, 2, 3), 2);      // NBA
    EXPECT_EQ(header_real(points, 11, 1), 2.5);  // C
    EXPECT_EQ(vista_y_of(points), -15.0);
    EXPECT_EQ(tzero_of(points), 0.0);
    EXPECT_EQ(tfin_of(points), 1.0);
    const auto recs = point_records(points);
    expect_pairs_well_formed(recs);
    EXPECT_EQ(recs.front().n, 2);
    EXPECT_GT(recs.front().time, 0.0);
    // Leaving the editor set ZGo = radius sin THETAo - zeta G cos THETAo (the
    // earlier edition keeps it as loaded); G does not move (no velocity, no
    // force), so the first record of every pair holds it.
    const double zgo = kEarlierEdition ? 0.0 : 0.5 * std::sin(1.0);
    EXPECT_NEAR(header_real(points, 20, 0), zgo, 1e-10);
    EXPECT_NEAR(recs.front().v[2], zgo, 1e-7);
    EXPECT_NEAR(recs[recs.size() - 2].v[2], zgo, 1e-7);
    // Two legs: states past the end of the first, none past the end of the second.
    EXPECT_GT(recs.back().time, 1.0);
    EXPECT_LE(recs.back().time, 2.0);
    for (size_t i = 2; i < recs.size(); i += 2) EXPECT_GT(recs[i].time, recs[i - 2].time);

    // The saved data file: the values after the second leg, the eye point
    // and DELH4 as the user left them.
    const auto mxt = file_lines("KALVO11.MXT");
    ASSERT_EQ(mxt.size(), 38u);
    EXPECT_EQ(mxt[0], std::string(16, ' ') + "KALVO  NN" + std::string(75, ' '));
    EXPECT_NEAR(tzero_of(mxt), 2.0, 1e-9);
    EXPECT_NEAR(tfin_of(mxt), 3.0, 1e-9);
    EXPECT_EQ(vista_y_of(mxt), -15.0);
    EXPECT_EQ(delh4_of(mxt), 1.0);
    EXPECT_EQ(field_value(mxt[23], 2, 18), -4.0);
    EXPECT_EQ(field_value(mxt[23], 22, 18), 4.0);
    EXPECT_EQ(mxt[29], "CIPROS  ");
    EXPECT_NEAR(header_real(mxt, 31, 0), 2.0, 1e-9);
    EXPECT_NEAR(header_real(mxt, 31, 1), 3.0, 1e-9);
}

//---- road 2: PROSegui from a points file, SAME and NEXT, BACKWD twice, NEW ----

// Leaves KALVO11.TXT with a header for the span 1 to 2 and its states.
void make_points_file_from_one_to_two() {
    const Session s = run_program({
        "",
        "  2  1",
        "1.",
        "100",
        "0",
        "",
        "44",
        "6",  // a run from 0 to 1
        "1",
        "100",
        "0",
        "-",
        "44",
        "6",  // ATTUALI, GO, same file again from 1 to 2
        "6",
    });
    ASSERT_TRUE(s.finished);
    const auto h = file_lines("KALVO11.TXT");
    ASSERT_GT(h.size(), 40u);
    ASSERT_NEAR(tzero_of(h), 1.0, 1e-9);
    ASSERT_NEAR(header_real(h, 31, 0), 1.0, 1e-9);
    ASSERT_NEAR(header_real(h, 31, 1), 2.0, 1e-9);
}

TEST_F(RoadTest, ProceedSameNextBackwardTwiceAndNew) {
    write_file("KALVO10", bare_file(BareData{}));
    make_points_file_from_one_to_two();
    std::vector<std::string> keys = {"2", "KALVO11", "100", "1", "", "44"};  // PROL, PROSegui, KALVO12
    if (kCurrentEdition) {
        keys = concat({keys,
                       {"5", " 30  1", "10", "100", "0", "", "44",  // SAME, NFILE 10, GO, KALVO11
                        "7", "100", "0", "", "44", "6"}});          // NEXT reloads KALVO12, GO, KALVO13
    } else {
        keys = concat({keys, {"5", "6"}});  // a further leg, then OUT
    }
    keys = concat({keys,
                   {"5", "", "44", "6",                 // BACKWD
                    "5", "", "44", "6",                 // BACKWD again
                    "3", "4", "KALVO11", "100", "111",  // NEW: header of KALVO11.TXT, OUT in the editor
                    "6"}});
    const Session s = run_program(keys);
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);

    // PROSegui: the run starts from the loaded continuation block (1 to 2).
    const auto proceed = file_lines("KALVO12.TXT");
    ASSERT_GT(proceed.size(), 40u);
    EXPECT_NEAR(tzero_of(proceed), 1.0, 1e-9);
    EXPECT_NEAR(tfin_of(proceed), 2.0, 1e-9);
    EXPECT_EQ(header_int(proceed, 2, 1), 0);  // NPROL
    const auto first_recs = point_records(proceed);
    expect_pairs_well_formed(first_recs);
    EXPECT_GT(first_recs.front().time, 1.0);
    // The body loaded with the file turns as its inertia says: the angular
    // velocity on the body axes changes along the run.
    const PointRecord& w_first = first_recs[1];
    const PointRecord& w_last = first_recs.back();
    EXPECT_GT(std::abs(w_last.v[3] - w_first.v[3]) + std::abs(w_last.v[4] - w_first.v[4]), 1e-3);

    std::string forward_back, back_forward;
    if (kCurrentEdition) {
        // SAME reloaded the header of KALVO12.TXT: the editor shows TZERO 1 again.
        const auto editors = editor_questions(s);
        ASSERT_EQ(editors.size(), 5u);
        EXPECT_TRUE(editors[1]->shows(2, 1, "  1  TZERO   =       1.0000000"));
        // NEXT after NFILE 10 and the file 11: the header of KALVO12.TXT, and NFILE 12.
        EXPECT_TRUE(editors[3]->shows(31, 1, " 30  NFILE   =         12"));
        EXPECT_TRUE(editors[3]->shows(2, 1, "  1  TZERO   =       1.0000000"));
        EXPECT_NEAR(tzero_of(file_lines("KALVO11.TXT")), 1.0, 1e-9);
        EXPECT_NEAR(tzero_of(file_lines("KALVO13.TXT")), 1.0, 1e-9);
        forward_back = "KALVO14.TXT";
        back_forward = "KALVO15.TXT";
    } else {
        forward_back = "KALVO13.TXT";
        back_forward = "KALVO14.TXT";
    }
    // BACKWD integrates back over the last span, and BACKWD again forward.
    const double start = kCurrentEdition ? 2.0 : 3.0;
    const auto back = file_lines(forward_back);
    ASSERT_GT(back.size(), 40u);
    EXPECT_NEAR(tzero_of(back), start, 1e-9);
    EXPECT_NEAR(tfin_of(back), start - 1.0, 1e-9);
    const auto back_recs = point_records(back);
    expect_pairs_well_formed(back_recs);
    EXPECT_LT(back_recs.front().time, start);
    for (size_t i = 2; i < back_recs.size(); i += 2) EXPECT_LT(back_recs[i].time, back_recs[i - 2].time);
    EXPECT_GE(back_recs.back().time, start - 1.0 - 1e-9);
    const auto fwd = file_lines(back_forward);
    ASSERT_GT(fwd.size(), 40u);
    EXPECT_NEAR(tzero_of(fwd), start - 1.0, 1e-9);
    EXPECT_NEAR(tfin_of(fwd), start, 1e-9);
    const auto fwd_recs = point_records(fwd);
    EXPECT_GT(fwd_recs.front().time, start - 1.0);

    // NEW shows the load dialogue with the current number, then the editor
    // with the values of the header loaded.
    const std::string last_file = kCurrentEdition ? "15" : "14";
    // (the choice, and the name asked under it)
    EXPECT_EQ(count_showing(s, 2, 1, "PROG E DATI: KALVO" + last_file + "?"), 2);
    const auto editors = editor_questions(s);
    ASSERT_EQ(editors.size(), kCurrentEdition ? 5u : 2u);
    EXPECT_TRUE(editors.back()->shows(31, 1, " 30  NFILE   =         11"));
    EXPECT_EQ(count_showing(s, 1, 60, kMainMenu), 4);
}

//---- road 3: repeated runs stepping the eye point and DELH4 ----

TEST_F(RoadTest, RepeatedRunsStepEyePointAndDelh4ThenRestoreThem) {
    BareData d;
    d.ints[12] = 3;     // NVOLT1
    d.ints[13] = 2;     // NVOLT2
    d.first[13] = 2.0;  // DELTA1
    d.first[14] = 3.0;  // DELTA2
    write_file("KALVO10", bare_file(d));
    const Session s = run_program({
        "", "  2  1", "0.5", "100", "0",  // GO: six runs follow
        "44",                             // the first run stops at its first picture
        "6", "6", "6", "6", "6", "6",     // the leg prompt after each run
        "4", "",                          // SAVE
        "5",                              // 5 after a save is OUT
    });
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);
    EXPECT_FALSE(s.input_ended);

    // The editor before the first run only; no output-file dialogue; every
    // run opens the next points file.
    EXPECT_EQ(editor_questions(s).size(), 2u);  // the TFIN edit, then GO
    for (const Screen& r : s.reads) EXPECT_FALSE(r.contains("FILE OUT? ERA:")) << r.read;
    EXPECT_EQ(count_showing(s, 1, 60, kLegPrompt), 6);
    EXPECT_EQ(graphics_menus(s).size(), 1u);
    const double vista[6] = {-20, -18, -16, -20, -18, -16};
    const double delh4[6] = {1, 1, 1, 3, 3, 3};
    for (int run = 0; run < 6; ++run) {
        const std::string name = "KALVO" + std::to_string(11 + run) + ".TXT";
        const auto h = file_lines(name);
        ASSERT_GT(h.size(), 40u) << name;
        EXPECT_EQ(vista_y_of(h), vista[run]) << name;
        EXPECT_EQ(delh4_of(h), delh4[run]) << name;
        // Each run starts where the previous one ended.
        EXPECT_NEAR(tzero_of(h), 0.5 * run, 1e-9) << name;
    }
    EXPECT_FALSE(file_exists("KALVO17.TXT"));
    const auto mxt = file_lines("KALVO16.MXT");
    ASSERT_EQ(mxt.size(), 38u);
    EXPECT_EQ(vista_y_of(mxt), -20.0);
    EXPECT_EQ(delh4_of(mxt), 1.0);
}

//---- road 4: a run that fills the table of stored states ----

TEST_F(RoadTest, FullTableRollsOverAndTableFullBranchWritesNextFile) {
    BareData d;
    d.first[3] = 0.001;  // TPRINT
    d.first[4] = 0.0;    // DXSAV
    write_file("KALVO10", bare_file(d));
    const Session s = run_program({
        "",
        "  2  1",
        "100.",
        "100",
        "0",
        "",    // a long run into KALVO11.TXT
        "44",  // no stops: the table fills
        "1",   // ATTUALI
        " 24  1",
        "1999",  // start at stored state 1999
        "  2  1",
        "0.01",  // one step of 0.01
        "  4  2",
        "100.",  // TPRINT: no state due
        "100",
        "0",  // GO: the next file opens without the dialogue
        "0",  // the table-full picture
        "6",
    });
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);

    // The long run: states 2 to 1999 in the first file, then a new file
    // with its header only; the leg ends there and the main menu follows.
    const auto first = file_lines("KALVO11.TXT");
    ASSERT_EQ(first.size(), 40u + 2 * 1998);
    const auto recs = point_records(first);
    expect_pairs_well_formed(recs);
    EXPECT_EQ(recs.front().n, 2);
    EXPECT_EQ(recs.back().n, 1999);
    const auto rolled = file_lines("KALVO12.TXT");
    ASSERT_EQ(rolled.size(), 40u);
    EXPECT_EQ(rolled[0].substr(0, 11), "KALVO12.TXT");
    EXPECT_EQ(header_int(rolled, 2, 1), 1);                  // NPROL after the rollover
    EXPECT_EQ(count_showing(s, 1, 2, "FILE OUT? ERA:"), 1);  // the second run asks nothing

    // The one-step leg from state 1999: the table-full picture, its point
    // records at the head of the file opened for the cycle, and the rollover.
    const auto full = graphics_menus(s);
    ASSERT_EQ(full.size(), 2u);
    EXPECT_NE(full[1]->row_text(1).find("NTIME  1999"), std::string::npos) << full[1]->row_text(1);
    EXPECT_NE(full[1]->row_text(1).find("NFILE   13"), std::string::npos) << full[1]->row_text(1);
    const auto cycle_file = file_lines("KALVO13.TXT");
    ASSERT_EQ(cycle_file.size(), 42u);
    const auto last = point_records(cycle_file);
    EXPECT_EQ(last[0].n, 1999);
    EXPECT_NEAR(last[0].time, 0.01, 1e-12);
    ASSERT_EQ(file_lines("KALVO14.TXT").size(), 40u);
    EXPECT_FALSE(file_exists("KALVO15.TXT"));
    EXPECT_EQ(count_showing(s, 1, 60, kMainMenu), 2);
}

// A leg from stored state 1998 or 1999 ends at TFIN with the table full and
// records no continuation state: the initial state stays as the leg began.
TEST_F(RoadTest, FullTableWithoutContinuationKeepsTheInitialState) {
    write_file("KALVO10", bare_file(torque_free_body()));
    const std::vector<std::vector<std::string>> roads = {
        {" 24  1", "1999"},                                       // no state is stored
        {"  2  1", "0.01", "  4  2", "0.005", " 24  1", "1998"},  // state 1999 is stored, then TFIN
    };
    for (const auto& road : roads) {
        const Session s = run_program(concat({{"", "  2  1", "0.005"},
                                              road,
                                              {"100", "3", "",     // GO, NOSTOP, KALVO11.TXT
                                               "1", "100", "111",  // ATTUALI, OUT in the editor
                                               "6"}}));
        ASSERT_FALSE(s.timed_out);
        ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                                  : 0);
        // The table-full branch wrote state 1999 and rolled over.
        ASSERT_EQ(file_lines("KALVO12.TXT").size(), road.size() == 2 ? 40u : 42u);
        const auto editors = editor_questions(s);
        ASSERT_FALSE(editors.empty());
        const Screen& e = *editors.back();
        EXPECT_TRUE(e.shows(8, 1, "  7  THETAo  =       0.500000")) << e.row_text(8);
        EXPECT_TRUE(e.shows(13, 1, " 12  OMCSIo  =       1.000000")) << e.row_text(13);
        EXPECT_TRUE(e.shows(14, 1, " 13  OMETAo  =       2.000000")) << e.row_text(14);
        EXPECT_TRUE(e.shows(15, 1, " 14  OMZETAo =       3.000000")) << e.row_text(15);
    }
}

//---- continuations that find no points file open ----

// The output-file dialogue's answer reads, at row 1, column 85.
std::set<std::string> folder_names() {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(".")) names.insert(e.path().filename());
    return names;
}

int file_dialogues(const Session& s) {
    int n = 0;
    for (const Screen& r : s.reads) n += r.row == 1 && r.col == 85;
    return n;
}

TEST_F(RoadTest, ContinuationWithNoPointsFileOpenAsksForOneUnlessNoFileWasWanted) {
    write_file("KALVO10", bare_file(torque_free_body()));
    const std::vector<std::string> attuali_out = {"1", "100", "111"};  // ATTUALI closes the points file
    const Session s = run_program(concat({
        {"", "  2  1", "1.", "100", "3", "", "6"},  // a run into KALVO11.TXT
        attuali_out,
        {"", "", "44", "6"},  // MORE: KALVO12.TXT
        attuali_out,
        {"", "", "44", "6"},  // MORE: KALVO13.TXT
        attuali_out,
        {"", "2", "44", "6"},  // MORE: no file wanted
        {"", "44", "6"},       // MORE again asks nothing and writes nothing
        {"5", "111"},          // BACKWD, OUT at its dialogue
        {"", "", "44", "6"},   // MORE asks again: KALVO14.TXT
        {"6"},
    }));
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);
    EXPECT_FALSE(s.input_ended);
    EXPECT_EQ(file_dialogues(s), 6);
    EXPECT_FALSE(file_exists("fort.8"));
    EXPECT_FALSE(file_exists("KALVO15.TXT"));

    // Each file has its header and the states of its run; the states of
    // the three runs after the first follow on without a gap.
    std::vector<std::vector<PointRecord>> recs;
    for (int k = 11; k <= 14; ++k) {
        const std::string name = "KALVO" + std::to_string(k) + ".TXT";
        const auto lines = file_lines(name);
        ASSERT_GT(lines.size(), 40u) << name;
        EXPECT_EQ(lines[0].substr(0, 11), name);
        recs.push_back(point_records(lines));
        expect_pairs_well_formed(recs.back());
    }
    EXPECT_EQ(recs[0].front().n, 2);
    for (size_t k = 1; k <= 2; ++k) EXPECT_EQ(recs[k].front().n, recs[k - 1].back().n + 1) << k;
    // The states of the two runs without a file are in none.
    EXPECT_GT(recs[3].front().n, recs[2].back().n + 2);

    // KALVO12.TXT loads back: GO with nrip 2 from its third state writes
    // that state into the header of the next file.
    const auto loaded = recs[1];
    const Session back = run_program({"2", "KALVO12", " 24  1", "3", " 20  1", "2", "100", "3", "6", "6"});
    ASSERT_TRUE(back.finished);
    const auto h = file_lines("KALVO13.TXT");
    ASSERT_GT(h.size(), 40u);
    EXPECT_EQ(h[0].substr(0, 11), "KALVO13.TXT");
    EXPECT_NEAR(tzero_of(h), loaded[4].time, 1e-12);
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(header_real(h, 18 + k, 0), loaded[4].v[k], 1e-12) << k;
        EXPECT_NEAR(header_real(h, 18 + k, 1), loaded[5].v[k], 1e-12) << k;
    }
}

//---- road 5: hostile answers at every prompt ----

TEST_F(RoadTest, HostileAnswersKeepTheProgramWorking) {
    write_file("KALVO10", bare_file(BareData{}));
    const std::string overlong(300, 'z');
    const Session s = run_program({
        "x",       "-1",     "5",
        "99999",   overlong, "+",  // load dialogue: asked again each time
        "",                        // load the bare file
        "abc",     "   ",    "+",
        "-",       "99999",  overlong,  // (row, screen): asked again
        "  2  1",  "abc",               // TFIN: unreadable, unchanged
        " 18  1",  "99999",             // NBA: too large for 16 bits, unchanged
        "  2  1",  "1.",                // TFIN
        "100",     "xyz",               // GO menu answer that cannot be read
        "100",     "-5",     "99999",
        "0",        // not a code, not a code, GO
        "KALVOxx",  // a name whose number cannot be read
        "",         // KALVO11.TXT
        "abc",     "-1",     "56",
        "999",                                           // graphics menu: asked again
        "1",       "abc",    range_answer("-3.", "3."),  // range answer that cannot be read, then a good one
        "44",                                            // NOSTOP
        "99999",                                         // leg prompt: 99 starts the next leg
        "",                                              // and so does an empty line
        "abc",                                           // an unreadable answer ends the run
        "abc",                                           // main menu: the end of run again
        "2",       "-1",     "7",
        "99999",  // read again without the prompt
        "6",
    });
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);
    EXPECT_FALSE(s.input_ended);

    EXPECT_EQ(count_showing(s, 2, 1, "PROG E DATI: KALVO10?"), 7);
    EXPECT_EQ(editor_questions(s).size(), 10u);
    // After the unreadable GO answer the question is asked with the GO menu text still on row 1.
    const auto go_menus = s.showing(1, 10, kGoMenu);
    ASSERT_EQ(go_menus.size(), 5u);
    EXPECT_EQ(go_menus[1]->col, 60);
    EXPECT_EQ(count_showing(s, 1, 2, "FILE OUT? ERA:KALVO10"), 2);
    EXPECT_EQ(graphics_menus(s).size(), 6u);
    EXPECT_EQ(count_showing(s, 1, 60, kLegPrompt), 3);

    // The main menu: shown again after the unreadable answer, then read
    // below it without the prompt.
    std::vector<const Screen*> menu_reads;
    for (const Screen& r : s.reads)
        if (r.shows(1, 60, kMainMenu)) menu_reads.push_back(&r);
    ASSERT_EQ(menu_reads.size(), 6u);
    EXPECT_EQ(menu_reads[0]->row, 1);
    EXPECT_EQ(menu_reads[1]->row, 1);
    EXPECT_EQ(menu_reads[1]->col, 60 + int(kMainMenu.size()));
    for (size_t i = 2; i < 6; ++i) EXPECT_EQ(menu_reads[i]->row, int(i)) << i;

    const auto points = file_lines("KALVO11.TXT");
    ASSERT_GT(points.size(), 40u);
    EXPECT_EQ(tfin_of(points), 1.0);
    EXPECT_EQ(header_int(points, 2, 3), 3);  // NBA kept
    const auto recs = point_records(points);
    expect_pairs_well_formed(recs);
    EXPECT_GT(recs.back().time, 2.0);  // three legs
    EXPECT_LE(recs.back().time, 3.0);
}

//---- road 6: files that cannot be written, and appends after a cut last line ----

TEST_F(RoadTest, FilesThatCannotBeWrittenArePassedOverAndAppendsStartOnANewLine) {
    if (!without_root()) GTEST_SKIP() << "permissions do not hold for root";
    const auto protect = [this](const std::string& name, const std::string& text) {
        if (!text.empty()) write_file(name, text);
        ASSERT_EQ(chmod(name.c_str(), 0444), 0);
    };
    write_file("KALVO10", bare_file(BareData{}));
    protect("KALVO11.TXT", "kept\n");
    protect("KALVO11.MXT", "kept\n");
    write_file("KALVO20.TXT", "notes without a line end");
    write_file("KALVO21.TXT", "x");
    const Session s = run_program({
        "",                                         // load the bare file KALVO10
        "  2  1", "1.",     "100", "0",             // TFIN, GO
        "",                                         // KALVO11.TXT cannot be written: asked again
        "",                                         // KALVO12.TXT
        "44",     "6",                              // NOSTOP, OUT at the leg prompt
        "1",      " 30  1", "20",  "100",     "0",  // ATTUALI, NFILE 20, GO
        "1",                                        // KALVO20.TXT appended to, with a header
        "44",     "6",      "1",   " 30  1",  "21", "100", "0",
        "3",                                   // KALVO21.TXT appended to, no header
        "44",     "6",      "4",   "KALVO11",  // SAVE: KALVO11.MXT cannot be written
        "",                                    // KALVO21.MXT
        "5",                                   // OUT
    });
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);
    EXPECT_FALSE(s.input_ended);

    EXPECT_EQ(count_showing(s, 1, 2, "FILE OUT? ERA:KALVO11"), 1);
    EXPECT_EQ(read_file("KALVO11.TXT"), "kept\n");
    const auto written = file_lines("KALVO12.TXT");
    ASSERT_GT(written.size(), 40u);
    EXPECT_EQ(written[0].substr(0, 12), "KALVO12.TXT ");
    expect_pairs_well_formed(point_records(written));

    const auto with_header = file_lines("KALVO20.TXT");
    ASSERT_GT(with_header.size(), 41u);
    EXPECT_EQ(with_header[0], "notes without a line end");
    EXPECT_EQ(with_header[1].substr(0, 12), "KALVO20.TXT ");
    EXPECT_EQ(with_header[40], "    ");
    expect_pairs_well_formed(point_records(with_header, 41));
    const auto without_header = file_lines("KALVO21.TXT");
    ASSERT_GT(without_header.size(), 1u);
    EXPECT_EQ(without_header[0], "x");
    const auto recs = point_records(without_header, 1);
    expect_pairs_well_formed(recs);
    EXPECT_EQ(recs.front().n, 2);

    EXPECT_EQ(count_showing(s, 3, 3, "NOME DEL FILE DATI; VA BENE   KALVO21 ?"), 2);
    EXPECT_EQ(read_file("KALVO11.MXT"), "kept\n");
    EXPECT_EQ(file_lines("KALVO21.MXT").size(), 38u);

    // A points file that can only be read still loads; the next number,
    // which cannot be written, is passed over without a question.
    protect("KALVO12.TXT", "");
    protect("KALVO13.TXT", "kept\n");
    const Session next = run_program({"2", "KALVO12", "100", "0", "44", "6", "6"});
    ASSERT_FALSE(next.timed_out);
    ASSERT_TRUE(next.finished) << next.transcript.substr(
        next.transcript.size() > 3000 ? next.transcript.size() - 3000 : 0);
    EXPECT_FALSE(next.input_ended);
    for (const Screen& r : next.reads) EXPECT_FALSE(r.contains("FILE OUT? ERA:")) << r.read;
    EXPECT_EQ(read_file("KALVO13.TXT"), "kept\n");
    const auto after_load = file_lines("KALVO14.TXT");
    ASSERT_GT(after_load.size(), 40u);
    EXPECT_EQ(after_load[0].substr(0, 12), "KALVO14.TXT ");
    EXPECT_EQ(tfin_of(after_load), 1.0);
    EXPECT_EQ(header_int(after_load, 2, 1), 1);  // NPROL: the run follows a points file
}

// A points file that opens but takes no write (a full disk) is named in the
// window: a header that fails asks for another file; a record that fails
// ends the run.
TEST_F(RoadTest, PointsFileThatFailsAWriteIsShownAndNoRunGoesOnWithoutIt) {
    write_file("KALVO10", bare_file(torque_free_body()));
    std::filesystem::create_symlink("/dev/full", "KALVO11.TXT");
    std::filesystem::create_symlink("/dev/full", "KALVO13.TXT");
    const Session s = run_program(concat({
        {"", "  2  1", "1.", "100", "3"},  // TFIN, NOSTOP
        {"", ""},                          // KALVO11.TXT: the header fails; the message waits for Enter
        {"", "6"},                         // KALVO12.TXT, the run, OUT at the leg prompt
        {"1", "100", "3", "", ""},         // ATTUALI, NOSTOP, KALVO13.TXT: the header fails
        {"3", ""},                         // appended to without a header: the first record fails
        {"6"},
    }));
    ASSERT_FALSE(s.timed_out);
    ASSERT_TRUE(s.finished) << s.transcript.substr(s.transcript.size() > 3000 ? s.transcript.size() - 3000
                                                                              : 0);
    EXPECT_FALSE(s.input_ended);
    // The reads that wait under the message for Enter.
    std::vector<std::string> messages;
    for (const Screen& r : s.reads)
        if (r.col == 1 && r.row_text(r.row - 1).rfind(" ERRORE DI SCRITTURA SU ", 0) == 0)
            messages.push_back(std::to_string(r.row - 1) + r.row_text(r.row - 1).substr(23));
    constexpr int under_picture_row = kLastrig + 8;
    const std::string under_picture = std::to_string(under_picture_row);
    EXPECT_EQ(messages,
              (std::vector<std::string>{"2 KALVO11.TXT", "2 KALVO13.TXT", under_picture + " KALVO13.TXT"}));
    EXPECT_EQ(file_dialogues(s), 4);
    EXPECT_EQ(count_showing(s, 1, 60, kLegPrompt), 1);
    EXPECT_EQ(count_showing(s, 1, 60, kMainMenu), 2);
    const auto kept = file_lines("KALVO12.TXT");
    ASSERT_GT(kept.size(), 40u);
    expect_pairs_well_formed(point_records(kept));
    EXPECT_FALSE(file_exists("fort.8"));

    // A file-size limit (`ulimit -f`) is a failed write like a full disk,
    // the program started with the limit's signal at its default: a points
    // file stops at its last whole record, with the message; a pipe is no
    // points file.
    ASSERT_EQ(mkfifo("KALVO15.TXT", 0644), 0);
    const Session limited = run_program_with(
        {
            "",
            "  2  1",
            "10.",
            "100",
            "3",        // TFIN, NOSTOP
            "KALVO15",  // a pipe: asked again
            "KALVO17",
            "",  // fails inside a record: the message waits for Enter
            "6",
        },
        60, nullptr, nullptr, 8192);
    ASSERT_FALSE(limited.timed_out);
    ASSERT_TRUE(limited.finished) << limited.transcript.substr(
        limited.transcript.size() > 3000 ? limited.transcript.size() - 3000 : 0);
    EXPECT_EQ(limited.exit_status, 0);
    EXPECT_EQ(file_dialogues(limited), 2);
    const auto shown = limited.showing(under_picture_row, 1, " ERRORE DI SCRITTURA SU KALVO17.TXT");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front()->row, under_picture_row + 1);  // waiting for Enter
    EXPECT_EQ(count_showing(limited, 1, 60, kMainMenu), 1);
    const std::string cut = read_file("KALVO17.TXT");
    size_t header = 0;  // just past the 40 header lines
    for (int line = 0; line < 40 && header != std::string::npos; ++line) header = cut.find('\n', header) + 1;
    ASSERT_GT(header, 0u);
    EXPECT_EQ((cut.size() - header) % 121, 0u);
    EXPECT_GT(cut.size() + 121, 8192u);
    EXPECT_LE(cut.size(), 8192u);

    // A save over a file that has a second name cannot make the file whole
    // under a 1 KiB limit: both names keep the old line, nothing is left
    // beside them, and the prompt comes again.
    write_file("other.MXT", "OLD LINE\n");
    std::filesystem::create_hard_link("other.MXT", "KALVO31.MXT");
    std::filesystem::create_symlink("/dev/null", "NULLDEV.MXT");
    const auto names_before = folder_names();
    const Session save =
        run_program_with({"", "100", "111", "4", "KALVO31", "NULLDEV", "5"}, 60, nullptr, nullptr, 1024);
    ASSERT_FALSE(save.timed_out);
    ASSERT_TRUE(save.finished) << save.transcript.substr(
        save.transcript.size() > 3000 ? save.transcript.size() - 3000 : 0);
    EXPECT_EQ(save.exit_status, 0);
    EXPECT_EQ(count_showing(save, 3, 3, "NOME DEL FILE DATI; VA BENE   KALVO10 ?"), 2);
    EXPECT_EQ(read_file("KALVO31.MXT"), "OLD LINE\n");
    EXPECT_EQ(read_file("other.MXT"), "OLD LINE\n");
    EXPECT_EQ(folder_names(), names_before);
}

}  // namespace
