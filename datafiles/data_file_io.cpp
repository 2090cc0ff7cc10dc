// The file routine's modes, the load dialogue and the reload of the current
// points file's header.
#include "datafiles/data_file_io.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "common/control.h"
#include "common/edition.h"
#include "common/params.h"
#include "datafiles/datafiles_internal.h"
#include "platform/console.h"
#include "platform/units.h"
#include "platform/window.h"

namespace {

constexpr int kMenuRow = 2;
constexpr int kLastChoice = 4;

// What one load choice reads, and from which file.
enum class LoadChoice : int16_t { bare = 0, named_bare = 1, points = 2, data_mxt = 3, data_txt = 4 };

struct LoadFormats {
    FieldFormat menu{"('PROG E DATI: ',A5,I2,'? [0=GO/1=NO/2=PROL/3=dati MXT/4=dati TXT] ',$)"};
    FieldFormat choice{"(I2)"};
    FieldFormat text{"(A)"};
    FieldFormat stem{"(A5)"};
    FieldFormat number{"(I2)"};
};

const LoadFormats kLoadFormats;

// Shows the load menu until a choice from 0 to 4 is read.
LoadChoice ask_load_choice() {
    for (;;) {
        win_clear(0);
        win_text_pos(kMenuRow, 1);
        Text<76> menu;
        write_internal(menu, kLoadFormats.menu, data_stem, NFILE);
        win_text(menu.view());
        int16_t choice = -1;
        if (read_keyboard(kLoadFormats.choice, choice) != IoStatus::ok) continue;
        if (choice >= 0 && choice <= kLastChoice) return LoadChoice(choice);
    }
}

// Reads a name typed as stem and number (A5, I2); the extension typed, if
// any, is not used. False when the name cannot be read.
bool ask_stem_and_number(std::string_view prompt) {
    win_text(prompt);
    Text<15> typed;
    if (read_keyboard(kLoadFormats.text, typed) != IoStatus::ok) return false;
    if (read_internal(typed.sub(1, 5), kLoadFormats.stem, file_prefix) != IoStatus::ok) return false;
    return read_internal(typed.sub(6, 7), kLoadFormats.number, NFILE) == IoStatus::ok;
}

// Settles file_prefix, NFILE, load_kind and file_name for the choice.
// False when the answer to its question cannot be read.
bool name_the_load(LoadChoice choice) {
    switch (choice) {
        case LoadChoice::bare:
            load_kind = 0;
            file_prefix = data_stem.sub(1, 5);
            make_file_name("");
            return true;
        case LoadChoice::named_bare: {
            win_text(" INSERIRE NOME FILE DATI COMPLETO: (A)  ");
            Text<30> typed;
            if (read_keyboard(kLoadFormats.text, typed) != IoStatus::ok) return false;
            file_prefix = typed.sub(1, 5);
            load_kind = 0;
            make_file_name("");
            return true;
        }
        case LoadChoice::points:
            load_kind = 1;
            if (!ask_stem_and_number(" NOME FILE PUNTI: A5 I2[.TXT] ")) return false;
            make_file_name(".TXT");
            return true;
        case LoadChoice::data_mxt:
            load_kind = 2;
            if (!ask_stem_and_number(" NOME FILE DATI: A5 I2[.MXT] ")) return false;
            make_file_name(".MXT");
            return true;
        case LoadChoice::data_txt:
            load_kind = 3;
            if (!ask_stem_and_number(" NOME FILE DATI: A5 I2[.TXT] ")) return false;
            make_file_name(".TXT");
            return true;
    }
    return false;
}

// Reads the file now open on unit 6 by load_kind. False when it turned out
// unreadable before anything was taken; unit 6 is then closed.
bool read_load_file() {
    bool taken = true;
    if (load_kind == 0) {
        taken = read_bare_parameter_file();
    } else {
        const HeaderRead h = read_parameter_header(load_kind);
        taken = h != HeaderRead::unreadable;
        if (load_kind == 1 && h == HeaderRead::complete) load_points();
    }
    if (!taken) close_unit(kParameterUnit);
    return taken;
}

// True when the name, without its leading and trailing blanks, is a regular
// file: a pipe or a device would keep the load waiting or reading without end.
bool names_regular_file(std::string_view name) {
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    std::error_code ec;
    return !name.empty() && std::filesystem::is_regular_file(std::string(name), ec);
}

}  // namespace

bool file_number_fits() { return NFILE >= -9 && NFILE <= 99; }

bool open_load_file() {
    if (!file_number_fits() || !names_regular_file(file_name.view())) {
        close_unit(kParameterUnit);
        return false;
    }
    return open_unit(kParameterUnit, file_name.view(), OpenStatus::old);
}

void end_of_load() {
    close_unit(kParameterUnit);
    if (load_kind != 1) load_kind = 0;
    int_params(ip::NPROL) = load_kind;
}

void load_dialogue() {
    for (;;) {
        const LoadChoice choice = ask_load_choice();
        if (!name_the_load(choice)) continue;
        if (!open_load_file()) continue;
        if (!read_load_file()) continue;
        end_of_load();
        return;
    }
}

void reload_points_header() {
    load_kind = 4;
    close_unit(kPointsUnit);
    make_file_name(".TXT");
    if (open_load_file() && read_load_file()) {
        end_of_load();
        return;
    }
    load_dialogue();
}

void data_file_io(const int16_t& mode) {
    const int16_t m = mode;
    if (m < 2 || (kEarlierEdition && m == 2)) {
        load_dialogue();
    } else if (m == 2) {
        reload_points_header();
    } else if (m <= 4) {
        output_file_dialogue();
    } else if (m <= 6) {
        if (write_parameter_header(kPointsUnit) != IoStatus::ok) points_file_failed();
    } else if (m == 7) {
        point_records();
    } else if (m >= 11) {
        save_dialogue();
    }
}
