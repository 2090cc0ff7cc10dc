// Console records on the window: output at the text cursor and keyboard
// answers read with a field format.
#pragma once

#include <array>
#include <string_view>

#include "platform/format.h"

// Writes records at the text cursor; a format ending in $ leaves the record
// open, so the answer of the next read follows it on the same line.
void write_console_items(const FieldFormat& f, std::span<const OutItem> items);
// Blocks until the user ends a line; echoes it at the text cursor and leaves
// the cursor at the start of the line below. A read with more items than
// the format's fields reads further lines.
IoStatus read_keyboard_items(const FieldFormat& f, std::span<const InItem> items);
// Shows the message on a line of its own and waits for an empty line.
void pause_prompt(std::string_view message);

template <class... Args>
void write_console(const FieldFormat& f, const Args&... args) {
    const std::array<OutItem, sizeof...(Args)> items{OutItem(args)...};
    write_console_items(f, items);
}

template <class... Args>
IoStatus read_keyboard(const FieldFormat& f, Args&... args) {
    const std::array<InItem, sizeof...(Args)> items{InItem(args)...};
    return read_keyboard_items(f, items);
}
