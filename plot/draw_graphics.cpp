// The picture of the newest stored state: header, colour legend, three views
// of the body and its traces, the text panel for the small window sizes, and
// the graphics menu that ends each picture while the run stops at every one.
#include <cmath>
#include <cstdint>

#include "common/control.h"
#include "common/edition.h"
#include "common/figure.h"
#include "common/params.h"
#include "common/state.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/window.h"
#include "plot/picture.h"
#include "plot/picture_layout.h"
#include "plot/plot_extras.h"

namespace {

constexpr int32_t kWhite = 0x00FFFFFF;
constexpr int32_t kBlack = 0x00000000;
constexpr int kLegendEntries = 8;
constexpr int kLegendSpacing = 15;
constexpr int kMenuColumn = 65;
constexpr int kMenuAnswerColumn = 116;
constexpr int kRangePromptColumn = 70;
constexpr int kRangeAnswerColumn = 85;
constexpr int kMenuRowBelowLastrig = 8;

// Colour entries of the fixed picture elements.
constexpr int kTriadEntry[3] = {2, 9, 3};
constexpr int kBodyAxisEntry[3] = {1, 2, 3};
constexpr int kOmEntry = 4;
constexpr int kKEntry = 5;

// Field formats of the picture and the menu, parsed at start-up so that no
// picture allocates for them.
const FieldFormat kHeaderFormat("('NFILE ',I4,' To ',F10.4,2X,'T',F10.4,2X,'NTIME ',I5,2(2X,A5,I4))");
const FieldFormat kLegendFormat("(A4,'IN ',A6,1X)");
const FieldFormat kPanelFormat("(A2,1X,'XRG=',2(F10.3),1X,'YRG=',2(F9.2),1X,A5,I3,3(1X,A5,F9.3))");
const FieldFormat kEarlierPanelFormat(
    "(A2,1X,'XRG=',2(F10.3),1X,'YRG=',2(F9.2),1X,A5,I3,2(1X,A5,F9.3),1X,A5,2(1X,D11.4))");
const FieldFormat kStartLineFormat("('CI ',12(F8.4,1X))");
const FieldFormat kNewestLineFormat("('YP ',12(F8.4,1X))");
const FieldFormat kMenuFormat("('RNG=[1..10];0=GO;22=pros;33=GRAF;44=NOSTP;55=OUT ')");
const FieldFormat kCodeFormat("(I2)");
const FieldFormat kRangePromptFormat("('[a,b]in F18.10 ',$)");
const FieldFormat kBoundsFormat("(2(F18.10,1X))");

int32_t colour(int entry) { return colour_table(entry); }

// What one call works out once and keeps while the menu redraws.
struct PictureSetup {
    PlotLayout layout;
    int nba;
    int newest;  // NTIME kept inside the table
    double psip, thep, phip;
};

// Draws polylines and leaves out every line to or from a point that has no
// finite plane coordinates; the next finite point starts afresh.
class Pen {
public:
    void move(double x, double y) {
        at_point_ = finite(x, y);
        if (at_point_) win_move(x, y);
    }
    void line(double x, double y) {
        if (!finite(x, y)) {
            at_point_ = false;
        } else if (at_point_) {
            win_line(x, y);
        } else {
            move(x, y);
        }
    }
    void segment(double x1, double y1, double x2, double y2) {
        move(x1, y1);
        line(x2, y2);
    }

private:
    static bool finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }
    bool at_point_ = false;
};

// Euler-angle rates of the newest state, for the panel.
void euler_rates(int n, PictureSetup& p) {
    const double theta = YP(5, n), phi = YP(6, n);
    const double w1 = YP(10, n), w2 = YP(11, n), w3 = YP(12, n);
    const double s = w1 * std::sin(phi) + w2 * std::cos(phi);
    p.psip = s / std::sin(theta);
    p.thep = w1 * std::cos(phi) - w2 * std::sin(phi);
    p.phip = w3 - s * std::cos(theta) / std::sin(theta);
}

