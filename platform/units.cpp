// Numbered units: formatted sequential text files, one record a line.
// Every record goes to its file with one write() call, so a record that a
// write reported is in the file even if the program is killed next.
#include "platform/units.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

namespace {

constexpr int kMaxUnits = 16;             // units connected at the same time
constexpr int kReplacementTries = 100;    // names tried for the new file of a replacing unit
constexpr int kLinkHops = 40;             // symbolic links followed from a name to its file
constexpr size_t kReadAhead = 65536;      // characters read from a file at a time
constexpr size_t kLongestRecord = 65536;  // characters of a line that a read sees

struct Unit {
    int number = 0;
    int fd = -1;
    bool writable = false;
    bool seekable = false;          // a regular file (not a device or a pipe)
    bool cut_at_write = false;      // the next write ends the file there
    bool line_end_missing = false;  // the appended file's last line still needs its line end
    bool write_failed = false;      // a record could not be written since the open
    off_t offset = 0;               // file position of the next record to read or write
    std::string buffer;             // characters read ahead; buffer[start] is the one at `offset`
    size_t start = 0;               // first unread character in buffer
    std::string record;             // the record last read
    std::string pending;            // output record being assembled
    std::string replacement;        // new file of a replacing unit, until it is committed
    std::string replaced;           // the file it takes the place of
    bool in_place = false;          // a replacing unit writing over its file, until it is committed
    std::string kept;               // the old bytes of that file
    std::string copy;               // the hidden copy of them on disk beside it, if the folder took one
    off_t touched = 0;              // how far from its start the file may differ from them
};

Unit units[kMaxUnits];
// Where the old bytes of a file written in place went when they could not
// be put back into it; an empty name when no copy of them could be written.
std::optional<std::string> unrestored;

Unit* find_unit(int unit) {
    for (Unit& u : units)
        if (u.fd >= 0 && u.number == unit) return &u;
    return nullptr;
}

bool cut_file(int fd, off_t size) { return ::ftruncate(fd, size) == 0; }

// Writes n characters at the offset; the number that reached the file,
// n unless a write failed.
size_t write_all(int fd, off_t offset, const char* p, size_t n, bool seekable) {
    size_t done = 0;
    while (done < n) {
        const ssize_t k = seekable ? ::pwrite(fd, p + done, n - done, offset + off_t(done))
                                   : ::write(fd, p + done, n - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;
        done += size_t(k);
    }
    return done;
}

bool write_whole(int fd, off_t offset, std::string_view text, bool seekable) {
    return write_all(fd, offset, text.data(), text.size(), seekable) == text.size();
}

// A renamed or new file is safe from a power cut only once its folder is on disk too.
void sync_folder_of(const std::string& file) {
    const size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : file.substr(0, std::max<size_t>(slash, 1));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Creates a new file named stem + "<pid>-<n>" + suffix with the first n
// not yet taken. -1 with the error in err when none could be created.
int create_numbered(const std::string& stem, const char* suffix, mode_t mode, std::string& name, int& err) {
    err = EEXIST;
    for (int n = 0; n < kReplacementTries && err == EEXIST; ++n) {
        name = stem + std::to_string(::getpid()) + "-" + std::to_string(n) + suffix;
        const int fd = ::open(name.c_str(), O_RDWR | O_CLOEXEC | O_CREAT | O_EXCL, mode);
        if (fd >= 0) return fd;
        err = errno;
    }
    name.clear();
    return -1;
}

// The stem of the hidden files that stand beside a file during a save.
std::string hidden_stem(const std::string& file) {
    const size_t base = file.rfind('/') + 1;  // 0 without a directory
    return file.substr(0, base) + "." + file.substr(base) + ".";
}

// Writes bytes to a new file of that stem and puts it on disk, folder
// entry included. False when it could not be written whole (nothing is
// then left of it); err tells why it could not be created.
bool write_copy(const std::string& stem, std::string_view bytes, mode_t mode, std::string& name, int& err) {
    const int fd = create_numbered(stem, ".old", mode, name, err);
    if (fd < 0) return false;
    const bool ok = write_whole(fd, 0, bytes, true) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) {
        ::unlink(name.c_str());
        name.clear();
        err = EIO;
        return false;
    }
    sync_folder_of(name);
    return true;
}

void drop_copy(Unit& u) {
    if (!u.copy.empty()) ::unlink(u.copy.c_str());
    u.copy.clear();
}

// A file written in place that is not to keep its new records gets its old
// bytes back. Only what was written over is written again, so this works
// on a disk that has no room left. When that fails the hidden copy stays
// (one is written in the temporary folder if there was none) and is named
// to whoever asks for unrestored files.
void put_back_old_bytes(Unit& u) {
    u.in_place = false;
    const size_t n = size_t(std::min(u.touched, off_t(u.kept.size())));
    if (write_all(u.fd, 0, u.kept.data(), n, true) == n && cut_file(u.fd, off_t(u.kept.size())) &&
        ::fsync(u.fd) == 0) {
        drop_copy(u);
    } else {
        if (u.copy.empty()) {
            std::error_code ec;
            const std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
            const std::string base = u.replaced.substr(u.replaced.rfind('/') + 1);
            int err = 0;
            if (!ec) write_copy((tmp / base).string() + ".", u.kept, 0600, u.copy, err);
        }
        unrestored = u.copy;
        u.copy.clear();
    }
    u.kept.clear();
}

void disconnect(Unit& u) {
    if (u.fd >= 0 && u.in_place) put_back_old_bytes(u);
    u.in_place = false;
    u.kept.clear();
    if (u.fd >= 0) ::close(u.fd);
    if (!u.replacement.empty()) ::unlink(u.replacement.c_str());
    u.replacement.clear();
    u.fd = -1;
    u.buffer.clear();
    u.start = 0;
}

std::string_view trim_blanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Errors of a file or folder that may not be written.
bool is_write_protection(int err) { return err == EACCES || err == EROFS || err == EPERM; }

// Opens the named file itself, for writing; status old lets a file that can
// only be read be opened for reading, as a load needs. The open does not
// wait for the other end of a pipe (connect refuses pipes).
int open_named(const std::string& path, OpenStatus status, bool& writable) {
    constexpr int kFlags = O_CLOEXEC | O_NONBLOCK;
    writable = true;
    if (status == OpenStatus::unknown) return ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    const int fd = ::open(path.c_str(), O_RDWR | kFlags);
    if (fd >= 0 || !is_write_protection(errno)) return fd;
    writable = false;
    return ::open(path.c_str(), O_RDONLY | kFlags);
}

// The file a name leads to through its symbolic links; a link whose file
// is missing leads to the name of that file. False for a loop of links.
bool follow_links(std::string path, std::string& file) {
    for (int hops = 0; hops < kLinkHops; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            file = std::move(path);
            return true;
        }
        std::string link(size_t(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || size_t(n) == link.size()) return false;
        link.resize(size_t(n));
        // A relative link starts from the link's own folder.
        if (link.front() != '/') link.insert(0, path, 0, path.rfind('/') + 1);
        path = std::move(link);
    }
    return false;
}

// Opens the file itself, to be written over from its start. Its old bytes
// are kept until the commit, so that a write that fails can put them back,
// and, before any of them changes, are on disk in a hidden copy beside it:
// a save killed half-way leaves them whole there. A folder that takes no
// new file has them only in memory; a copy that cannot be written whole
// (a full disk) fails the open, leaving the file as it is.
int open_in_place(Unit& u, const std::string& file, mode_t mode) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return -1;
    u.kept.clear();
    char chunk[8192];
    for (;;) {
        const ssize_t k = ::pread(fd, chunk, sizeof chunk, off_t(u.kept.size()));
        if (k == 0) break;
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) {
            ::close(fd);
            return -1;
        }
        u.kept.append(chunk, size_t(k));
    }
    int err = 0;
    if (!write_copy(hidden_stem(file), u.kept, mode & 0666, u.copy, err) && !is_write_protection(err)) {
        ::close(fd);
        return -1;
    }
    u.in_place = true;
    u.replaced = file;
    u.touched = 0;
    return fd;
}

