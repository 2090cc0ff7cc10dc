// The file routine: load dialogue, output file, header, point records, save.
#pragma once

#include <cstdint>
#include <string_view>

void data_file_io(const int16_t& mode);

// Forms file_name from file_prefix, NFILE and the extension (".TXT", ".MXT" or "").
void make_file_name(std::string_view extension);
void write_parameter_header(int16_t unit);
