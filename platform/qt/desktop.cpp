// The desktop frontend. The program thread owns the program's data and
// draws into the surface; the GUI thread copies the surface at the screen's
// rate, paints it, and queues typed lines for the waiting read. Shared
// flags are read under the link's lock; every wait is a loop on its
// predicate.
#include "platform/qt/desktop.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/units.h"

namespace {

constexpr int kRepaintMs = 16;  // when the screen does not tell its rate
constexpr int kFastestRepaintMs = 8;
constexpr int kSlowestRepaintMs = 40;
constexpr int kShutdownGraceMs = 2000;  // for the program to reach a window operation
constexpr int kMathErrorExitCode = 4;
constexpr int kClosedExitCode = 0;

// What the two threads share.
struct Link {
    std::mutex m;
    std::condition_variable cv;
    std::string typed;              // the line being typed
    std::deque<std::string> lines;  // ended lines not yet read
    bool read_waiting = false;
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
    std::unique_lock<std::mutex> lk(g_link.m);
    g_link.read_waiting = true;
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

// The surface's pixels as an image: 0x00BBGGRR is R, G, B, X in memory;
// the X byte must read as opaque. Only the indices are copied under the
// lock; the colours are looked up after it is released. GUI thread only.
void copy_surface_into(QImage& image) {
    static std::vector<uint8_t> index(size_t(kSurfaceWidth) * kSurfaceHeight);
    static uint32_t palette[kPaletteSize];
    copy_indexed(index.data(), palette);
    for (uint32_t& c : palette) c |= 0xFF000000u;
    expand_pixels(index.data(), palette, reinterpret_cast<uint32_t*>(image.bits()),
                  kSurfaceWidth * kSurfaceHeight);
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
    setFixedSize(kSurfaceWidth, kSurfaceHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// At a device pixel ratio above 1 each surface pixel becomes a block of
// device pixels, without smoothing.
void SurfaceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(0, 0, kSurfaceWidth, kSurfaceHeight), image_);
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
    auto* scroll = new QScrollArea;
    scroll->setWidget(view_);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setFocusProxy(view_);
    setCentralWidget(scroll);
    status_ = new QLabel("Running");
    status_->setObjectName("status");
    statusBar()->addWidget(status_);
    build_menus();
    resize(1000, 760);
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

// Copies the surface only when the program changed it since the last copy.
void DesktopWindow::refresh() {
    QString status;
    {
        std::lock_guard<std::mutex> lk(g_link.m);
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
    const uint64_t g = the_window().generation.load(std::memory_order_acquire);
    if (g == shown_generation_) return;
    shown_generation_ = g;
    copy_surface_into(view_->image());
    view_->update();
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

void DesktopWindow::save_picture(const QString& path) {
    QImage copy(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGBX8888);
    copy_surface_into(copy);
    copy.save(path, "PNG");
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