// Opens a new file beside the regular file the name leads to, which it is
// to replace at the commit. The file itself is written in place when a new
// file could not take its place whole: a file with other links to it, one
// whose owner or group a new file would not get, or one in a folder that
// takes no new file. A file that cannot be written is not replaced either.
// A name of something else (a device) is opened itself.
int open_replacement(Unit& u, const std::string& path) {
    bool writable = true;
    std::string target;
    if (!follow_links(path, target)) return -1;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return open_named(path, OpenStatus::unknown, writable);
    if (exists) {
        const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) return -1;
        ::close(probe);
        if (st.st_nlink > 1) return open_in_place(u, target, st.st_mode);
    }
    std::string name;
    int err = 0;
    const int fd = create_numbered(hidden_stem(target), "", 0666, name, err);
    if (fd < 0) return exists && is_write_protection(err) ? open_in_place(u, target, st.st_mode) : -1;
    struct stat made;
    if (exists && (::fstat(fd, &made) != 0 || made.st_uid != st.st_uid || made.st_gid != st.st_gid)) {
        ::close(fd);
        ::unlink(name.c_str());
        return open_in_place(u, target, st.st_mode);
    }
    if (exists) ::fchmod(fd, st.st_mode & 07777);
    u.replacement = std::move(name);
    u.replaced = std::move(target);
    return fd;
}

