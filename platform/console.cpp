// Console records at the text cursor and keyboard answers, echoed where
// they are typed.
#include "platform/console.h"

#include <algorithm>
#include <string>

#include "platform/surface.h"

namespace {

// Records go to the text cursor; an ended record moves the cursor to
// column 1 of the next row, one left open by $ keeps it after the text.
struct ConsoleSink final : RecordSink {
    bool put_record(std::string_view text, bool left_open) override {
        window_checkpoint();
        Window& w = the_window();
        std::lock_guard<std::mutex> hold(w.lock);
        DrawState& st = w.state;
        surface_text(w.surface, st.row, st.col, text, st.text_colour, st.back_colour);
        st.col = int(std::min<long>(kTextColumns + 1, long(st.col) + long(text.size())));
        st.record_open = left_open;
        if (!left_open) next_text_line(st);
        surface_changed(w);
        return true;
    }
};

// A typed line as it is echoed and read: line ends and other control
// characters are not part of it.
void clean_line(std::string& line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    }
}

// One keyboard line: the answer follows whatever the cursor follows (a $
// prompt, placed text), is echoed there, and leaves the cursor at column 1
// of the row below. False at end of input.
bool read_one_line(std::string& line) {
    window_checkpoint();
    int row, col;
    {
        Window& w = the_window();
        std::lock_guard<std::mutex> hold(w.lock);
        w.state.record_open = false;
        row = w.state.row;
        col = w.state.col;
    }
    count_keyboard_read();
    const Frontend* f = installed_frontend();
    const bool got =
        (f != nullptr && f->read_line != nullptr) ? f->read_line(line, row, col) : script_read_line(line);
    if (!got) return false;
    clean_line(line);
    Window& w = the_window();
    std::lock_guard<std::mutex> hold(w.lock);
    DrawState& st = w.state;
    surface_text(w.surface, row, col, line, st.text_colour, st.back_colour);
    st.row = row;
    next_text_line(st);
    surface_changed(w);
    return true;
}

struct KeyboardSource final : RecordSource {
    IoStatus next_record(std::string_view& record) override {
        if (!read_one_line(line_)) return IoStatus::end_of_file;
        record = line_;
        return IoStatus::ok;
    }
    std::string line_;
};

bool is_blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

void write_console_items(const FieldFormat& f, std::span<const OutItem> items) {
    ConsoleSink sink;
    format_write(f, items, sink);
}

IoStatus read_keyboard_items(const FieldFormat& f, std::span<const InItem> items) {
    KeyboardSource source;
    return format_read(f, items, source);
}

// The message on a row of its own, then lines are read until one is empty
// (blanks only count as empty, as everywhere in the dialogue).
void pause_prompt(std::string_view message) {
    window_checkpoint();
    {
        Window& w = the_window();
        std::lock_guard<std::mutex> hold(w.lock);
        DrawState& st = w.state;
        end_open_record(st);
        if (st.col != 1) next_text_line(st);
        surface_text(w.surface, st.row, st.col, message, st.text_colour, st.back_colour);
        next_text_line(st);
        surface_changed(w);
    }
    std::string line;
    while (read_one_line(line)) {
        if (is_blank(line)) return;
    }
}
