// The output points file of each cycle, and the per-point question.
#include "common/control.h"
#include "common/params.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/console.h"
#include "platform/units.h"
#include "platform/window.h"

namespace {

constexpr int kAnswerColumn = 85;
constexpr int kQuestionRowOffset = 8;  // rows below LASTRIG
constexpr int kQuestionColumn = 64;

struct OutputFormats {
    FieldFormat prompt{
        "(1X,'FILE OUT? ERA:',A5,I2,2X,'(BLNK=GO,1=APND+HD,','2=NOWR,3=APND-HD,111=OUT, -: NFILE=NFILE)',$)"};
    FieldFormat file_line{"(1X,'FILE: ',A5,I2,$)"};
    FieldFormat question{"('CICLO ',I6,1X,', ','0=MEM,1=NOMEM,3=MEMNOSTOP,4=NOMEMNOSTOP ',$)"};
    FieldFormat text{"(A)"};
    FieldFormat stem{"(A5)"};
    FieldFormat number{"(I2)"};
};

// Parsed at start-up, so that no write of a leg allocates.
const OutputFormats kOutputFormats;

// The name of the opened file over the start of the prompt.
void show_file_line() {
    Text<26> line;
    write_internal(line, kOutputFormats.file_line, file_prefix, NFILE);
    win_text_pos(1, 1);
    win_text(line.view());
}

// No points file for this cycle: unit 8 is let go, so that nothing written
// later reaches a file of an earlier cycle. NOWR declines a file for the
// continuations of the run too; after OUT a continuation asks again.
void let_points_file_go(int16_t declined) {
    close_unit(kPointsUnit);
    output_declined = declined;
}

// One round of the dialogue. True when the call is done: a file opened, or
// an answer that opens none. False when the prompt is to come again.
bool ask_output_file() {
    Text<120> prompt;
    write_internal(prompt, kOutputFormats.prompt, file_prefix, NFILE);
    win_text_pos(1, 1);
    win_text(prompt.view());
    win_text_pos(1, kAnswerColumn);
    if (read_keyboard(kOutputFormats.text, file_answer) != IoStatus::ok) return false;

    OpenAccess access = OpenAccess::sequential;
    if (file_answer == "111") {
        let_points_file_go(0);
        return true;
    } else if (file_answer == "-") {
        // the same number, written again from its first line
    } else if (file_answer == "0" || file_answer.is_blank()) {
        NFILE = int16_t(NFILE + 1);
    } else if (file_answer == "1") {
        access = OpenAccess::append;
    } else if (file_answer == "2") {
        run_state = 2;
        let_points_file_go(1);
        return true;
    } else if (file_answer == "3") {
        // appended without a header; a file that cannot be opened asks again,
        // so that no record of the cycle goes to an unnamed file
        make_file_name(".TXT");
        if (!open_points_file(OpenAccess::append)) return false;
        header_written = 1;
        return true;
    } else {
        if (read_internal(file_answer.sub(1, 5), kOutputFormats.stem, file_prefix) != IoStatus::ok)
            return false;
        if (read_internal(file_answer.sub(6, 7), kOutputFormats.number, NFILE) != IoStatus::ok) return false;
    }
    make_file_name(".TXT");
    if (!open_points_file(access)) return false;
    show_file_line();
    return true;
}

}  // namespace

void output_file_dialogue() {
    // Repeated runs, and the cycles after a points file, go on to the next
    // number without asking; a "111" typed for an earlier cycle then no
    // longer stands.
    bool automatic_tried = false;
    if (run_phase > 2) {
        if (open_next_points_file()) {
            file_answer.blank();
            return;
        }
        automatic_tried = true;
    }
    for (;;) {
        if (header_written > 0) return;
        if (load_kind == 1 && !automatic_tried) {
            automatic_tried = true;
            if (open_next_points_file()) {
                file_answer.blank();
                return;
            }
            continue;
        }
        if (load_kind != 0 && load_kind != 1) return;
        if (ask_output_file()) return;
    }
}

bool ask_per_point() {
    for (;;) {
        win_text_pos(LASTRIG + kQuestionRowOffset, kQuestionColumn);
        write_console(kOutputFormats.question, int_params(ip::nciclo));
        int16_t answer = -1;
        if (read_keyboard(kOutputFormats.number, answer) != IoStatus::ok) continue;
        switch (answer) {
            case 0:  // MEM
            case 2:
                header_written = 1;
                return true;
            case 1:  // NOMEM
                return false;
            case 3:  // MEMNOSTOP
                stop_mode = 0;
                header_written = 1;
                return true;
            case 4:  // NOMEMNOSTOP
                stop_mode = 0;
                return false;
            default:
                break;
        }
    }
}