// True when the file's last character is not a line end.
bool ends_inside_a_line(int fd, off_t size) {
    char last = '\n';
    return size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n';
}

// Units are files and devices. A pipe or a socket is refused: a write to
// one whose reader does not read would wait for ever.
bool can_be_a_unit(int fd, struct stat& st) {
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        return false;
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

Unit* connect(int unit, std::string_view raw_name, OpenStatus status, OpenAccess access) {
    take_file_size_limit_as_failed_write();
    const std::string_view name = trim_blanks(raw_name);
    if (name.empty() || name.find('\0') != std::string_view::npos) return nullptr;
    Unit* slot = nullptr;
    for (Unit& u : units)
        if (u.fd < 0) {
            slot = &u;
            break;
        }
    if (slot == nullptr) return nullptr;
    Unit& u = *slot;
    const std::string path(name);
    bool writable = true;
    u.fd = access == OpenAccess::replace ? open_replacement(u, path) : open_named(path, status, writable);
    if (u.fd < 0) return nullptr;
    struct stat st;
    if (!can_be_a_unit(u.fd, st)) {
        disconnect(u);
        return nullptr;
    }
    u.number = unit;
    u.writable = writable;
    u.seekable = S_ISREG(st.st_mode);
    u.cut_at_write = access != OpenAccess::append && !u.in_place;
    u.offset = access == OpenAccess::append && u.seekable ? st.st_size : 0;
    u.line_end_missing = access == OpenAccess::append && u.seekable && ends_inside_a_line(u.fd, st.st_size);
    u.write_failed = false;
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

// Writes one record at the unit's position. The first write after an open
// without append, or after reading, makes that record the end of the file.
// An appended record starts on a line of its own.
bool write_record(Unit& u, std::string_view text, bool left_open) {
    if (!u.writable) return false;
    if (u.cut_at_write && u.seekable) {
        if (::ftruncate(u.fd, u.offset) != 0) return false;
    }
    u.cut_at_write = false;
    u.buffer.clear();
    u.start = 0;
    if (u.line_end_missing) {
        if (!write_whole(u.fd, u.offset, "\n", u.seekable)) return false;
        u.offset += 1;
        u.line_end_missing = false;
    }
    u.pending.assign(text);
    if (!left_open) u.pending.push_back('\n');
    const size_t done = write_all(u.fd, u.offset, u.pending.data(), u.pending.size(), u.seekable);
    u.touched = std::max(u.touched, u.offset + off_t(done));
    if (done != u.pending.size()) return false;
    u.offset += off_t(done);
    return true;
}

// A record that could not be written keeps the unit from being committed.
// What a full disk let through of it is taken off again, so that the file
// ends with its last whole record (a file written in place gets its old
// bytes back instead).
bool put_line(Unit& u, std::string_view text, bool left_open) {
    if (write_record(u, text, left_open)) return true;
    u.write_failed = true;
    if (u.writable && u.seekable && !u.in_place) cut_file(u.fd, u.offset);
    return false;
}

// Reads the next line; a trailing carriage return is dropped. A line
// longer than any record the program reads is taken as its first
// kLongestRecord characters, the rest passed over, so that a file of one
// huge line costs time in proportion to its size and no more memory than
// a short one.
IoStatus get_line(Unit& u, std::string_view& out) {
    u.record.clear();
    bool whole = true;     // the record holds the whole line
    bool started = false;  // a character of the line, or its end, was read
    for (;;) {
        if (u.start == u.buffer.size()) {
            // Nothing read ahead: the next characters are at u.offset.
            u.buffer.resize(kReadAhead);
            const ssize_t k = u.seekable ? ::pread(u.fd, u.buffer.data(), kReadAhead, u.offset)
                                         : ::read(u.fd, u.buffer.data(), kReadAhead);
            u.buffer.resize(k > 0 ? size_t(k) : 0);
            u.start = 0;
            if (k < 0) {
                if (errno == EINTR) continue;
                return IoStatus::error;
            }
            if (k == 0) {
                if (!started) return IoStatus::end_of_file;
                break;  // a last line without its newline
            }
        }
        started = true;
        const char* from = u.buffer.data() + u.start;
        const size_t left = u.buffer.size() - u.start;
        const char* nl = static_cast<const char*>(std::memchr(from, '\n', left));
        const size_t n = nl != nullptr ? size_t(nl - from) : left;
        const size_t room = kLongestRecord - u.record.size();
        whole = whole && n <= room;
        u.record.append(from, std::min(n, room));
        u.start += n;
        u.offset += off_t(n);
        if (nl != nullptr) {
            u.start += 1;
            u.offset += 1;
            break;
        }
    }
    if (whole && !u.record.empty() && u.record.back() == '\r') u.record.pop_back();
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

bool commit_unit(int unit) {
    Unit* u = find_unit(unit);
    if (u == nullptr) return false;
    if (u->in_place) {
        if (!u->write_failed) {
            // The new records end the file; until they are on disk the old
            // bytes past them may still be needed.
            u->touched = std::max(u->touched, off_t(u->kept.size()));
            if (cut_file(u->fd, u->offset) && ::fsync(u->fd) == 0) {
                u->in_place = false;
                u->kept.clear();
                drop_copy(*u);
                return true;
            }
        }
        put_back_old_bytes(*u);
        return false;
    }
    if (u->write_failed) return false;
    if (u->seekable && ::fsync(u->fd) != 0) return false;
    if (u->replacement.empty()) return true;
    if (::rename(u->replacement.c_str(), u->replaced.c_str()) != 0) return false;
    u->replacement.clear();
    sync_folder_of(u->replaced);
    return true;
}

void close_unit(int unit) {
    if (Unit* u = find_unit(unit)) disconnect(*u);
}

void close_all_units() {
    for (Unit& u : units) disconnect(u);
}

bool unit_is_open(int unit) { return find_unit(unit) != nullptr; }

void take_file_size_limit_as_failed_write() { ::signal(SIGXFSZ, SIG_IGN); }

std::optional<std::string> take_unrestored_old_bytes() { return std::exchange(unrestored, std::nullopt); }

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
