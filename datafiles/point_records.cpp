// Point records of the stored states, the rollover to the next points file,
// and loading the records of a points file back into the table.
#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/console.h"
#include "platform/units.h"
#include "platform/window.h"

namespace {

constexpr int kLastUnrolledIndex = 1998;  // a pair of a later index ends its file
constexpr int kMessageRowOffset = 8;      // rows below LASTRIG: the questions under the picture

// Parsed at start-up, so that no write of a leg allocates.
const FieldFormat kPairFormat("(I6,3X,9(D15.7,1X))");
const FieldFormat kWriteFailure("(' ERRORE DI SCRITTURA SU ',A,' ')");

// A points file that fails a write ends the leg: its states would be kept
// nowhere. The message goes under the picture.
void end_leg_on_failed_write() {
    win_text_pos(LASTRIG + kMessageRowOffset, 1);
    points_file_failed();
    run_state = 1;
}

// The next numbered points file with its header; the words change even
// when no file can be opened, and the records then go to unit 8's default file.
void rollover() {
    points_in_file = 1;
    load_kind = 1;
    int_params(ip::NPROL) = 1;
    header_written = 0;
    run_state = 0;
    if (open_next_points_file() && write_parameter_header(kPointsUnit) != IoStatus::ok)
        end_leg_on_failed_write();
}

}  // namespace

void points_file_failed() {
    Text<40> message;
    write_internal(message, kWriteFailure, file_name.trimmed());
    pause_prompt(message.trimmed());
    close_unit(kPointsUnit);
    header_written = 0;
}

bool open_points_file(OpenAccess access) {
    if (!file_number_fits()) {
        close_unit(kPointsUnit);
        return false;
    }
    if (!open_unit(kPointsUnit, file_name.view(), OpenStatus::unknown, access)) return false;
    output_declined = 0;
    return true;
}

bool open_next_points_file() {
    close_unit(kPointsUnit);
    for (int tries = 0; tries < kNextNumberTries; ++tries) {
        NFILE = int16_t(NFILE + 1);
        make_file_name(".TXT");
        if (open_points_file(OpenAccess::sequential)) return true;
        if (NFILE > 99) break;  // no later number fits a name
    }
    return false;
}

void point_records() {
    if (run_state == 1 || run_state == 2 || output_declined != 0) return;
    if (stop_mode != 0 && header_written <= 0 && !ask_per_point()) return;
    const int n = NTIME;
    if (n < 1 || n > kTableSize) return;  // no stored state of that index
    IoStatus s = write_unit(kPointsUnit, kPairFormat, NTIME, TIME(n), YP(1, n), YP(2, n), YP(3, n), YP(4, n),
                            YP(5, n), YP(6, n));
    if (s == IoStatus::ok)
        s = write_unit(kPointsUnit, kPairFormat, NTIME, TIME(n), YP(7, n), YP(8, n), YP(9, n), YP(10, n),
                       YP(11, n), YP(12, n));
    if (s != IoStatus::ok) {
        end_leg_on_failed_write();
        return;
    }
    if (n <= kLastUnrolledIndex) {
        ++points_in_file;
        return;
    }
    rollover();
}

void load_points() {
    int16_t index = 0;  // the file's own numbering is not used
    int slot = 1;
    for (;;) {
        if (read_unit(kParameterUnit, kPairFormat, index, TIME(slot), YP(1, slot), YP(2, slot), YP(3, slot),
                      YP(4, slot), YP(5, slot), YP(6, slot)) != IoStatus::ok)
            return;
        if (read_unit(kParameterUnit, kPairFormat, index, TIME(slot), YP(7, slot), YP(8, slot), YP(9, slot),
                      YP(10, slot), YP(11, slot), YP(12, slot)) != IoStatus::ok)
            return;
        slot = slot == kTableSize ? 1 : slot + 1;
    }
}
