// The desktop frontend. The program thread owns the program's data and
// draws into the surface; the GUI thread copies the surface at the screen's
// rate, paints it, and queues typed lines for the waiting read. Shared
// flags are read under the link's lock; every wait is a loop on its
// predicate.
#include "platform/qt/desktop.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "platform/surface.h"
#include "platform/units.h"

namespace {

constexpr int kRepaintMs = 16;  // when the screen does not tell its rate
constexpr int kFastestRepaintMs = 8;
constexpr int kSlowestRepaintMs = 40;
constexpr int kShutdownGraceMs = 2000;  // for the program to reach a window operation
constexpr int kMathErrorExitCode = 4;
constexpr int kClosedExitCode = 0;
constexpr int kPreferredWidth = 1000;  // window, before fitting it to the screen
constexpr int kPreferredHeight = 760;
constexpr int kFrameRoomWidth = 16;  // for the frame a window manager adds
constexpr int kFrameRoomHeight = 48;
constexpr int kCaretHeight = 3;       // surface pixels at the foot of the cell
constexpr int kCaretLeastHeight = 2;  // device pixels, however small the picture

// What the two threads share.
struct Link {
    std::mutex m;
    std::condition_variable cv;
    std::string typed;              // the line being typed
    std::deque<std::string> lines;  // ended lines not yet read
    bool read_waiting = false;
    uint64_t read_count = 0;         // reads begun, so a new read can be told apart
    int read_row = 1, read_col = 1;  // where the waiting read's echo begins
    int32_t read_colour = 0;         // the colour the echo is shown in
    bool paused = false;
    bool abort = false;
    bool finished = false;
};

Link g_link;
QPointer<DesktopWindow> g_window;

// The program thread after the window asked it to end: the units are
// closed, so every record written is in its file, and the process ends.
[[noreturn]] void end_on_abort() {
    close_all_units();
    std::fflush(nullptr);
    _exit(kClosedExitCode);
}

void desktop_checkpoint() {
    std::unique_lock<std::mutex> lk(g_link.m);
    while (g_link.paused && !g_link.abort) g_link.cv.wait(lk);
    if (g_link.abort) {
        lk.unlock();
        end_on_abort();
    }
}

// Waits for an ended line; meanwhile the typing is echoed at the read's
// position whenever it changes.
bool desktop_read_line(std::string& line, int row, int col) {
    const int32_t colour = echo_text_colour();
    std::unique_lock<std::mutex> lk(g_link.m);
    g_link.read_waiting = true;
    ++g_link.read_count;
    g_link.read_row = row;
    g_link.read_col = col;
    g_link.read_colour = colour;
    std::string shown;
    for (;;) {
        while (!g_link.abort && g_link.lines.empty() && g_link.typed == shown) g_link.cv.wait(lk);
        if (g_link.abort) {
            g_link.read_waiting = false;
            lk.unlock();
            end_on_abort();
        }
        if (!g_link.lines.empty()) break;
        const int previous = int(shown.size());
        shown = g_link.typed;
        lk.unlock();
        paint_echo(row, col, shown, previous);
        lk.lock();
    }
    line = std::move(g_link.lines.front());
    g_link.lines.pop_front();
    g_link.read_waiting = false;
    lk.unlock();
    if (!shown.empty()) paint_echo(row, col, "", int(shown.size()));
    return true;
}

void desktop_wait(int32_t ms) {
    std::unique_lock<std::mutex> lk(g_link.m);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!g_link.abort && std::chrono::steady_clock::now() < until) g_link.cv.wait_until(lk, until);
    if (g_link.abort) {
        lk.unlock();
        end_on_abort();
    }
}

// Shown on the GUI thread; the process ends when the box is closed.
void desktop_math_error(const char* function, const char* error) {
    const QString text = QString("Math error in %1: %2").arg(function, error);
    DesktopWindow* w = g_window.data();
    if (w != nullptr) {
        QMetaObject::invokeMethod(
            w,
            [w, text] {
                QMessageBox::critical(w, w->windowTitle(), text);
                std::fflush(nullptr);
                _exit(kMathErrorExitCode);
            },
            Qt::QueuedConnection);
        std::unique_lock<std::mutex> lk(g_link.m);
        for (;;) g_link.cv.wait(lk);
    }
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    _exit(kMathErrorExitCode);
}

