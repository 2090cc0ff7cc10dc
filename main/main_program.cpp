// The program: start-up, loading, the data and edit pass, the set-up of
// each run, its cycles and legs of integration, the repeated runs that step
// the eye point and DELH4, and the main menu. One loop dispatches on the
// step that runs next.
#include "main/main_program.h"

#include <cstdint>
#include <string_view>

#include "common/control.h"
#include "common/edition.h"
#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "main/editor.h"
#include "main/setup.h"
#include "motion/derivs.h"
#include "motion/integrate.h"
#include "motion/rrkqc.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/units.h"
#include "platform/window.h"
#include "plot/picture.h"

namespace {

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kBlack = 0x00000000;
constexpr int kPointsUnit = 8;
constexpr int16_t kLastStorableState = 1998;  // a leg that ends above it found the table full
constexpr int kDriverRecalls = 10;            // calls of the driver again after a frame switch request
constexpr std::string_view kLegPrompt = kEarlierEdition ? " 0=MORE,6=OUT " : " 0=MORE,5=SAME,6=OUT,7=NEXT ";
constexpr std::string_view kMainMenu = kEarlierEdition ? " 0=MORE, 1=ATTUALI, 3=NEW, 4=SAVE, 5=BACK, 6=OUT "
                                                       : "0=MORE, 1=ATTUALI, 3=NEW, 4=SAVE, 5=BACKWD, 6=OUT ";
constexpr std::string_view kAfterSaveMenu = "  DATI : 1=ATTUALI, 3=NEW, 5=OUT   ";

// Modes of the file routine.
constexpr int16_t kLoadDialogue = 1;
constexpr int16_t kReloadPoints = 2;
constexpr int16_t kOutputFile = 3;
constexpr int16_t kHeader = 5;
constexpr int16_t kPointRecords = 7;
constexpr int16_t kSave = 11;

// The main program's own state, kept from one run to the next.
struct MainState {
    Vec<int16_t, 2> sweep_counter;  // inner and outer repetitions done
    Vec<int16_t, 2> sweep_limit;    // NVOLT1, NVOLT2 at the last GO
    double sweep_step;              // DELTA1 at the last GO
    double sweep_factor;            // DELTA2 at the last GO
    Vec<double, 2> sweep_restore;   // VISTA_Y and DELH4 at the GO that started the repetitions
    bool sweep_moved;               // a repetition has stepped VISTA_Y or DELH4 since then
    bool body_taken;                // the copies for the body set-up have been taken
    bool body_built;                // the body has been set up from them
    int16_t cycle_count;            // cycles of a run
    int16_t cycles_left;            // cycles still to run
    int16_t menu_answer;            // answer at the leg prompt and the main menu
    bool after_save;                // the main menu's answer follows the after-save prompt
    Text<120> work_line;            // scratch line for the driver and the picture
};

MainState ms;

enum class Step : uint8_t {
    start_up,
    new_data,
    data_pass,
    go,
    proceed,  // PROSegui: continue from the continuation state
    run_setup,
    cycle,
    leg,
    leg_prompt,
    table_full,
    after_cycles,
    end_of_run,
    main_menu,
    main_menu_answer,
    backward,
    finished,
};

void show_at_top(std::string_view text) {
    win_text_pos(1, 60);
    win_text(text);
}

// Every stored state is drawn, then written as point records.
void draw_and_write(Text<120>& work_line) {
    draw_graphics(work_line);
    const int16_t mode = kPointRecords;
    data_file_io(mode);
}

// The stored states run from 1 to the end of the table; a run or a leg that
// would start outside it (the integer parameter NTIME at 0, the earlier
// edition before its first GO) starts from stored state 1.
void keep_newest_in_table() {
    if (NTIME < 1) NTIME = 1;
    if (NTIME > kTableSize) NTIME = int16_t(kTableSize);
}

// The next start is the newest stored state, over the given span of time.
void continue_from_newest(double span) {
    keep_newest_in_table();
    real_params(rp::TZERO) = TIME(NTIME);
    real_params(rp::TFIN) = real_params(rp::TZERO) + span;
    for (int k = 1; k <= 12; ++k) real_params(rp::XGo + k - 1) = YP(k, NTIME);
    for (int k = 1; k <= 14; ++k) continuation_state(k) = real_params(rp::TZERO + k - 1);
}

// A run that continues before any GO (PROSegui after a load, MORE or
// BACKWD from the main menu) takes the body from the parameter tables as GO
// would, instead of integrating a body without inertia; the stored state it
// starts from and the run phase stay as they are.
void take_body_if_never_taken() {
    if (ms.body_taken) return;
    const int16_t newest = NTIME;
    const int16_t phase = run_phase;
    const double first_time = TIME(1);
    go_setup();
    NTIME = newest;
    run_phase = phase;
    TIME(1) = first_time;
    ms.body_taken = true;
}

void set_up_body() {
    take_body_if_never_taken();
    body_setup();
    ms.body_built = true;
}

// A continuation keeps the body of the run before it; when there was none
// (the first run of the program continues), the body is set up first.
void set_up_body_if_never_built() {
    if (!ms.body_built) set_up_body();
}

// A continuation goes on writing into the points file the run before it
// left open. When there is none (ATTUALI, NEW, SAME, NEXT and OUT at the
// output-file dialogue close it, and before the first cycle none is open),
// it gets one as a cycle does, unless the user asked for no file.
bool continuation_needs_points_file() { return !unit_is_open(kPointsUnit) && output_declined == 0; }

//---- the steps ----

Step start_up() {
    set_start_values();
    if (kCurrentEdition) fp_flush_to_zero(3);
    run_phase = 1;
    ms.sweep_limit(1) = 1;
    ms.sweep_limit(2) = 1;
    NTIME = kEarlierEdition ? 0 : 1;
    ms.sweep_counter(1) = 0;
    ms.sweep_counter(2) = 0;
    NCC = 0;
    load_kind = 0;
    run_state = 0;
    NFILE = 10;
    LASTRIG = 34;
    ms.sweep_step = 0.0;
    ms.sweep_factor = 0.0;
    ms.sweep_restore.fill(0.0);
    ms.sweep_moved = false;
    ms.body_taken = false;
    ms.body_built = false;
    ms.cycle_count = 0;
    ms.cycles_left = 0;
    ms.menu_answer = 0;
    ms.after_save = false;
    ms.work_line.blank();
    after_stored_state = draw_and_write;
    win_back_colour(kWhite);
    win_text_colour(kBlack);
    return Step::new_data;
}

Step new_data() {
    continuation_state.fill(0.0);
    LINPUN = 0;
    data_file_io(kLoadDialogue);
    return Step::data_pass;
}

Step data_pass() {
    const bool with_editor = run_phase <= 1 || run_state == 3;
    stop_mode = with_editor ? 1 : 0;
    header_written = 0;
    points_in_file = 0;
    if (load_kind != 1) title_line.blank();
    int_params(ip::nrip) = run_phase;
    int_params(ip::nciclo) = 1;
    int_params(ip::ndpunt) = 1;
    if (with_editor) edit_parameters();
    switch (run_state) {
        case 5:
            run_state = 0;
            return Step::data_pass;
        case 1:
            if (kCurrentEdition) ms.cycle_count = 1;
            return Step::end_of_run;
        case 3:
            return Step::proceed;
        default:
            return Step::go;
    }
}

Step go() {
    go_setup();
    ms.body_taken = true;
    keep_newest_in_table();
    ms.sweep_step = real_params(rp::DELTA1);
    ms.sweep_factor = real_params(rp::DELTA2);
    if (ms.sweep_counter(1) == 0 && ms.sweep_counter(2) == 0) {
        ms.sweep_restore(1) = real_params(rp::VISTA_Y);
        ms.sweep_restore(2) = real_params(rp::DELH4);
    }
    ms.sweep_limit(1) = int_params(ip::NVOLT1);
    ms.sweep_limit(2) = int_params(ip::NVOLT2);
    ms.cycle_count = int_params(ip::ncicmx);
    ms.cycles_left = int_params(ip::nciclo);
    return Step::run_setup;
}

Step proceed() {
    set_up_body_if_never_built();
    load_kind = 0;
    run_state = 0;
    int_params(ip::NPROL) = 0;
    for (int k = 1; k <= 14; ++k) real_params(rp::TZERO + k - 1) = continuation_state(k);
    ms.cycle_count = 1;
    ms.cycles_left = 1;
    return Step::cycle;
}

Step run_setup() {
    if (ms.sweep_limit(1) > 1 || ms.sweep_limit(2) > 1) run_phase = 3;
    if (run_phase == 2) {
        set_up_body_if_never_built();
        run_state = 0;
        continue_from_newest(real_params(rp::TFIN) - real_params(rp::TZERO));
        run_phase = 1;
        return continuation_needs_points_file() ? Step::cycle : Step::leg;
    }
    set_up_body();
    ms.cycles_left = ms.cycle_count;
    return Step::cycle;
}

Step cycle() {
    header_written = 0;
    data_file_io(kOutputFile);
    if (file_answer == "111") return Step::end_of_run;
    // Every points file the cycle opens gets its header unless no file is
    // wanted (2): a run_state of 3 left by a full table whose last state was
    // not written must not leave the next file without one.
    if (header_written < 1 && run_state != 2) {
        data_file_io(kHeader);
        // A points file whose header could not be written has been let go:
        // another one is asked for.
        if (!unit_is_open(kPointsUnit)) return Step::cycle;
    }
    return Step::leg;
}

// One leg of integration. A driver that keeps returning with a frame switch
// pending is called again a bounded number of times, then the run ends.
Step leg() {
    for (int recalls = 0;; ++recalls) {
        keep_newest_in_table();
        NCC = 0;
        integrate_path(continuation_state, step_count_ok, step_count_bad, rigid_body_derivs, RRKQC, run_state,
                       ms.work_line);
        if (run_state == 1) return Step::end_of_run;
        if (NCC != 1) break;
        if (recalls == kDriverRecalls) return Step::end_of_run;
    }
    if (NTIME > kLastStorableState) return Step::table_full;
    return Step::leg_prompt;
}

Step leg_prompt() {
    static const FieldFormat answer_format("(I2)");
    continue_from_newest(real_params(rp::TFIN) - real_params(rp::TZERO));
    show_at_top(kLegPrompt);
    const IoStatus st = read_keyboard(answer_format, ms.menu_answer);
    if (st != IoStatus::ok || ms.menu_answer == 6) return Step::end_of_run;
    if (kEarlierEdition) return Step::leg;
    if (ms.menu_answer == 5 || ms.menu_answer == 7) {
        if (ms.menu_answer == 7) NFILE = int16_t(NFILE + 1);
        data_file_io(kReloadPoints);
        return Step::data_pass;
    }
    return Step::leg;
}

Step table_full() {
    draw_graphics(ms.work_line);
    if (run_state == 1) return Step::end_of_run;  // OUT chosen at the picture
    int_params(ip::nok) = step_count_ok;
    int_params(ip::nbad) = step_count_bad;
    run_state = 3;
    data_file_io(kPointRecords);
    // The initial state becomes the state the leg recorded for its
    // continuation; a leg that recorded none leaves it as it was.
    if (continuation_recorded && (run_state == 3 || ms.cycles_left > 1 || run_phase == 3 || load_kind == 1))
        for (int k = 1; k <= 12; ++k) real_params(rp::XGo + k - 1) = continuation_state(k + 2);
    ms.cycles_left = int16_t(ms.cycles_left - 1);
    if (run_state == 1) return Step::end_of_run;  // the points file failed the records
    if (ms.cycles_left > 0) return Step::cycle;
    return Step::after_cycles;
}

Step after_cycles() {
    if (run_phase == 2 || run_state == 3) return Step::run_setup;
    return Step::end_of_run;
}

// The end of every run: the next repetition, or the eye point and DELH4
// back where the repetitions started, and the main menu.
Step end_of_run() {
    header_written = 0;
    stop_mode = 1;
    if (ms.sweep_counter(1) + 1 < ms.sweep_limit(1)) {
        ms.sweep_counter(1) = int16_t(ms.sweep_counter(1) + 1);
        real_params(rp::VISTA_Y) = real_params(rp::VISTA_Y) + ms.sweep_step;
        ms.sweep_moved = true;
        run_state = 0;
        win_clear(0);
        return Step::data_pass;
    }
    ms.sweep_counter(1) = 0;
    if (ms.sweep_counter(2) + 1 < ms.sweep_limit(2)) {
        ms.sweep_counter(2) = int16_t(ms.sweep_counter(2) + 1);
        real_params(rp::VISTA_Y) = ms.sweep_restore(1);
        real_params(rp::DELH4) = real_params(rp::DELH4) * ms.sweep_factor;
        ms.sweep_moved = true;
        run_state = 0;
        win_clear(0);
        return Step::data_pass;
    }
    if (ms.sweep_moved) {
        real_params(rp::VISTA_Y) = ms.sweep_restore(1);
        real_params(rp::DELH4) = ms.sweep_restore(2);
        ms.sweep_moved = false;
    }
    ms.sweep_counter(2) = 0;
    run_phase = 1;
    run_state = 0;
    return Step::main_menu;
}

Step main_menu() {
    ms.after_save = false;
    show_at_top(kMainMenu);
    return Step::main_menu_answer;
}

Step leave_program() {
    close_unit(kPointsUnit);
    win_reset_layout(-1);
    return Step::finished;
}

Step main_menu_answer() {
    static const FieldFormat answer_format("(I2)");
    const IoStatus st = read_keyboard(answer_format, ms.menu_answer);
    if (st == IoStatus::end_of_file) return leave_program();  // no more answers can come
    if (st != IoStatus::ok) return Step::end_of_run;
    if (ms.after_save && ms.menu_answer == 5) return leave_program();
    switch (ms.menu_answer) {
        case 0:
            run_phase = 2;
            ms.cycles_left = 1;
            return Step::run_setup;
        case 1:
            close_unit(kPointsUnit);
            return Step::data_pass;
        case 3:
            close_unit(kPointsUnit);
            return Step::new_data;
        case 4:
            data_file_io(kSave);
            win_clear(0);
            show_at_top(kAfterSaveMenu);
            ms.after_save = true;
            return Step::main_menu_answer;
        case 5:
            return Step::backward;
        case 6:
            return leave_program();
        default:
            return Step::main_menu_answer;  // 2, below 0, above 6
    }
}

// The same span again, backwards from the newest stored state.
Step backward() {
    continue_from_newest(real_params(rp::TZERO) - real_params(rp::TFIN));
    run_state = 0;
    return Step::run_setup;
}

Step dispatch(Step step) {
    switch (step) {
        case Step::start_up:
            return start_up();
        case Step::new_data:
            return new_data();
        case Step::data_pass:
            return data_pass();
        case Step::go:
            return go();
        case Step::proceed:
            return proceed();
        case Step::run_setup:
            return run_setup();
        case Step::cycle:
            return cycle();
        case Step::leg:
            return leg();
        case Step::leg_prompt:
            return leg_prompt();
        case Step::table_full:
            return table_full();
        case Step::after_cycles:
            return after_cycles();
        case Step::end_of_run:
            return end_of_run();
        case Step::main_menu:
            return main_menu();
        case Step::main_menu_answer:
            return main_menu_answer();
        case Step::backward:
            return backward();
        case Step::finished:
            return Step::finished;
    }
    return Step::finished;
}

}  // namespace

// Runs the program until OUT at the main menu.
void main_program() {
    Step step = Step::start_up;
    while (step != Step::finished) step = dispatch(step);
}
