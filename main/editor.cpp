// The three-screen parameter editor: every parameter as a cell, edited by
// row and screen, with the Euler-angle rates kept consistent with the
// angular velocity, and the initial orientation built on leaving.
#include "main/editor.h"

#include <cmath>
#include <cstdint>
#include <string_view>

#include "common/control.h"
#include "common/edition.h"
#include "common/params.h"
#include "common/state.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/mathfn.h"
#include "platform/window.h"

namespace {

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kBlack = 0x00000000;
constexpr int16_t kRealCell = 1;
constexpr int16_t kIntegerCell = 2;
constexpr int16_t kRowGo = 100;
constexpr int16_t kRowTrial = 99;  // PROVA
constexpr double kStoredStates = 2000.0;
constexpr std::string_view kChangesPrompt = "CAMBI?  [rig,col] (100,0 = GO / 99,0 = PROVA )  ";
constexpr std::string_view kGoMenu = "0=GO,1=PROSegui,2=RICOMincia,3=NOSTOP,111=OUT)";

// What an edit of a cell brings about besides the new value.
enum class FollowUp : uint8_t {
    none,
    angles,    // the sines and cosines of the initial angles
    span,      // the angles, then periodo := TFIN - TZERO
    rates,     // the Euler-angle rates from the angular velocity
    psi_rate,  // the angular velocity from the rates
    theta_rate,
    phi_rate,
};

// One cell of a screen: its label and the value it shows, and whether an
// answer naming it edits it or leaves the editor.
struct Cell {
    Name label;
    double* real = nullptr;
    int16_t* integer = nullptr;
    double shown_value = 0.0;  // a value that is only shown (derived)
    bool shown = false;
    bool editable = false;
    FollowUp follow = FollowUp::none;
};

// The sines and cosines of PSIo, THETAo and PHIo, as the editor last took them.
struct Angles {
    double s_psi, c_psi, s_theta, c_theta, s_phi, c_phi;
};

Cell real_cell(const Name& label, double& value, bool editable, FollowUp follow = FollowUp::none) {
    Cell c;
    c.label = label;
    c.real = &value;
    c.shown = true;
    c.editable = editable;
    c.follow = follow;
    return c;
}

Cell integer_cell(const Name& label, int16_t& value) {
    Cell c;
    c.label = label;
    c.integer = &value;
    c.shown = true;
    c.editable = true;
    return c;
}

// The label of periodo is "periodo " when all screens are shown and
// "PERIODO " once TZERO, TFIN or periodo itself has been edited.
Name period_label(bool edited) { return Name(edited ? "PERIODO " : "periodo "); }

//---- the screens ----

Cell screen1_current(int row, bool edited) {
    if (row >= 1 && row <= 14) {
        const int slot = 30 + row;
        const bool leaves = row == 5 || (row >= 9 && row <= 11);  // ZGo and the velocity of G
        FollowUp follow = FollowUp::angles;
        if (row <= 2) follow = FollowUp::span;
        if (row >= 12) follow = FollowUp::rates;
        return real_cell(real_param_names(slot), real_params(slot), !leaves, follow);
    }
    if (row >= 15 && row <= 29) return integer_cell(int_param_names(row - 14), int_params(row - 14));
    switch (row) {
        case 30:
            return integer_cell(Name("NFILE   "), NFILE);
        case 31:
            return integer_cell(Name("LASTRIG "), LASTRIG);
        case 32:
            return real_cell(period_label(edited), periodo, true);
        case 33:
            return real_cell(real_param_names(rp::PSIPo), real_params(rp::PSIPo), true, FollowUp::psi_rate);
        case 34:
            return real_cell(real_param_names(rp::THETAPo), real_params(rp::THETAPo), true,
                             FollowUp::theta_rate);
        case 35:
            return real_cell(real_param_names(rp::PHIPo), real_params(rp::PHIPo), true, FollowUp::phi_rate);
        case 36:
            return integer_cell(Name("LINPUN  "), LINPUN);
        default:
            return Cell{};
    }
}

Cell screen1_earlier(int row, bool edited) {
    if (row >= 1 && row <= 14) {
        const int slot = 30 + row;
        return real_cell(real_param_names(slot), real_params(slot), true,
                         row <= 2 ? FollowUp::span : FollowUp::none);
    }
    if (row >= 15 && row <= 29) return integer_cell(int_param_names(row - 14), int_params(row - 14));
    switch (row) {
        case 30:
            return integer_cell(Name("NFILE   "), NFILE);
        case 31:
            return integer_cell(Name("LASTRIG "), LASTRIG);
        case 32:
            return real_cell(period_label(edited), periodo, true);
        case 33: {
            Cell c;
            c.label = Name(edited ? "DT/KPUNT" : "DX/KPUNT");
            c.shown_value = periodo / kStoredStates;
            c.shown = true;
            return c;
        }
        case 34:
            return integer_cell(Name("LINPUN  "), LINPUN);
        default:
            return Cell{};
    }
}

// Screen 2: integration and view settings on rows 1 to 20, the force block
// in two columns, force on rows 21 to 28 and moment on rows 29 to 36.
Cell screen2(int row) {
    int slot = 0;
    if (row >= 1 && row <= 20) slot = row;
    if (row >= 21 && row <= 28) slot = 2 * (row - 20) + rp::force_base - 2;
    if (row >= 29 && row <= 36) slot = 2 * (row - 28) + rp::force_base - 1;
    if (slot == 0) return Cell{};
    return real_cell(real_param_names(slot), real_params(slot), true);
}

// Screen 3: bounds and inertia on rows 1 to 10, the view ranges from row 12.
Cell screen3(int row) {
    if (row >= 1 && row <= 10) return real_cell(real_param_names(20 + row), real_params(20 + row), true);
    if (row >= 12 && row <= 35) {
        const int j = (row - 12) / 4 + 1;
        const int i = row - 4 * j - 7;
        return real_cell(view_range_names(j, i), view_range(j, i), true);
    }
    return Cell{};
}

Cell cell_at(int row, int screen, bool edited) {
    switch (screen) {
        case 1:
            return kEarlierEdition ? screen1_earlier(row, edited) : screen1_current(row, edited);
        case 2:
            return screen2(row);
        case 3:
            return screen3(row);
        default:
            return Cell{};
    }
}

void show_cell(int row, int screen, bool edited = false) {
    const Cell c = cell_at(row, screen, edited);
    if (!c.shown) return;
    const int16_t r = int16_t(row);
    const int16_t s = int16_t(screen);
    if (c.integer != nullptr) {
        double spare = 1.0;
        show_parameter(c.label, r, s, *c.integer, spare, kIntegerCell);
    } else {
        int16_t spare = 0;
        double value = c.real != nullptr ? *c.real : c.shown_value;
        show_parameter(c.label, r, s, spare, value, kRealCell);
    }
}

//---- the kinematics of z-x-z Euler angles ----

Angles take_angles() {
    const double psi = real_params(rp::PSIo);
    const double theta = real_params(rp::THETAo);
    const double phi = real_params(rp::PHIo);
    return {k_sin(psi), k_cos(psi), k_sin(theta), k_cos(theta), k_sin(phi), k_cos(phi)};
}

// The rates of the angles seen from the angular velocity on the body axes:
// psi' = (w1 sin phi + w2 cos phi) / sin theta, theta' = w1 cos phi - w2 sin phi,
// phi' = w3 - (w1 sin phi + w2 cos phi) cos theta / sin theta. With sin theta
// zero the divisions give infinities or not-a-number, which the cells show.
void derive_rates(const Angles& a) {
    const double w1 = real_params(rp::OMCSIo);
    const double w2 = real_params(rp::OMETAo);
    const double w3 = real_params(rp::OMZETAo);
    real_params(rp::PSIPo) = (w1 * a.s_phi + w2 * a.c_phi) / a.s_theta;
    real_params(rp::THETAPo) = w1 * a.c_phi - w2 * a.s_phi;
    real_params(rp::PHIPo) = w3 - (w1 * a.s_phi + w2 * a.c_phi) * a.c_theta / a.s_theta;
}

bool finite3(double x, double y, double z) {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

// A typed rate sets the angular velocity by the forward relations
// w1 = sin theta sin phi psi' + cos phi theta', w2 = sin theta cos phi psi' - sin phi theta',
// w3 = cos theta psi' + phi'. A rate whose angular velocity would not be
// finite (a rate left infinite by sin theta = 0) is refused: the rate and
// the angular velocity keep their values.
void apply_rate(FollowUp which, double typed, const Angles& a) {
    double psi_rate = real_params(rp::PSIPo);
    double theta_rate = real_params(rp::THETAPo);
    double phi_rate = real_params(rp::PHIPo);
    double w1 = real_params(rp::OMCSIo);
    double w2 = real_params(rp::OMETAo);
    double w3 = real_params(rp::OMZETAo);
    if (which == FollowUp::psi_rate) psi_rate = typed;
    if (which == FollowUp::theta_rate) theta_rate = typed;
    if (which == FollowUp::phi_rate) phi_rate = typed;
    if (which == FollowUp::psi_rate || which == FollowUp::theta_rate) {
        w1 = a.s_theta * a.s_phi * psi_rate + a.c_phi * theta_rate;
        w2 = a.s_theta * a.c_phi * psi_rate - a.s_phi * theta_rate;
    }
    if (which == FollowUp::psi_rate) w3 = a.c_theta * psi_rate + phi_rate;
    if (which == FollowUp::phi_rate) w3 = phi_rate + a.c_theta * psi_rate;
    if (!finite3(w1, w2, w3)) return;
    real_params(rp::PSIPo) = psi_rate;
    real_params(rp::THETAPo) = theta_rate;
    real_params(rp::PHIPo) = phi_rate;
    real_params(rp::OMCSIo) = w1;
    real_params(rp::OMETAo) = w2;
    real_params(rp::OMZETAo) = w3;
}

//---- the steps of the editor ----

void show_all_screens(Angles& a) {
    win_clear(0);
    for (int row = 1; row <= 14; ++row) show_cell(row, 1);
    periodo = real_params(rp::TFIN) - real_params(rp::TZERO);
    for (int row = 15; row <= 32; ++row) show_cell(row, 1);
    if (kCurrentEdition) {
        a = take_angles();
        derive_rates(a);
    }
    for (int row = 33; row <= 36; ++row) show_cell(row, 1);
    for (int row = 1; row <= 36; ++row) show_cell(row, 2);
    for (int row = 1; row <= 35; ++row) show_cell(row, 3);
    win_text_pos(1, 10);
    win_text(kChangesPrompt);
}

// The values an edit has derived appear when the question is asked again.
void show_derived_cells() {
    for (int row : {12, 13, 14, 33, 34, 35}) show_cell(row, 1);
}

// Edits the cell on a working copy of its value and stores it back; an
// answer that cannot be read leaves the cell as it was and derives nothing.
void edit_cell(int row, int screen, Angles& a) {
    const Cell c = cell_at(row, screen, true);
    const int16_t r = int16_t(row);
    const int16_t s = int16_t(screen);
    if (c.integer != nullptr) {
        int16_t value = *c.integer;
        double spare = 1.0;
        edit_parameter(c.label, r, s, value, spare, kIntegerCell);
        *c.integer = value;
        return;
    }
    int16_t spare = 0;
    double value = *c.real;
    if (!edit_parameter(c.label, r, s, spare, value, kRealCell)) return;
    switch (c.follow) {
        case FollowUp::psi_rate:
        case FollowUp::theta_rate:
        case FollowUp::phi_rate:
            apply_rate(c.follow, value, a);
            return;
        default:
            *c.real = value;
    }
    if (c.follow == FollowUp::rates) derive_rates(a);
    if (kCurrentEdition && (c.follow == FollowUp::angles || c.follow == FollowUp::span)) a = take_angles();
    if (c.follow == FollowUp::span) {
        periodo = real_params(rp::TFIN) - real_params(rp::TZERO);
        show_cell(32, 1, true);
        if (kEarlierEdition) show_cell(33, 1, true);
    }
}

// The initial orientation from the angles (column j: body axis j in space
// axes, Rz(psi) Rx(theta) Rz(phi)), and the height of G that puts the
// lowest point of the circle at the zeta G plane on the ground.
void build_orientation(const Angles& a) {
    Mat3& m = orientation_matrix;
    m(1, 1) = a.c_psi * a.c_phi - a.s_psi * a.c_theta * a.s_phi;
    m(2, 1) = a.s_psi * a.c_phi + a.c_psi * a.c_theta * a.s_phi;
    m(3, 1) = a.s_theta * a.s_phi;
    m(1, 2) = -a.c_psi * a.s_phi - a.s_psi * a.c_theta * a.c_phi;
    m(2, 2) = a.c_psi * a.c_theta * a.c_phi - a.s_psi * a.s_phi;
    m(3, 2) = a.s_theta * a.c_phi;
    m(1, 3) = a.s_psi * a.s_theta;
    m(2, 3) = -a.c_psi * a.s_theta;
    m(3, 3) = a.c_theta;
    real_params(rp::ZGo) = real_params(rp::circle_radius) * a.s_theta - real_params(rp::ZETA_G) * a.c_theta;
}

enum class Step : uint8_t { show_screens, ask, leave, trial, go_menu, out_of_input, done };

// The answer to "CAMBI?": the row, then the screen.
Step ask(Angles& a, int16_t& row) {
    static const FieldFormat row_and_screen("(2(I3))");
    int16_t screen = 1;
    if (kCurrentEdition) show_derived_cells();
    win_text_pos(1, 60);
    const IoStatus st = read_keyboard(row_and_screen, row, screen);
    if (st == IoStatus::end_of_file) return Step::out_of_input;
    if (st != IoStatus::ok) return Step::ask;
    if (row == kRowGo || row == kRowTrial) return Step::leave;
    if (screen < 1 || screen > 3) return Step::ask;
    const Cell c = cell_at(row, screen, true);
    if (!c.editable) return Step::leave;
    edit_cell(row, screen, a);
    return Step::ask;
}

// The GO menu; its answer is the editor's result in run_state.
Step go_menu() {
    static const FieldFormat code_format("(I3)");
    win_text_pos(1, 10);
    win_text(kGoMenu);
    win_text_pos(1, 60);
    int16_t code = 0;
    const IoStatus st = read_keyboard(code_format, code);
    if (st == IoStatus::end_of_file) return Step::out_of_input;
    if (st != IoStatus::ok) return Step::ask;
    switch (code) {
        case 0:
            run_state = 0;
            break;
        case 1:
            run_state = 3;
            break;
        case 2:
            return Step::show_screens;
        case 3:
            stop_mode = 0;
            run_state = 0;
            break;
        case 111:
            run_state = 1;
            break;
        default:
            return Step::go_menu;
    }
    win_clear(0);
    return Step::done;
}

}  // namespace

// Shows the three screens and lets the user change any cell until GO,
// PROSegui, NOSTOP, OUT or PROVA; the choice is left in run_state.
void edit_parameters() {
    win_back_colour(kWhite);
    win_text_colour(kBlack);
    win_clear(0);
    Angles a{0.0, 1.0, 0.0, 1.0, 0.0, 1.0};
    int16_t row = 0;
    Step step = Step::show_screens;
    while (step != Step::done) {
        switch (step) {
            case Step::show_screens:
                show_all_screens(a);
                step = Step::ask;
                break;
            case Step::ask:
                step = ask(a, row);
                break;
            case Step::leave:
                if (kCurrentEdition) build_orientation(a);
                step = row == kRowTrial ? Step::trial : Step::go_menu;
                break;
            case Step::trial:
                run_state = 5;
                step = Step::done;
                break;
            case Step::go_menu:
                step = go_menu();
                break;
            case Step::out_of_input:
                // No more answers can come: leave as OUT does.
                if (kCurrentEdition) build_orientation(a);
                run_state = 1;
                win_clear(0);
                step = Step::done;
                break;
            case Step::done:
                break;
        }
    }
}
