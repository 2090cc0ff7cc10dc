// The save dialogue: the parameters into a ".MXT" data file.
#include "common/control.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/console.h"
#include "platform/units.h"
#include "platform/window.h"

namespace {

constexpr int kPromptRow = 3;

struct SaveFormats {
    FieldFormat prompt{"(1X,' NOME DEL FILE DATI; VA BENE   ',A5,I2,' ?  (ALTRIMENTI: A7[.MXT] )  ',$)"};
    FieldFormat text{"(A)"};
    FieldFormat stem{"(A5)"};
    FieldFormat number{"(I2)"};
    FieldFormat typed_name{"(A7)"};
};

const SaveFormats kSaveFormats;

// One round of the dialogue; false when the prompt is to come again.
bool save_once() {
    win_clear(0);
    win_text_pos(kPromptRow, 1);
    Text<76> prompt;
    write_internal(prompt, kSaveFormats.prompt, file_prefix, NFILE);
    win_text(prompt.view());

    Text<76> save_name("       .MXT");
    if (read_keyboard(kSaveFormats.text, file_answer) != IoStatus::ok) return false;
    if (file_answer.is_blank()) {
        if (!file_number_fits()) return false;
        write_into(save_name.c, 5, kSaveFormats.stem, file_prefix);
        write_into(save_name.c + 5, 2, kSaveFormats.number, NFILE);
    } else {
        write_into(save_name.c, 7, kSaveFormats.typed_name, file_answer);
    }
    // The file is written beside the old one and takes its place only when
    // every line is in it; otherwise the old file stays as it was.
    if (!open_unit(kParameterUnit, save_name.view(), OpenStatus::unknown, OpenAccess::replace)) return false;
    if (write_parameter_header(kParameterUnit) == IoStatus::ok && commit_unit(kParameterUnit)) return true;
    close_unit(kParameterUnit);
    return false;
}

}  // namespace

void save_dialogue() {
    while (!save_once()) {
    }
}