// A copy of the surface, taken under the lock. GUI thread only.
Surface& surface_copy() {
    static Surface copy;
    return copy;
}

// The surface's pixels as an image, one pixel for one: 0x00BBGGRR is R, G,
// B, X in memory, and the X byte reads as opaque.
void copy_surface_into(QImage& image) {
    copy_surface(surface_copy());
    render_scaled(surface_copy(), 1, GlyphMasks{}, reinterpret_cast<uint32_t*>(image.bits()));
}

// The printable characters in the system's fixed-pitch font, as large as
// fits a cell of `scale` device pixels per surface pixel. None when no font
// gives them ink.
GlyphMasks make_glyph_masks(int scale) {
    GlyphMasks g;
    g.width = kCellWidth * scale;
    g.height = kCellHeight * scale;
    g.coverage.assign(size_t(kGlyphCount) * g.width * g.height, 0);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(g.height);
    const QFontMetricsF full(font);
    const double fit = std::min(g.width / full.horizontalAdvance('M'), g.height / full.height());
    font.setPixelSize(std::max(1, int(g.height * fit)));
    const QFontMetricsF m(font);
    const double baseline = (g.height - m.height()) / 2 + m.ascent();
    QImage cell(g.width, g.height, QImage::Format_ARGB32_Premultiplied);
    bool ink = false;
    for (int i = 0; i < kGlyphCount; ++i) {
        const QChar ch(char16_t(' ' + i));
        cell.fill(Qt::transparent);
        QPainter p(&cell);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPointF((g.width - m.horizontalAdvance(ch)) / 2, baseline), QString(ch));
        p.end();
        uint8_t* out = &g.coverage[size_t(i) * g.width * g.height];
        for (int y = 0; y < g.height; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
            for (int x = 0; x < g.width; ++x) {
                out[y * g.width + x] = uint8_t(qAlpha(line[x]));
                ink = ink || out[y * g.width + x] != 0;
            }
        }
    }
    if (!ink) return GlyphMasks{};
    return g;
}

// The preferred window size cut to the free area of the window's screen,
// less room for the frame.
QSize fitted_window_size(const QWidget* w) {
    const QSize wanted(kPreferredWidth, kPreferredHeight);
    const QScreen* sc = w->screen();
    if (sc == nullptr) return wanted;
    return wanted.boundedTo(sc->availableGeometry().size() - QSize(kFrameRoomWidth, kFrameRoomHeight));
}

constexpr Frontend kDesktop{desktop_read_line, desktop_wait, desktop_math_error, desktop_checkpoint};

// One nice level below the GUI thread (Linux applies it per thread).
void lower_priority() {
    const pid_t tid = gettid();
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, id_t(tid));
    if (errno == 0) setpriority(PRIO_PROCESS, id_t(tid), now + 1);
}

// The platform's keys for a standard action; where the platform has none
// (a desktop without a key scheme), the common key.
void set_shortcuts(QAction* action, QKeySequence::StandardKey key, const QKeySequence& common) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (keys.isEmpty()) keys.append(common);
    action->setShortcuts(keys);
}

}  // namespace

//---- the view ----

