// The save dialogue: the parameters into a ".MXT" data file.
#include <optional>
#include <string>

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

// A failed save that could not give the file its old bytes back says so,
// and where they are, before the prompt comes again.
void report_old_bytes_not_put_back(std::string_view save_name) {
    const std::optional<std::string> where = take_unrestored_old_bytes();
    if (!where) return;
    win_text(" ERRORE DI SCRITTURA SU " + std::string(save_name));
    pause_prompt(where->empty() ? std::string(" IL CONTENUTO PRECEDENTE E' ANDATO PERSO")
                                : " IL CONTENUTO PRECEDENTE E' IN " + *where);
}

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
    report_old_bytes_not_put_back(save_name.trimmed());
    return false;
}

}  // namespace

void save_dialogue() {
    while (!save_once()) {
    }
}
