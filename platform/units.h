// Numbered units: formatted sequential text files, one record a line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/format.h"

enum class OpenStatus : uint8_t {
    unknown,  // creates a missing file
    old,      // the file must exist
};
enum class OpenAccess : uint8_t {
    sequential,  // an existing file is written again from its first record
    append,      // new records follow the old ones, from a line of their own
    replace,     // the named file gets the records at commit_unit, and keeps its old ones until then
};

// Connects the unit to the named file (leading and trailing blanks are not
// part of the name). A connected unit is closed first. Returns false when
// the file cannot be opened (a folder, a pipe or a socket cannot); the unit
// is then not connected. Status unknown
// opens the file for writing, and a file that cannot be written fails;
// status old (a file to load) may be one that can only be read.
bool open_unit(int unit, std::string_view name, OpenStatus status = OpenStatus::unknown,
               OpenAccess access = OpenAccess::sequential);
// Puts the records of a unit opened with replace in place of the named file,
// once they are safely on disk; the unit stays connected to it. They go to
// a new file that is renamed over the old one, or, where that would not
// leave the same file under the name (other links to it, another owner, a
// folder that takes no new file), over the old file itself. A link stays a
// link. False when that failed: the named file is then as it was. For
// other units: true when their records are on disk.
bool commit_unit(int unit);
// Closing a unit that is not open does nothing. A replacing unit that was
// not committed leaves the named file as it was.
void close_unit(int unit);
// A file written in place keeps its old bytes in a hidden copy beside it,
// ".<name>.<pid>-<n>.old", from before its first byte changes until the
// commit or the put-back (none where the folder takes no new file). When a
// failed commit or close could not put them back into the file, this names
// the file that still holds them, once: that copy, or one in the temporary
// folder, or an empty name when no copy could be written. Nothing when
// every such file got its old bytes back.
std::optional<std::string> take_unrestored_old_bytes();
// Makes a write past the process's file-size limit fail like a write on a
// full disk, instead of ending the program. Every open does it too.
void take_file_size_limit_as_failed_write();
// Closes every open unit (program end, tests).
void close_all_units();
bool unit_is_open(int unit);

// A unit written before any open is connected to the file named by the
// environment variable FORT<unit>, else to fort.<unit> in the current
// directory. Every record is in its file when the call returns; a record
// that fails is not left cut short at the end of a file.
IoStatus write_unit_items(int unit, const FieldFormat& f, std::span<const OutItem> items);
IoStatus read_unit_items(int unit, const FieldFormat& f, std::span<const InItem> items);

template <class... Args>
IoStatus write_unit(int unit, const FieldFormat& f, const Args&... args) {
    const std::array<OutItem, sizeof...(Args)> items{OutItem(args)...};
    return write_unit_items(unit, f, items);
}

template <class... Args>
IoStatus read_unit(int unit, const FieldFormat& f, Args&... args) {
    const std::array<InItem, sizeof...(Args)> items{InItem(args)...};
    return read_unit_items(unit, f, items);
}
