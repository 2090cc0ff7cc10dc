// Control words of the main program and the data files, shared by every
// subsystem.
#pragma once

#include <cstdint>

#include "common/text.h"

inline int16_t run_phase;        // 1 editor before each run, 2 MORE, 3 repeated runs
inline int16_t stop_mode;        // 1 stop at every picture and ask per point, 0 run on
inline int16_t LINPUN;           // 1: the picture clears the screen after the triad
inline int16_t LASTRIG;          // text row of the picture's "CI " line
inline int16_t NFILE;            // file number, written with I2 into file names
inline Text<5> file_prefix;      // first five characters of every file name
inline Text<12> data_stem;       // default stem "KALVO", never changed
inline Text<100> title_line;     // line 1 of every header
inline int16_t header_written;   // 1: the current points file has its header (or wants none)
inline Text<15> file_name;       // name last formed: stem, number, extension, blanks
inline int16_t load_kind;        // 0 bare, 1 points, 2 .MXT, 3 .TXT header, 4 reload
inline int16_t points_in_file;   // point pairs written to the current points file
inline Text<12> file_answer;     // last answer of the output-file or save dialogue
inline int16_t output_declined;  // 1: NOWR answered; no points file is written until one is opened