SurfaceView::SurfaceView(QWidget* parent)
    : QWidget(parent), image_(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGBX8888) {
    image_.fill(Qt::black);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// In device pixels: one for one, the surface at the screen's scale;
// fitted, the largest size of the surface's shape that fits the view.
QSize SurfaceView::picture_size() const {
    const double ratio = devicePixelRatioF();
    if (!fitted_) {
        return QSize(int(std::lround(kSurfaceWidth * ratio)), int(std::lround(kSurfaceHeight * ratio)));
    }
    const int w = std::max(1, int(std::lround(width() * ratio)));
    const int h = std::max(1, int(std::lround(height() * ratio)));
    if (int64_t(w) * kSurfaceHeight <= int64_t(h) * kSurfaceWidth) {
        return QSize(w, std::max(1, int((int64_t(w) * kSurfaceHeight + kSurfaceWidth / 2) / kSurfaceWidth)));
    }
    return QSize(std::max(1, int((int64_t(h) * kSurfaceWidth + kSurfaceHeight / 2) / kSurfaceHeight)), h);
}

// Whole device pixels a side per surface pixel to draw at before any
// resampling: the picture's scale rounded up.
int SurfaceView::drawing_scale() const {
    return std::max(1, int(std::ceil(double(picture_size().width()) / kSurfaceWidth - 0.01)));
}

QRectF SurfaceView::picture_rect() const {
    if (!fitted_) return QRectF(0, 0, kSurfaceWidth, kSurfaceHeight);
    const double ratio = devicePixelRatioF();
    const QSize size = picture_size();
    const int left = (int(std::lround(width() * ratio)) - size.width()) / 2;
    const int top = (int(std::lround(height() * ratio)) - size.height()) / 2;
    return QRectF(left / ratio, top / ratio, size.width() / ratio, size.height() / ratio);
}

// A bar across the foot of the cell, at least two device pixels high.
QRectF SurfaceView::caret_rect() const {
    if (caret_row_ == 0) return QRectF();
    const double ratio = devicePixelRatioF();
    const QRectF r = picture_rect();
    const double across = r.width() * ratio / kSurfaceWidth;  // device pixels a surface pixel
    const double down = r.height() * ratio / kSurfaceHeight;
    const double left = r.left() * ratio + (caret_col_ - 1) * kCellWidth * across;
    const double foot = r.top() * ratio + caret_row_ * kCellHeight * down;
    const int x0 = int(std::lround(left));
    const int x1 = std::max(x0 + 1, int(std::lround(left + kCellWidth * across)));
    const int y1 = int(std::lround(foot));
    const int y0 = y1 - std::max(kCaretLeastHeight, int(std::lround(kCaretHeight * down)));
    return QRectF(x0 / ratio, y0 / ratio, (x1 - x0) / ratio, (y1 - y0) / ratio);
}

void SurfaceView::set_caret(int row, int col, int32_t colour) {
    const QColor c(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    if (row == caret_row_ && col == caret_col_ && c == caret_colour_) return;
    update(caret_rect().toAlignedRect());
    caret_row_ = row;
    caret_col_ = col;
    caret_colour_ = c;
    update(caret_rect().toAlignedRect());
}

bool SurfaceView::picture_current() const { return image_.size() == picture_size(); }

void SurfaceView::show_surface(const Surface& copy) {
    copy_ = &copy;
    draw();
}

// At a whole scale the surface's pixels as blocks, the characters from the
// screen's font above scale 1; between whole scales drawn at the whole scale
// above with the characters from the font, and resampled, so lines and
// characters keep their weight.
void SurfaceView::draw() {
    if (copy_ == nullptr) return;
    const QSize size = picture_size();
    const int scale = drawing_scale();
    const bool whole = size == QSize(kSurfaceWidth * scale, kSurfaceHeight * scale);
    const int glyph_scale = whole && scale == 1 ? 0 : scale;
    if (glyph_scale != glyph_scale_) {
        glyphs_ = glyph_scale > 0 ? make_glyph_masks(glyph_scale) : GlyphMasks{};
        glyph_scale_ = glyph_scale;
    }
    if (image_.size() != size) image_ = QImage(size, QImage::Format_RGBX8888);
    auto* out = reinterpret_cast<uint32_t*>(image_.bits());
    if (whole) {
        render_scaled(*copy_, scale, glyphs_, out);
    } else {
        render_fitted(*copy_, scale, glyphs_, out, size.width(), size.height(), fitting_);
    }
    update();
}

void SurfaceView::set_fitted(bool fitted) {
    fitted_ = fitted;
    if (fitted) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(kSurfaceWidth, kSurfaceHeight);
    }
    draw();
}

void SurfaceView::resizeEvent(QResizeEvent*) {
    if (fitted_ && !picture_current()) draw();
}

// One picture pixel a device pixel; fitted, centred on a ground. The caret
// goes over the picture, never into it.
void SurfaceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF r = picture_rect();
    if (fitted_) {
        const QColor ground = palette().color(QPalette::Dark);
        p.fillRect(QRectF(0, 0, width(), r.top()), ground);
        p.fillRect(QRectF(0, r.bottom(), width(), height() - r.bottom()), ground);
        p.fillRect(QRectF(0, r.top(), r.left(), r.height()), ground);
        p.fillRect(QRectF(r.right(), r.top(), width() - r.right(), r.height()), ground);
    }
    p.drawImage(r, image_, QRectF(image_.rect()));
    if (caret_row_ != 0) p.fillRect(caret_rect(), caret_colour_);
}

