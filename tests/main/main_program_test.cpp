// Tests for main/main_program.cpp: the order of the steps, the words they
// leave, and the answers of the leg prompt and the main menu. The driver,
// the picture, the file routine and the body set-up are replaced here by
// recording stand-ins, so that each branch can be reached directly; the
// editor is the real one, answered through the keyboard.

#include "main/main_program.h"

#include <functional>
#include <string>
#include <vector>

#include "common/control.h"
#include "common/edition.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "main/setup.h"
#include "motion/integrate.h"
#include "platform/testing.h"
#include "platform/units.h"
#include "plot/picture.h"
#include "tests/support/test_env.h"

//---- recording stand-ins of the routines the main program calls ----

namespace {

struct LegCall {
    int16_t ntime;
    int16_t ncc;
    int16_t run_state;
    int16_t run_phase;
    double tzero, tfin;
    double xgo, omzetao;
    double vista_y, delh4;
};

std::vector<LegCall> g_legs;
std::vector<int> g_calls;  // 1000 + mode for the file routine, 1 picture, 2 go_setup, 3 body_setup, 4 driver
std::function<void(int)> g_leg_effect;       // by call number, from 0
std::function<void(int16_t)> g_file_effect;  // by mode
std::function<void()> g_picture_effect;

constexpr int kPicture = 1, kGoSetup = 2, kBodySetup = 3, kDriver = 4;
int file_mode(int mode) { return 1000 + mode; }

// A leg that stores one more state at TFIN.
void store_state_at_tfin() {
    NTIME = int16_t(NTIME + 1);
    TIME(NTIME) = real_params(rp::TFIN);
    for (int k = 1; k <= 12; ++k) YP(k, NTIME) = 10.0 * real_params(rp::TFIN) + k;
}

int count(int what) {
    int n = 0;
    for (int c : g_calls) n += c == what;
    return n;
}

std::vector<int> modes() {
    std::vector<int> out;
    for (int c : g_calls)
        if (c >= 1000) out.push_back(c - 1000);
    return out;
}

}  // namespace

void integrate_path(Vec<double, 14>& continuation, int16_t& nok, int16_t& nbad, DerivsRoutine, StepRoutine,
                    int16_t& run_state_word, Text<120>&) {
    (void)continuation;
    g_calls.push_back(kDriver);
    g_legs.push_back({NTIME, NCC, run_state_word, run_phase, real_params(rp::TZERO), real_params(rp::TFIN),
                      real_params(rp::XGo), real_params(rp::OMZETAo), real_params(rp::VISTA_Y),
                      real_params(rp::DELH4)});
    nok = 7;
    nbad = 3;
    const int call = int(g_legs.size()) - 1;
    if (g_leg_effect)
        g_leg_effect(call);
    else
        store_state_at_tfin();
}

void draw_graphics(Text<120>&) {
    g_calls.push_back(kPicture);
    if (g_picture_effect) g_picture_effect();
}

void data_file_io(const int16_t& mode) {
    g_calls.push_back(file_mode(mode));
    // The points file is open from the output-file dialogue until a reload.
    if (mode == 3) open_unit(8, "points.txt");
    if (mode == 2) close_unit(8);
    if (g_file_effect) g_file_effect(mode);
}

void go_setup() {
    g_calls.push_back(kGoSetup);
    TIME(1) = real_params(rp::TZERO);
    run_phase = int_params(ip::nrip);
    NTIME = int_params(ip::NTIME);
    step_count_ok = int_params(ip::nok);
    step_count_bad = int_params(ip::nbad);
}

void body_setup() { g_calls.push_back(kBodySetup); }

namespace {

class MainProgramTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        g_legs.clear();
        g_calls.clear();
        g_leg_effect = nullptr;
        g_picture_effect = nullptr;
        g_file_effect = nullptr;
    }
    // The load at start-up and on NEW fills the tables with a short run.
    static void load_on_mode_one(std::function<void()> more = nullptr) {
        g_file_effect = [more](int16_t mode) {
            if (mode != 1) return;
            real_params(rp::TFIN) = 1.0;
            int_params(ip::ncicmx) = 1;
            int_params(ip::NTIME) = 1;
            int_params(ip::NVOLT1) = 1;
            int_params(ip::NVOLT2) = 1;
            if (more) more();
        };
    }
    static void run(std::initializer_list<std::string_view> lines) {
        keyboard_script(lines);
        main_program();
        EXPECT_EQ(keyboard_script_left(), 0);
    }
};