void place(int row, int col, std::string_view text) {
    win_text_pos(row, col);
    win_text(text);
}

void draw_header(Text<120>& line, const PictureSetup& p) {
    write_internal(line, kHeaderFormat, NFILE, TIME(1), TIME(p.newest), NTIME,
                   int_param_names(ip::nok).sub(1, 5), int_params(ip::nok),
                   int_param_names(ip::nbad).sub(1, 5), int_params(ip::nbad));
    place(1, 1, line.view());
}

void draw_legend() {
    Text<22> entry;
    for (int l = 1; l <= kLegendEntries; ++l) {
        win_text_pos(2, kLegendSpacing * (l - 1));
        win_text_colour(colour(l));
        write_internal(entry, kLegendFormat, label_table(l), colour_name(l).sub(1, 6));
        win_text(entry.view());
    }
}

// Sets the viewport and world window of a view from its row of view_range
// and draws its border in the pen colour.
void frame_view(const PixelRect& r, int row) {
    win_viewport(r.x1, r.y1, r.x2, r.y2);
    const double x1 = view_range(row, 1), x2 = view_range(row, 2);
    const double y1 = view_range(row, 3), y2 = view_range(row, 4);
    win_world(true, x1, y2, x2, y1);
    win_box(2, x1, y2, x2, y1);
}

// The unit space axes, from the point (X0, Y0) to their own plane images.
void draw_triad(Pen& pen) {
    for (int j = 1; j <= 3; ++j) {
        win_pen_colour(colour(kTriadEntry[j - 1]));
        pen.segment(view_range(5, 1), view_range(5, 2), axis_screen(1, j), axis_screen(2, j));
    }
}

// The body axes from the centre, OM from its point outwards to twice it, and
// K from the OM point.
void draw_body(Pen& pen) {
    const double cx = screen_right(1, 4), cy = screen_up(1, 4);
    for (int a = 1; a <= 3; ++a) {
        win_pen_colour(colour(kBodyAxisEntry[a - 1]));
        pen.segment(cx, cy, screen_right(1, a), screen_up(1, a));
    }
    const double ox = screen_right(1, 5), oy = screen_up(1, 5);
    win_pen_colour(colour(kOmEntry));
    pen.segment(ox, oy, 2.0 * ox, 2.0 * oy);
    win_pen_colour(colour(kKEntry));
    pen.segment(ox, oy, ox + screen_right(1, 6), oy + screen_up(1, 6));
}

void draw_objects(Pen& pen, int nba) {
    for (int g = 2; g <= nba + 1; ++g) {
        win_pen_colour(colour(g + 4));
        pen.move(screen_right(g, 1), screen_up(g, 1));
        for (int i = 1; i <= figure_npoints(g); ++i) pen.line(screen_right(g, i), screen_up(g, i));
    }
}

// A trace of stored states first .. last: a move to the first, then a line
// to every state from the first on.
template <class Right, class Up>
void draw_trace(Pen& pen, Right right, Up up, int first, int last) {
    pen.move(right(first), up(first));
    for (int k = first; k <= last; ++k) pen.line(right(k), up(k));
}

void draw_trace_1(Pen& pen, int n) {
    draw_trace(
        pen, [](int k) { return trace_screen_right(1, k); }, [](int k) { return trace_screen_up(1, k); }, 1,
        n);
}

void draw_trace_2(Pen& pen, int n) {
    draw_trace(
        pen, [](int k) { return trace_screen_right(2, k); }, [](int k) { return trace_screen_up(2, k); }, 1,
        n);
}