void SurfaceView::keyPressEvent(QKeyEvent* event) {
    auto* w = qobject_cast<DesktopWindow*>(window());
    if (w == nullptr) return QWidget::keyPressEvent(event);
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            w->type_enter();
            return;
        case Qt::Key_Backspace:
            w->type_backspace();
            return;
        default:
            break;
    }
    if (!event->text().isEmpty() && (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
        w->type_text(event->text());
        return;
    }
    QWidget::keyPressEvent(event);
}

//---- the window ----

DesktopWindow::DesktopWindow(const QString& title) {
    setWindowTitle(title);
    view_ = new SurfaceView;
    scroll_ = new QScrollArea;
    scroll_->setWidget(view_);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll_->setFocusProxy(view_);
    setCentralWidget(scroll_);
    status_ = new QLabel("Running");
    status_->setObjectName("status");
    statusBar()->addWidget(status_);
    build_menus();
    set_fit_to_window(true);
    resize(fitted_window_size(this));
    view_->setFocus();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &DesktopWindow::refresh);
    int interval = kRepaintMs;
    if (const QScreen* sc = QGuiApplication::primaryScreen(); sc != nullptr && sc->refreshRate() > 1.0) {
        interval = std::clamp(int(1000.0 / sc->refreshRate()), kFastestRepaintMs, kSlowestRepaintMs);
    }
    timer->start(interval);
    g_window = this;
}

DesktopWindow::~DesktopWindow() {
    if (program_thread_.joinable()) {
        if (program_finished()) {
            program_thread_.join();
        } else {
            program_thread_.detach();
        }
    }
    install_frontend(nullptr);
}

void DesktopWindow::build_menus() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* save = file->addAction("&Save picture as PNG...", this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, "Save picture", "picture.png", "PNG (*.png)");
        if (!path.isEmpty()) save_picture(path);
    });
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction* exit = file->addAction("E&xit", this, &QWidget::close);
    set_shortcuts(exit, QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction("&Copy text", this, &DesktopWindow::copy_text)->setShortcut(QKeySequence::Copy);
    edit->addAction("Copy &picture", this, &DesktopWindow::copy_picture)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    edit->addAction("&Paste", this, &DesktopWindow::paste)->setShortcut(QKeySequence::Paste);

    QMenu* view = menuBar()->addMenu("&View");
    auto* sizes = new QActionGroup(this);
    fit_action_ = view->addAction("&Fit to window", this, [this] { set_fit_to_window(true); });
    fit_action_->setObjectName("fit_to_window");
    fit_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    actual_size_action_ = view->addAction("&Actual size", this, [this] { set_fit_to_window(false); });
    actual_size_action_->setObjectName("actual_size");
    actual_size_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    for (QAction* a : {fit_action_, actual_size_action_}) {
        a->setCheckable(true);
        sizes->addAction(a);
    }
    view->addSeparator();
    QAction* full = view->addAction("&Full screen", this, [this] {
        if (isFullScreen()) {
            showNormal();
        } else {
            showFullScreen();
        }
    });
    set_shortcuts(full, QKeySequence::FullScreen, QKeySequence(Qt::Key_F11));

    QMenu* state = menuBar()->addMenu("&State");
    pause_action_ = state->addAction("&Pause", this, &DesktopWindow::toggle_pause);
    pause_action_->setObjectName("pause");
    pause_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&About", this, [this] {
        QMessageBox::about(this, "About " + windowTitle(),
                           windowTitle() +
                               "\nMotion of a rigid body: its figure, its angular velocity "
                               "and momentum, and the traces of the motion.");
    });
}