constexpr std::string_view kMainMenu = kEarlierEdition ? " 0=MORE, 1=ATTUALI, 3=NEW, 4=SAVE, 5=BACK, 6=OUT "
                                                       : "0=MORE, 1=ATTUALI, 3=NEW, 4=SAVE, 5=BACKWD, 6=OUT ";

std::string cols(int row, int first, int n) {
    std::string s;
    for (int c = first; c < first + n; ++c) s += screen_char(row, c);
    return s;
}

//---- start-up, GO and a plain run ----

TEST_F(MainProgramTest, StartUpSetsWordsBeforeTheLoad) {
    int16_t seen_nfile = 0, seen_lastrig = 0, seen_phase = 0, seen_ntime = -5, seen_linpun = -1;
    double seen_continuation = 1.0;
    g_file_effect = [&](int16_t mode) {
        if (mode != 1) return;
        seen_nfile = NFILE;
        seen_lastrig = LASTRIG;
        seen_phase = run_phase;
        seen_ntime = NTIME;
        seen_linpun = LINPUN;
        seen_continuation = continuation_state(3);
    };
    NFILE = 40;
    LINPUN = 1;
    continuation_state.fill(5.0);
    run({"100", "111", "6"});
    EXPECT_EQ(seen_nfile, 10);
    EXPECT_EQ(seen_lastrig, 34);
    EXPECT_EQ(seen_phase, 1);
    EXPECT_EQ(seen_ntime, kEarlierEdition ? 0 : 1);
    EXPECT_EQ(seen_linpun, 0);
    EXPECT_EQ(seen_continuation, 0.0);
    // OUT in the editor ends the run before any leg: straight to the main menu.
    EXPECT_EQ(modes(), std::vector<int>{1});
    EXPECT_EQ(count(kDriver), 0);
    EXPECT_EQ(cols(1, 60, int(kMainMenu.size())), kMainMenu);
}

TEST_F(MainProgramTest, GoRunsCycleHeaderLegAndLegPrompt) {
    load_on_mode_one();
    run({"100", "0", "6", "6"});
    EXPECT_EQ(g_calls,
              (std::vector<int>{file_mode(1), kGoSetup, kBodySetup, file_mode(3), file_mode(5), kDriver}));
    ASSERT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(g_legs[0].ncc, 0);
    EXPECT_EQ(g_legs[0].tfin, 1.0);
    // The data pass before it: nrip mirrors run_phase, nciclo and ndpunt are 1.
    EXPECT_EQ(int_params(ip::nciclo), 1);
    EXPECT_EQ(int_params(ip::ndpunt), 1);
    EXPECT_EQ(int_params(ip::nrip), 1);
}

TEST_F(MainProgramTest, LegEndMovesStartToNewestStateOverTheSameSpan) {
    load_on_mode_one([] { real_params(rp::TZERO) = 0.25; });
    // An empty line and any code but 5, 6 and 7 start the next leg.
    run({"100", "0", "", "99", "6", "6"});
    ASSERT_EQ(g_legs.size(), 3u);
    // Leg 1: 0.25 to 1; leg 2 from the state stored at 1, over 0.75.
    EXPECT_EQ(g_legs[1].tzero, 1.0);
    EXPECT_EQ(g_legs[1].tfin, 1.75);
    EXPECT_EQ(g_legs[1].xgo, 10.0 * 1.0 + 1);
    EXPECT_EQ(g_legs[1].omzetao, 10.0 * 1.0 + 12);
    EXPECT_EQ(g_legs[2].tzero, 1.75);
    EXPECT_EQ(continuation_state(1), 2.5);
    EXPECT_EQ(continuation_state(2), 3.25);
    EXPECT_EQ(continuation_state(14), 10.0 * 2.5 + 12);
}