void draw_views(Pen& pen, const PictureSetup& p) {
    const int n = p.newest;
    // Trace 1 and 2 in views 1 and 2, trace 3 in view 1 only, from state 2.
    win_pen_colour(colour(p.nba + 6));
    draw_trace_1(pen, n);
    win_pen_colour(colour(p.nba + 7));
    draw_trace_2(pen, n);
    win_pen_colour(colour(p.nba + 8));
    draw_trace(
        pen, [](int k) { return trace3_screen_right(k); }, [](int k) { return trace3_screen_up(k); }, 2, n);

    win_pen_colour(kBlack);
    frame_view(p.layout.view[1], 2);
    win_pen_colour(colour(p.nba + 6));
    draw_trace_1(pen, n);
    win_pen_colour(colour(p.nba + 7));
    draw_trace_2(pen, n);

    // The top view closes its curve back to its first point.
    win_pen_colour(kBlack);
    frame_view(p.layout.view[2], 3);
    win_pen_colour(colour(p.nba + 7));
    draw_trace(
        pen, [](int k) { return trace_top(1, k); }, [](int k) { return trace_top(2, k); }, 1, n);
    pen.line(trace_top(1, 1), trace_top(2, 1));
}

// Six lines of view ranges and parameter values below the state lines.
void draw_panel(Text<120>& line, const PictureSetup& p) {
    static const Name kNCC("NCC     ");
    static const Name kOMx("OMx     ");
    static const Name kOMy("OMy     ");
    static const Name kRateNames[3] = {Name("PSIP    "), Name("THEP    "), Name("PHIP    ")};
    static const Name kStartRateNames[3] = {Name("PSIPo   "), Name("THEPo   "), Name("PHIPo   ")};
    const int int_slots[5] = {ip::nciclo, ip::NPROL, ip::NFL, ip::NTIME, ip::nbad};
    const int second_slots[3] = {rp::TPRINT, rp::TZERO, rp::TFIN};
    const double rates[3] = {p.psip, p.thep, p.phip};

    for (int k = 1; k <= 6; ++k) {
        const Name& int_name = k <= 5 ? int_param_names(int_slots[k - 1]) : kNCC;
        const int16_t int_value = k <= 5 ? int_params(int_slots[k - 1]) : NCC;
        const int first_slot = rp::A + k - 1;
        const Name* second_name;
        double second_value;
        if (k <= 3) {
            second_name = &real_param_names(second_slots[k - 1]);
            second_value = real_params(second_slots[k - 1]);
        } else if (k == 4) {
            second_name = &kOMx;
            second_value = trace_screen_right(1, p.newest);
        } else if (k == 5) {
            second_name = &kOMy;
            second_value = trace_screen_up(1, p.newest);
        } else {
            second_name = &real_param_names(rp::DELPIAN);
            second_value = real_params(rp::DELPIAN);
        }
        const std::string_view view_name = label_table(12 + k).sub(1, 2);
        if constexpr (kEarlierEdition) {
            write_internal(line, kEarlierPanelFormat, view_name, view_range(k, 1), view_range(k, 2),
                           view_range(k, 3), view_range(k, 4), int_name.sub(1, 5), int_value,
                           real_param_names(first_slot).sub(1, 5), real_params(first_slot),
                           second_name->sub(1, 5), second_value, "     ", real_params(rp::XGo - 1 + k),
                           real_params(rp::XPGo - 1 + k));
        } else {
            const double third_value = k <= 3 ? rates[k - 1] : real_params(rp::PSIPo + k - 4);
            const Name& third_name = k <= 3 ? kRateNames[k - 1] : kStartRateNames[k - 4];
            write_internal(line, kPanelFormat, view_name, view_range(k, 1), view_range(k, 2),
                           view_range(k, 3), view_range(k, 4), int_name.sub(1, 5), int_value,
                           real_param_names(first_slot).sub(1, 5), real_params(first_slot),
                           second_name->sub(1, 5), second_value, third_name.sub(1, 5), third_value);
        }
        place(LASTRIG + 1 + k, 1, line.view());
    }
}

// The initial state and the newest stored state, one line each.
void draw_state_lines(Text<120>& line, int n) {
    const double* start = &real_params(rp::XGo);
    write_internal(line, kStartLineFormat, start[0], start[1], start[2], start[3], start[4], start[5],
                   start[6], start[7], start[8], start[9], start[10], start[11]);
    place(LASTRIG, 1, line.view());
    const double* s = YP.column(n);
    write_internal(line, kNewestLineFormat, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10],
                   s[11]);
    place(LASTRIG + 1, 1, line.view());
}

