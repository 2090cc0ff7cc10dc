// The parameter cells of the editor: one line of text per parameter, shown
// whole, or edited from the keyboard with the value read shown at once.
#include <cstdint>
#include <limits>

#include "common/edition.h"
#include "main/editor.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/window.h"

namespace {

constexpr int16_t kRealCell = 1;
constexpr int kLabelColumns = 8;  // the edit writes the whole label, then the value

// Column of a shown cell, and column of the label of an edited cell, by screen.
constexpr int kShowColumn[3] = {1, kEarlierEdition ? 30 : 32, kEarlierEdition ? 60 : 63};
constexpr int kEditColumn[3] = {1 + 3, 30 + 3, 60 + 3};

int screen_index(int16_t screen) { return screen == 2 ? 1 : screen == 3 ? 2 : 0; }

// The integration settings on screen 2 (EPS to Ztr) are shown and read in
// exponent form; every other real cell in fixed point.
bool exponent_form(int16_t row, int16_t screen) { return screen == 2 && row <= 8; }

const FieldFormat& cell_format(int16_t row, int16_t screen, int16_t kind) {
    static const FieldFormat integer_cell("(I3,2X,A7,1X,'=',3X,I8,4X)");
    static const FieldFormat exponent_cell("(I3,2X,A7,1X,'=',1X,D15.7)");
    static const FieldFormat fixed_cell("(I3,2X,A7,1X,'=',1X,F15.7)");
    if (kind != kRealCell) return integer_cell;
    return exponent_form(row, screen) ? exponent_cell : fixed_cell;
}

const FieldFormat& read_format(int16_t row, int16_t screen, int16_t kind) {
    static const FieldFormat integer_read("(I5)");
    static const FieldFormat exponent_read("(D15.6)");
    static const FieldFormat fixed_read("(F15.6)");
    if (kind != kRealCell) return integer_read;
    return exponent_form(row, screen) ? exponent_read : fixed_read;
}

const FieldFormat& echo_format(int16_t row, int16_t screen, int16_t kind) {
    static const FieldFormat integer_echo("(1X,I8,$)");
    static const FieldFormat exponent_echo("(1X,D16.7,$)");
    static const FieldFormat fixed_echo("(1X,F16.7,$)");
    if (kind != kRealCell) return integer_echo;
    return exponent_form(row, screen) ? exponent_echo : fixed_echo;
}

// Reads an integer answer; one that does not fit a 16-bit word is refused
// like an answer that cannot be read.
bool read_integer(const FieldFormat& f, int16_t& value) {
    int32_t typed = value;
    if (read_keyboard(f, typed) != IoStatus::ok) return false;
    if (typed < std::numeric_limits<int16_t>::min() || typed > std::numeric_limits<int16_t>::max())
        return false;
    value = int16_t(typed);
    return true;
}

bool read_real(const FieldFormat& f, double& value) {
    double typed = value;
    if (read_keyboard(f, typed) != IoStatus::ok) return false;
    value = typed;
    return true;
}

}  // namespace

// Writes the cell: its row number, the first seven characters of its label
// and its value, on text row row + 1 in the column of its screen.
void show_parameter(const Name& label, const int16_t& row, const int16_t& screen, int16_t& int_value,
                    double& real_value, const int16_t& kind) {
    Text<30> cell;
    const FieldFormat& f = cell_format(row, screen, kind);
    if (kind == kRealCell)
        write_internal(cell, f, row, label, real_value);
    else
        write_internal(cell, f, row, label, int_value);
    win_text_pos(row + 1, kShowColumn[screen_index(screen)]);
    win_text(cell.view());
}

// Shows the whole label at the cell, reads the new value into the cell's
// kind and shows the value read; an answer that cannot be read leaves the
// value and the screen as they are, and the result says so.
bool edit_parameter(const Name& label, const int16_t& row, const int16_t& screen, int16_t& int_value,
                    double& real_value, const int16_t& kind) {
    const int column = kEditColumn[screen_index(screen)];
    win_text_pos(row + 1, column);
    win_text(label.view());

    const FieldFormat& in = read_format(row, screen, kind);
    const bool read = kind == kRealCell ? read_real(in, real_value) : read_integer(in, int_value);
    if (!read) return false;

    Text<19> echo;
    const FieldFormat& out = echo_format(row, screen, kind);
    if (kind == kRealCell)
        write_internal(echo, out, real_value);
    else
        write_internal(echo, out, int_value);
    win_text_pos(row + 1, column + kLabelColumns);
    win_text(echo.view());
    return true;
}
