// Pieces of the file routine shared between its source files.
#pragma once

#include <array>
#include <cstdint>

#include "platform/format.h"
#include "platform/units.h"

inline constexpr int kParameterUnit = 6;  // saved data file, and every file that is loaded
inline constexpr int kPointsUnit = 8;     // the output points file
inline constexpr int kNextNumberTries = 100;

//---- names and opening ----

// True while NFILE can be written with I2; any other number would put
// asterisks into the name, shared by every later number.
bool file_number_fits();
// Opens unit 6 on file_name for a load; a name that names no regular file fails.
bool open_load_file();
// Opens unit 8 on file_name; a number that does not fit fails.
bool open_points_file(OpenAccess access);
// Closes unit 8 and opens the next numbered points file, trying a bounded
// number of numbers. False when none could be opened (unit 8 closed).
bool open_next_points_file();
// A points file that failed a write is named to the user, who answers with
// an empty line, and let go (unit 8 closed, no header): nothing more goes to
// it, and what it holds stays.
void points_file_failed();

//---- loads ----

void load_dialogue();
void reload_points_header();
// Common end of every load: unit 6 closed, load_kind and NPROL settled.
void end_of_load();
// False when the file does not hold the 27 records: the tables are kept.
bool read_bare_parameter_file();
void load_points();

//---- dialogues ----

void output_file_dialogue();
// Asks whether the newest stored state is to be written; true: write it.
bool ask_per_point();
void save_dialogue();

// Writes into len characters at target, blank-filled first.
template <class... Args>
IoStatus write_into(char* target, int len, const FieldFormat& f, const Args&... args) {
    const std::array<OutItem, sizeof...(Args)> items{OutItem(args)...};
    return write_internal_items(target, len, f, items);
}