// The whole picture from the header on, in the sizes and colours of this call.
void draw_picture(Text<120>& line, const PictureSetup& p) {
    Pen pen;
    draw_header(line, p);
    draw_legend();
    win_text_colour(kBlack);
    win_pen_colour(kBlack);
    frame_view(p.layout.view[0], 1);
    if constexpr (kCurrentEdition) draw_triad(pen);
    if (LINPUN == 1) win_clear(0);
    draw_body(pen);
    draw_objects(pen, p.nba);
    draw_views(pen, p);
    if (p.layout.panel) {
        draw_panel(line, p);
        win_text_colour(kBlack);
        draw_state_lines(line, p.newest);
    }
}

//---- graphics menu ----

enum class MenuOutcome { leave, redraw };

// Reads two bounds for the chosen pair of view_range entries; an unreadable
// answer asks again.
void edit_range(int code) {
    const int row = LASTRIG + kMenuRowBelowLastrig;
    const Text<49> blanks;
    Text<22> prompt;
    write_internal(prompt, kRangePromptFormat);
    double a = 0.0, b = 0.0;
    for (;;) {
        place(row, kRangePromptColumn, blanks.view());
        place(row, kRangePromptColumn, prompt.view());
        win_text_pos(row, kRangeAnswerColumn);
        const IoStatus status = read_keyboard(kBoundsFormat, a, b);
        if (status == IoStatus::ok) break;
        if (status == IoStatus::end_of_file) return;  // no answer can come any more
    }
    const int m = (code + 1) / 2;
    const int first = code % 2 == 1 ? 1 : 3;
    view_range(m, first) = a;
    view_range(m, first + 1) = b;
}

// The menu after a picture: go on, edit a range, redraw, run on, continue or leave.
MenuOutcome graphics_menu() {
    Text<49> menu_text;
    write_internal(menu_text, kMenuFormat);
    const int row = LASTRIG + kMenuRowBelowLastrig;
    for (;;) {
        place(row, kMenuColumn, menu_text.view());
        win_text_pos(row, kMenuAnswerColumn);
        int16_t code = 0;
        const IoStatus status = read_keyboard(kCodeFormat, code);
        if (status == IoStatus::end_of_file)
            code = 55;  // the keyboard is gone: leave
        else if (status != IoStatus::ok)
            continue;
        if (code < 0 || code > 55) continue;
        if (code >= 1 && code <= 12) {
            edit_range(code);
            continue;
        }
        switch (code) {
            case 0:
                stop_mode = 1;
                return MenuOutcome::leave;
            case 22:
                run_state = 3;
                return MenuOutcome::leave;
            case 33:
                return MenuOutcome::redraw;
            case 44:
                stop_mode = 0;
                return MenuOutcome::leave;
            case 55:
                run_state = 1;
                return MenuOutcome::leave;
            default:
                break;
        }
    }
}

}  // namespace

// Draws the picture of the newest stored state; then the graphics menu when
// the run stops at every picture, or the pause between pictures.
void draw_graphics(Text<120>& line) {
    project_figure();
    if (run_state == 1) return;

    PictureSetup p;
    p.nba = bounded_nba(int_params(ip::NBA));
    const int durata = int_params(ip::durata);
    const int screen = int_params(ip::SCREEN);
    win_back_colour(kWhite);
    win_text_colour(kBlack);
    win_clear(0);
    p.newest = table_index(NTIME);
    p.psip = p.thep = p.phip = 0.0;
    if constexpr (kCurrentEdition) euler_rates(p.newest, p);
    p.layout = plot_layout(screen, real_params(rp::FULLY));

    for (;;) {
        draw_picture(line, p);
        if (stop_mode != 1) {
            if (durata > 0) wait_ms(durata);
            return;
        }
        if (graphics_menu() == MenuOutcome::leave) return;
        win_clear(0);
    }
}