TEST_F(MainProgramTest, LegPromptAnswersOfEachEdition) {
    load_on_mode_one();
    if (kCurrentEdition) {
        // 5 SAME reloads the points file and shows the editor again; 7 NEXT
        // raises the file number first.
        int16_t nfile_at_reload = 0;
        auto load = g_file_effect;
        g_file_effect = [&](int16_t mode) {
            load(mode);
            if (mode == 2) nfile_at_reload = NFILE;
        };
        run({"100", "0", "5", "100", "0", "7", "100", "0", "abc", "6"});
        EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 2, 3, 5, 2, 3, 5}));
        EXPECT_EQ(nfile_at_reload, 11);
        EXPECT_EQ(g_legs.size(), 3u);
    } else {
        // No SAME and no NEXT: 5 and 7 start the next leg.
        run({"100", "0", "5", "7", "abc", "6"});
        EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5}));
        EXPECT_EQ(g_legs.size(), 3u);
    }
}

TEST_F(MainProgramTest, AnswerOneElevenAtTheFileDialogueEndsTheRun) {
    load_on_mode_one();
    auto load = g_file_effect;
    g_file_effect = [load](int16_t mode) {
        load(mode);
        if (mode == 3) file_answer = "111";
    };
    run({"100", "0", "6"});
    EXPECT_EQ(modes(), (std::vector<int>{1, 3}));
    EXPECT_EQ(count(kDriver), 0);
}

TEST_F(MainProgramTest, NoWriteAskForNoHeader) {
    load_on_mode_one();
    auto load = g_file_effect;
    g_file_effect = [load](int16_t mode) {
        load(mode);
        if (mode == 3) run_state = 2;
    };
    run({"100", "0", "6", "6"});
    EXPECT_EQ(modes(), (std::vector<int>{1, 3}));
    EXPECT_EQ(count(kDriver), 1);
}

TEST_F(MainProgramTest, TrialShowsEditorAgainWithRunStateZero) {
    load_on_mode_one();
    run({"99", "100", "0", "6", "6"});
    EXPECT_EQ(count(kGoSetup), 1);
    ASSERT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(g_legs[0].run_state, 0);
}

TEST_F(MainProgramTest, StoredStateHookDrawsThenWrites) {
    load_on_mode_one();
    g_leg_effect = [](int) {
        Text<120> line;
        after_stored_state(line);
        store_state_at_tfin();
    };
    run({"100", "0", "6", "6"});
    const std::vector<int> expected = {file_mode(1), kGoSetup, kBodySetup, file_mode(3),
                                       file_mode(5), kDriver,  kPicture,   file_mode(7)};
    EXPECT_EQ(g_calls, expected);
}

//---- the driver's returns ----

TEST_F(MainProgramTest, PendingFrameSwitchCallsDriverAgainBoundedTimes) {
    load_on_mode_one();
    g_leg_effect = [](int) { NCC = 1; };
    run({"100", "0", "6"});
    // The first call and ten calls again, each with NCC reset; then the run ends.
    ASSERT_EQ(g_legs.size(), 11u);
    for (const LegCall& c : g_legs) EXPECT_EQ(c.ncc, 0);
    EXPECT_EQ(cols(1, 60, int(kMainMenu.size())), kMainMenu);
}

TEST_F(MainProgramTest, FrameSwitchReturnCallsDriverAgainThenLegPrompt) {
    load_on_mode_one();
    g_leg_effect = [](int call) {
        if (call == 0) {
            NCC = 1;
            return;
        }
        store_state_at_tfin();
    };
    run({"100", "0", "6", "6"});
    EXPECT_EQ(g_legs.size(), 2u);
}

TEST_F(MainProgramTest, LeaveFromDriverEndsTheRun) {
    load_on_mode_one();
    g_leg_effect = [](int) { run_state = 1; };
    run({"100", "0", "6"});
    EXPECT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(run_state, 0);  // the end of the run sets it back
    EXPECT_EQ(count(kPicture), 0);
}