void DesktopWindow::start(ProgramEntry program) {
    install_frontend(&kDesktop);
    {
        std::lock_guard<std::mutex> lk(g_link.m);
        g_link.typed.clear();
        g_link.lines.clear();
        g_link.read_waiting = false;
        g_link.paused = false;
        g_link.abort = false;
        g_link.finished = false;
    }
    QPointer<DesktopWindow> self(this);
    program_thread_ = std::thread([program, self] {
        lower_priority();
        program();
        close_all_units();
        {
            std::lock_guard<std::mutex> lk(g_link.m);
            g_link.finished = true;
        }
        DesktopWindow* w = self.data();
        if (w != nullptr) QMetaObject::invokeMethod(w, "on_program_finished", Qt::QueuedConnection);
    });
}

bool DesktopWindow::program_finished() const {
    std::lock_guard<std::mutex> lk(g_link.m);
    return g_link.finished;
}

QString DesktopWindow::status_text() const { return status_->text(); }

// Copies the surface only when the program changed it since the last copy
// or the view moved to a screen of another scale.
void DesktopWindow::refresh() {
    QString status;
    bool reading, caret;
    uint64_t read;
    int row, col, typed;
    int32_t colour;
    {
        std::lock_guard<std::mutex> lk(g_link.m);
        reading = g_link.read_waiting;
        caret = g_link.read_waiting && g_link.lines.empty();
        read = g_link.read_count;
        row = g_link.read_row;
        col = g_link.read_col;
        colour = g_link.read_colour;
        typed = int(g_link.typed.size());
        if (g_link.finished) {
            status = "Finished";
        } else if (g_link.paused) {
            status = "Paused";
        } else if (g_link.read_waiting) {
            status = "Input pending";
        } else {
            status = "Running";
        }
    }
    if (status_->text() != status) status_->setText(status);
    if (reading) keep_read_in_view(read, row, col, typed);
    // Where the next typed character goes; past the last column the echo is
    // cut, and the caret stays on the last cell.
    view_->set_caret(caret ? std::clamp(row, 1, kTextRows) : 0, std::clamp(col + typed, 1, kTextColumns),
                     colour);
    const uint64_t g = the_window().generation.load(std::memory_order_acquire);
    if (g == shown_generation_ && view_->picture_current()) return;
    shown_generation_ = g;
    copy_surface(surface_copy());
    view_->show_surface(surface_copy());
}

// One for one, scrolls, no farther than needed, so that the read's position
// and the cell after the typing are in view: once for each new read and each
// change of the typing, so the user's own scrolling is left alone in between.
// Fitted, the whole picture is in view.
void DesktopWindow::keep_read_in_view(uint64_t read, int row, int col, int typed) {
    if (!scroll_->isVisible() || view_->fitted()) return;
    const std::pair<uint64_t, int> mark(read, typed);
    if (mark == read_in_view_) return;
    read_in_view_ = mark;
    const int y = (std::clamp(row, 1, kTextRows) - 1) * kCellHeight + kCellHeight / 2;
    const int start = (std::clamp(col, 1, kTextColumns) - 1) * kCellWidth + kCellWidth / 2;
    const int cursor = (std::clamp(col + typed, 1, kTextColumns) - 1) * kCellWidth + kCellWidth / 2;
    scroll_->ensureVisible(start, y, kCellWidth, kCellHeight);
    scroll_->ensureVisible(cursor, y, 2 * kCellWidth, kCellHeight);
}

