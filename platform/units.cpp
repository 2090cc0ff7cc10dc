// Numbered units: formatted sequential text files, one record a line.
// Every record goes to its file with one write() call, so a record that a
// write reported is in the file even if the program is killed next.
#include "platform/units.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kMaxUnits = 16;  // units connected at the same time

struct Unit {
    int number = 0;
    int fd = -1;
    bool writable = false;
    bool seekable = false;      // a regular file (not a device or a pipe)
    bool cut_at_write = false;  // the next write ends the file there
    off_t offset = 0;           // file position of the next record to read or write
    std::string buffer;         // characters read ahead of `offset`
    size_t start = 0;           // first unread character in buffer
    std::string record;         // the record last read
    std::string pending;        // output record being assembled
};

Unit units[kMaxUnits];

Unit* find_unit(int unit) {
    for (Unit& u : units)
        if (u.fd >= 0 && u.number == unit) return &u;
    return nullptr;
}

void disconnect(Unit& u) {
    if (u.fd >= 0) ::close(u.fd);
    u.fd = -1;
    u.buffer.clear();
    u.start = 0;
}

std::string_view trim_blanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

Unit* connect(int unit, std::string_view raw_name, OpenStatus status, OpenAccess access) {
    const std::string_view name = trim_blanks(raw_name);
    if (name.empty() || name.find('\0') != std::string_view::npos) return nullptr;
    Unit* slot = nullptr;
    for (Unit& u : units)
        if (u.fd < 0) {
            slot = &u;
            break;
        }
    if (slot == nullptr) return nullptr;
    const std::string path(name);
    const int create = status == OpenStatus::unknown ? O_CREAT : 0;
    bool writable = true;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | create, 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        writable = false;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    Unit& u = *slot;
    u.number = unit;
    u.fd = fd;
    u.writable = writable;
    u.seekable = S_ISREG(st.st_mode);
    u.cut_at_write = access == OpenAccess::sequential;
    u.offset = access == OpenAccess::append && u.seekable ? st.st_size : 0;
    u.buffer.clear();
    u.start = 0;
    return &u;
}

// The file a unit used before any open is connected to: $FORT<unit>, else fort.<unit>.
Unit* connect_default(int unit, OpenStatus status) {
    const std::string var = "FORT" + std::to_string(unit);
    const char* env = std::getenv(var.c_str());
    std::string name = env != nullptr ? std::string(trim_blanks(env)) : std::string();
    if (name.empty()) name = "fort." + std::to_string(unit);
    return connect(unit, name, status, OpenAccess::sequential);
}

bool write_all(int fd, off_t offset, const char* p, size_t n, bool seekable) {
    while (n > 0) {
        const ssize_t k = seekable ? ::pwrite(fd, p, n, offset) : ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (k == 0) return false;
        p += k;
        n -= size_t(k);
        offset += k;
    }
    return true;
}

// Writes one record at the unit's position. The first write after an open
// without append, or after reading, makes that record the end of the file.
bool put_line(Unit& u, std::string_view text, bool left_open) {
    if (!u.writable) return false;
    if (u.cut_at_write && u.seekable) {
        if (::ftruncate(u.fd, u.offset) != 0) return false;
    }
    u.cut_at_write = false;
    u.buffer.clear();
    u.start = 0;
    u.pending.assign(text);
    if (!left_open) u.pending.push_back('\n');
    if (!write_all(u.fd, u.offset, u.pending.data(), u.pending.size(), u.seekable)) return false;
    u.offset += off_t(u.pending.size());
    return true;
}

// Reads the next line; a trailing carriage return is dropped.
IoStatus get_line(Unit& u, std::string_view& out) {
    for (;;) {
        const size_t nl = u.buffer.find('\n', u.start);
        if (nl != std::string::npos) {
            u.record.assign(u.buffer, u.start, nl - u.start);
            u.offset += off_t(nl + 1 - u.start);
            u.start = nl + 1;
            break;
        }
        if (u.start > 0) {
            u.buffer.erase(0, u.start);
            u.start = 0;
        }
        char chunk[8192];
        const off_t at = u.offset + off_t(u.buffer.size());
        const ssize_t k =
            u.seekable ? ::pread(u.fd, chunk, sizeof chunk, at) : ::read(u.fd, chunk, sizeof chunk);
        if (k < 0) {
            if (errno == EINTR) continue;
            return IoStatus::error;
        }
        if (k == 0) {
            if (u.buffer.empty()) return IoStatus::end_of_file;
            // A last line without its newline.
            u.record.assign(u.buffer);
            u.offset += off_t(u.buffer.size());
            u.buffer.clear();
            break;
        }
        u.buffer.append(chunk, size_t(k));
    }
    if (!u.record.empty() && u.record.back() == '\r') u.record.pop_back();
    u.cut_at_write = true;
    out = u.record;
    return IoStatus::ok;
}

struct UnitSink final : RecordSink {
    Unit* u;
    bool put_record(std::string_view text, bool left_open) override { return put_line(*u, text, left_open); }
};

struct UnitSource final : RecordSource {
    Unit* u;
    IoStatus next_record(std::string_view& record) override { return get_line(*u, record); }
};

}  // namespace

bool open_unit(int unit, std::string_view name, OpenStatus status, OpenAccess access) {
    close_unit(unit);
    return connect(unit, name, status, access) != nullptr;
}

void close_unit(int unit) {
    if (Unit* u = find_unit(unit)) disconnect(*u);
}

void close_all_units() {
    for (Unit& u : units) disconnect(u);
}

bool unit_is_open(int unit) { return find_unit(unit) != nullptr; }

IoStatus write_unit_items(int unit, const FieldFormat& f, std::span<const OutItem> items) {
    Unit* u = find_unit(unit);
    if (u == nullptr) u = connect_default(unit, OpenStatus::unknown);
    if (u == nullptr) return IoStatus::error;
    UnitSink sink;
    sink.u = u;
    return format_write(f, items, sink);
}

IoStatus read_unit_items(int unit, const FieldFormat& f, std::span<const InItem> items) {
    Unit* u = find_unit(unit);
    if (u == nullptr) u = connect_default(unit, OpenStatus::old);
    if (u == nullptr) return IoStatus::error;
    UnitSource src;
    src.u = u;
    return format_read(f, items, src);
}