TEST_F(MainProgramTest, FullTableDrawsWritesAndRunsNextCycle) {
    load_on_mode_one([] { int_params(ip::ncicmx) = 2; });
    int16_t state_at_records = -1;
    auto load = g_file_effect;
    g_file_effect = [&, load](int16_t mode) {
        load(mode);
        if (mode == 7) state_at_records = run_state;
    };
    // Two legs that end with the table full, the first with a continuation
    // state recorded, the second without (a block left from before); then
    // one that leaves.
    g_leg_effect = [](int call) {
        if (call < 2) {
            NTIME = 1999;
            continuation_state(3) = 42.0 + call;
            continuation_recorded = call == 0;
            return;
        }
        run_state = 1;
    };
    run({"100", "0", "6"});
    EXPECT_EQ(state_at_records, 3);
    EXPECT_EQ(int_params(ip::nok), 7);
    EXPECT_EQ(int_params(ip::nbad), 3);
    EXPECT_EQ(count(kPicture), 2);
    // Cycle 2 after the first full table, with the header of its file even
    // though run_state is 3; the second leaves run_state 3, so a further run
    // is set up with its body.
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 7, 3, 5, 7, 3, 5}));
    EXPECT_EQ(count(kBodySetup), 2);
    EXPECT_EQ(g_legs[1].xgo, 42.0);
    EXPECT_EQ(g_legs[2].xgo, 42.0);
}

TEST_F(MainProgramTest, OutAtTheFullTablePictureEndsTheRun) {
    load_on_mode_one([] { int_params(ip::ncicmx) = 3; });
    g_leg_effect = [](int) { NTIME = 1999; };
    g_picture_effect = [] { run_state = 1; };
    run({"100", "0", "6"});
    EXPECT_EQ(count(kPicture), 1);
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(g_legs.size(), 1u);
    // So does a points file that fails the records of the last state.
    g_calls.clear();
    g_legs.clear();
    g_picture_effect = nullptr;
    const auto load = g_file_effect;
    g_file_effect = [load](int16_t mode) {
        load(mode);
        if (mode == 7) run_state = 1;
    };
    run({"100", "0", "6"});
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(g_legs.size(), 1u);
}

//---- repeated runs ----

TEST_F(MainProgramTest, SweepStepsEyeAndDelh4AndRestoresWhereItStarted) {
    load_on_mode_one([] {
        int_params(ip::NVOLT1) = 3;
        int_params(ip::NVOLT2) = 2;
        real_params(rp::VISTA_Y) = 5.0;
        real_params(rp::DELH4) = 2.0;
        real_params(rp::DELTA1) = 0.5;
        real_params(rp::DELTA2) = 10.0;
    });
    run({"100", "0", "6", "6", "6", "6", "6", "6", "6"});
    ASSERT_EQ(g_legs.size(), 6u);
    const double vista[6] = {5.0, 5.5, 6.0, 5.0, 5.5, 6.0};
    const double delh4[6] = {2.0, 2.0, 2.0, 20.0, 20.0, 20.0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(g_legs[size_t(i)].vista_y, vista[i]) << i;
        EXPECT_EQ(g_legs[size_t(i)].delh4, delh4[i]) << i;
        EXPECT_EQ(g_legs[size_t(i)].run_phase, 3) << i;
    }
    EXPECT_EQ(real_params(rp::VISTA_Y), 5.0);
    EXPECT_EQ(real_params(rp::DELH4), 2.0);
    EXPECT_EQ(run_phase, 1);
    // The editor before the first run only; every run passes through GO.
    EXPECT_EQ(count(kGoSetup), 6);
}

TEST_F(MainProgramTest, SingleRunLeavesEyeAndDelh4AsTheyWere) {
    load_on_mode_one([] {
        real_params(rp::VISTA_Y) = 5.0;
        real_params(rp::DELH4) = 2.0;
        real_params(rp::DELTA1) = 0.5;
        real_params(rp::DELTA2) = 10.0;
    });
    run({"100", "0", "6", "1", "100", "111", "6"});
    EXPECT_EQ(real_params(rp::VISTA_Y), 5.0);
    EXPECT_EQ(real_params(rp::DELH4), 2.0);
}

TEST_F(MainProgramTest, UnreadableMainMenuAnswerStartsFurtherRepetition) {
    load_on_mode_one([] {
        int_params(ip::NVOLT1) = 2;
        real_params(rp::VISTA_Y) = 1.0;
        real_params(rp::DELTA1) = 1.0;
    });
    // Two runs, then the unreadable answer starts the repetitions again; the
    // run phase is 1 by then, so the editor comes first.
    run({"100", "0", "6", "6", "x", "100", "0", "6", "6"});
    ASSERT_EQ(g_legs.size(), 3u);
    EXPECT_EQ(g_legs[2].vista_y, 2.0);
    EXPECT_EQ(real_params(rp::VISTA_Y), 1.0);
}

