// The file routine: load dialogue, output file, header, point records, save.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/control.h"
#include "platform/format.h"

void data_file_io(const int16_t& mode);

// Forms file_name from file_prefix, NFILE and the extension (".TXT", ".MXT" or "").
void make_file_name(std::string_view extension);

// Writes the named-parameter header: unit 8 the points file (lines 1 to 40,
// nothing while no file output is wanted or the header is already there),
// unit 6 a saved data file (lines 1 to 38). Reports error when a line
// could not be written.
IoStatus write_parameter_header(int16_t unit);

// How a header load on unit 6 ended.
enum class HeaderRead : uint8_t {
    unreadable,  // lines 1 to 37 did not read: the tables are as they were
    ended,       // lines 1 to 37 taken; the file ended or failed on lines 38 to 40
    complete,    // all 40 lines read; point records may follow
};
// Reads a header from unit 6 for the load kind (1 points file, its names
// replace the program's; 2 ".MXT"; 3 ".TXT" header; 4 reload).
HeaderRead read_parameter_header(int16_t kind);

// Writes the two records of the newest stored state on the points file and
// starts the next numbered file when the table is at its end.
void point_records();