void DesktopWindow::type_text(const QString& text) {
    std::lock_guard<std::mutex> lk(g_link.m);
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\n') {
            g_link.lines.push_back(std::move(g_link.typed));
            g_link.typed.clear();
        } else if (u >= 32 && u < 127) {
            g_link.typed.push_back(char(u));
        }
    }
    g_link.cv.notify_all();
}

void DesktopWindow::type_backspace() {
    std::lock_guard<std::mutex> lk(g_link.m);
    if (!g_link.typed.empty()) g_link.typed.pop_back();
    g_link.cv.notify_all();
}

void DesktopWindow::type_enter() { type_text("\n"); }

// Written beside the old file and put in its place only when complete.
void DesktopWindow::save_picture(const QString& path) {
    QImage copy(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGBX8888);
    copy_surface_into(copy);
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
    } else if (!writer.write(copy)) {
        reason = writer.errorString();
    } else if (!file.commit()) {
        reason = file.errorString();
    } else {
        return;
    }
    QMessageBox::warning(
        this, windowTitle(),
        QString("The picture could not be saved as\n%1\n\n%2").arg(QDir::toNativeSeparators(path), reason));
}

void DesktopWindow::copy_text() { QApplication::clipboard()->setText(QString::fromLatin1(screen_text())); }

void DesktopWindow::copy_picture() {
    QImage copy(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGBX8888);
    copy_surface_into(copy);
    QApplication::clipboard()->setImage(copy);
}

void DesktopWindow::paste() {
    QString text = QApplication::clipboard()->text();
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    type_text(text);
}

void DesktopWindow::toggle_pause() {
    bool paused;
    {
        std::lock_guard<std::mutex> lk(g_link.m);
        g_link.paused = !g_link.paused;
        paused = g_link.paused;
        g_link.cv.notify_all();
    }
    pause_action_->setText(paused ? "&Resume" : "&Pause");
    refresh();
}

// Fitted, the view takes the scroll area's whole room and the scroll bars go;
// one for one, the view is as large as the surface and a waiting read is
// brought into view again.
void DesktopWindow::set_fit_to_window(bool fit) {
    fit_action_->setChecked(fit);
    actual_size_action_->setChecked(!fit);
    const Qt::ScrollBarPolicy bars = fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    scroll_->setHorizontalScrollBarPolicy(bars);
    scroll_->setVerticalScrollBarPolicy(bars);
    view_->set_fitted(fit);
    scroll_->setWidgetResizable(fit);
    read_in_view_ = {0, -1};
}

void DesktopWindow::on_program_finished() {
    refresh();
    exit_question_ = new QMessageBox(QMessageBox::Question, windowTitle(),
                                     "Program Terminated with exit code 0\nExit Window?",
                                     QMessageBox::Yes | QMessageBox::No, this);
    exit_question_->setObjectName("exit_question");
    exit_question_->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(exit_question_, &QMessageBox::finished, this, [this](int result) {
        if (result == QMessageBox::Yes) close();
    });
    exit_question_->open();
}

// While the program runs, closing asks first; then the program thread ends
// at its next window operation, after closing the units.
void DesktopWindow::closeEvent(QCloseEvent* event) {
    if (program_finished() || !program_thread_.joinable()) {
        event->accept();
        return;
    }
    const auto answer = QMessageBox::question(this, windowTitle(),
                                              "The program is still running.\nEnd it and close the window?",
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    {
        std::lock_guard<std::mutex> lk(g_link.m);
        g_link.abort = true;
        g_link.cv.notify_all();
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kShutdownGraceMs);
    while (std::chrono::steady_clock::now() < until && !program_finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::fflush(nullptr);
    _exit(kClosedExitCode);
}

int run_desktop(int argc, char** argv, const char* title, ProgramEntry program) {
    take_file_size_limit_as_failed_write();
    QApplication app(argc, argv);
    QApplication::setApplicationName(title);
    DesktopWindow window(title);
    window.show();
    window.start(program);
    const int code = app.exec();
    if (!window.program_finished()) {
        std::fflush(nullptr);
        _exit(code);
    }
    return code;
}