//---- the main menu ----

TEST_F(MainProgramTest, MainMenuCodesOutsideTheMenuAreReadAgainWithoutPrompt) {
    load_on_mode_one();
    run({"100", "0", "6", "2", "-1", "7", "6"});
    EXPECT_EQ(cols(1, 60, int(kMainMenu.size())), kMainMenu);
    // Reads without the prompt leave the answers on the rows below it.
    EXPECT_EQ(cols(2, 1, 2), "-1");
    EXPECT_EQ(cols(3, 1, 1), "7");
    EXPECT_EQ(cols(4, 1, 1), "6");
    EXPECT_EQ(g_legs.size(), 1u);
}

TEST_F(MainProgramTest, EmptyMainMenuAnswerIsMore) {
    load_on_mode_one();
    run({"100", "0", "6", "", "6", "6"});
    ASSERT_EQ(g_legs.size(), 2u);
    // MORE continues from the newest state at once: no dialogue, no body set-up.
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(count(kBodySetup), 1);
    EXPECT_EQ(g_legs[1].tzero, 1.0);
    EXPECT_EQ(g_legs[1].tfin, 2.0);
    EXPECT_EQ(g_legs[1].run_phase, 1);
}

TEST_F(MainProgramTest, BackwardTwiceReversesTheSpanEachTime) {
    load_on_mode_one();
    run({"100", "0", "6", "5", "6", "5", "6", "6"});
    ASSERT_EQ(g_legs.size(), 3u);
    // 0 to 1; back from 1 to 0; forward again from 0 to 1.
    EXPECT_EQ(g_legs[1].tzero, 1.0);
    EXPECT_EQ(g_legs[1].tfin, 0.0);
    EXPECT_EQ(g_legs[2].tzero, 0.0);
    EXPECT_EQ(g_legs[2].tfin, 1.0);
    EXPECT_EQ(count(kBodySetup), 3);
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 3, 5, 3, 5}));
}

TEST_F(MainProgramTest, SaveThenFiveIsOut) {
    load_on_mode_one();
    run({"100", "0", "6", "4", "5"});
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 11}));
    EXPECT_EQ(cols(1, 60, 35), "  DATI : 1=ATTUALI, 3=NEW, 5=OUT   ");
    EXPECT_EQ(g_legs.size(), 1u);
}

TEST_F(MainProgramTest, SaveThenOtherAnswersActAsTheMainMenu) {
    load_on_mode_one();
    // After a save: 2 is read again, 4 saves again, 0 is MORE; then a 5 at
    // the main menu is BACKWD again.
    run({"100", "0", "6", "4", "2", "4", "0", "6", "5", "6", "6"});
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 11, 11, 3, 5}));
    ASSERT_EQ(g_legs.size(), 3u);
    EXPECT_EQ(g_legs[1].tzero, 1.0);  // MORE
    EXPECT_EQ(g_legs[2].tfin, 1.0);   // BACKWD from 2 over -1
}

TEST_F(MainProgramTest, AttualiAndNewReturnToEditorAndLoad) {
    std::vector<double> continuation_at_load;
    std::vector<int16_t> linpun_at_load;
    load_on_mode_one([&] {
        continuation_at_load.push_back(continuation_state(5));
        linpun_at_load.push_back(LINPUN);
        LINPUN = 1;
        continuation_state(5) = 9.0;
    });
    const std::string_view linpun_row = kEarlierEdition ? " 34  1" : " 36  1";
    run({"100", "0", "6", "1", linpun_row, "1", "99", "100", "111", "3", "100", "111", "6"});
    // NEW starts from a zero continuation state and LINPUN 0.
    EXPECT_EQ(continuation_at_load, (std::vector<double>{0.0, 0.0}));
    EXPECT_EQ(linpun_at_load, (std::vector<int16_t>{0, 0}));
    EXPECT_EQ(count(kDriver), 1);
}

//---- starting without GO ----

TEST_F(MainProgramTest, MoreBeforeFirstGoStartsFromStoredStateOne) {
    load_on_mode_one([] {
        TIME(1) = 0.5;
        for (int k = 1; k <= 12; ++k) YP(k, 1) = 100.0 + k;
    });
    run({"100", "111", "0", "6", "6"});
    ASSERT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(g_legs[0].ntime, 1);
    EXPECT_EQ(g_legs[0].tzero, 0.5);
    EXPECT_EQ(g_legs[0].tfin, 1.5);
    EXPECT_EQ(g_legs[0].xgo, 101.0);
    EXPECT_EQ(g_legs[0].omzetao, 112.0);
    // The body is built from the tables rather than left without inertia.
    EXPECT_EQ(count(kGoSetup), 1);
    EXPECT_EQ(count(kBodySetup), 1);
}

TEST_F(MainProgramTest, BackwardBeforeFirstGoStartsFromStoredStateOne) {
    load_on_mode_one([] {
        TIME(1) = 0.5;
        YP(1, 1) = 7.0;
    });
    run({"100", "111", "5", "6", "6"});
    ASSERT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(g_legs[0].ntime, 1);
    EXPECT_EQ(g_legs[0].tzero, 0.5);
    EXPECT_EQ(g_legs[0].tfin, -0.5);
    EXPECT_EQ(g_legs[0].xgo, 7.0);
    EXPECT_EQ(count(kBodySetup), 1);
}

TEST_F(MainProgramTest, ProceedRunsFromTheContinuationState) {
    load_on_mode_one([] {
        for (int k = 1; k <= 14; ++k) continuation_state(k) = 2.0 + k;
        int_params(ip::NPROL) = 1;
        load_kind = 1;
    });
    run({"100", "1", "6", "6"});
    ASSERT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(g_legs[0].tzero, 3.0);
    EXPECT_EQ(g_legs[0].tfin, 4.0);
    EXPECT_EQ(g_legs[0].xgo, 5.0);
    EXPECT_EQ(g_legs[0].omzetao, 16.0);
    EXPECT_EQ(int_params(ip::NPROL), 0);
    EXPECT_EQ(load_kind, 0);
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5}));
}

TEST_F(MainProgramTest, GoWithNripTwoContinuesAtOnce) {
    load_on_mode_one([] {
        int_params(ip::NTIME) = 4;
        TIME(4) = 3.0;
    });
    // A run, then GO with nrip 2 (the data pass mirrors run_phase into nrip:
    // set it in the editor) continues from stored state 4 at once; ATTUALI
    // closed the points file, so the output-file dialogue and the header come
    // first.
    run({"100", "0", "6", "1", " 20  1", "2", "100", "0", "6", "6"});
    ASSERT_EQ(g_legs.size(), 2u);
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5, 3, 5}));
    EXPECT_EQ(count(kBodySetup), 1);
    EXPECT_EQ(g_legs[1].ntime, 4);
    EXPECT_EQ(g_legs[1].tzero, 3.0);
}

TEST_F(MainProgramTest, GoWithNripTwoAsFirstRunSetsUpTheBody) {
    load_on_mode_one();
    // No points file was opened yet: the dialogue and the header come first.
    run({" 20  1", "2", "100", "0", "6", "6"});
    ASSERT_EQ(g_legs.size(), 1u);
    EXPECT_EQ(modes(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(count(kGoSetup), 1);
    EXPECT_EQ(count(kBodySetup), 1);
}

TEST_F(MainProgramTest, RunStartsInsideTheTableWhateverTheNtimeParameter) {
    load_on_mode_one([] { int_params(ip::NTIME) = 0; });
    g_leg_effect = [](int) {
        if (NTIME < 1999)
            store_state_at_tfin();
        else
            run_state = 1;
    };
    run({"100", "0", "6", "1", " 24  1", "-7", "100", "0", "6", "1", " 24  1", "3000", "100", "0", "6"});
    ASSERT_EQ(g_legs.size(), 3u);
    EXPECT_EQ(g_legs[0].ntime, 1);
    EXPECT_EQ(g_legs[1].ntime, 1);
    EXPECT_EQ(g_legs[2].ntime, 2000);
}

}  // namespace
