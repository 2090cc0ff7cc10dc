// Tests for platform/qt/desktop.cpp: the desktop window driven for real on
// Qt's offscreen platform, with a small program on the program thread.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/console.h"
#include "platform/mathfn.h"
#include "platform/qt/desktop.h"
#include "platform/surface.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "tests/support/test_env.h"

namespace {

// One application for the whole test program, ended before the process
// exits (the toolkit's own globals are gone by then).
QApplication* g_app = nullptr;

QApplication& app(const QByteArray& platform = "offscreen") {
    static int argc = 1;
    static char name[] = "qt_frontend_test";
    static char* argv[] = {name, nullptr};
    if (g_app == nullptr) {
        qputenv("QT_QPA_PLATFORM", platform);
        g_app = new QApplication(argc, argv);
    }
    return *g_app;
}

struct QtEnvironment : ::testing::Environment {
    void TearDown() override {
        delete g_app;
        g_app = nullptr;
    }
};
[[maybe_unused]] ::testing::Environment* const g_qt_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Runs the event loop until the condition holds or the time is up.
bool settle(const std::function<bool()>& done, int ms = 10000) {
    for (int waited = 0; waited < ms; waited += 5) {
        if (done()) return true;
        QTest::qWait(5);
    }
    return done();
}

std::atomic<int> g_received{-1};
std::atomic<int> g_second{-1};
std::atomic<bool> g_gate{false};
std::atomic<bool> g_stop{false};
std::atomic<int> g_laps{0};

// Blocks of 8 by 4 cells in two corners of the surface: blue at the top
// left, red at the bottom right.
void mark_corners() {
    const std::string block(8, ' ');
    for (int r = 1; r <= 4; ++r) {
        win_back_colour(0x00FF0000);
        win_text_pos(r, 1);
        win_text(block);
        win_back_colour(0x000000FF);
        win_text_pos(kTextRows - 4 + r, kTextColumns - 7);
        win_text(block);
    }
    win_back_colour(0x00FFFFFF);
}

// Black on white, the question at (row, col); the answer goes to g_received.
void ask_number_at(int row, int col, bool marked = false) {
    static const FieldFormat i3("(I3)");
    win_back_colour(0x00FFFFFF);
    win_text_colour(0);
    win_clear(0);
    if (marked) mark_corners();
    win_text_pos(row, col);
    win_text("NUMERO? ");
    int16_t x = -1;
    read_keyboard(i3, x);
    g_received = x;
}

void ask_one_number() {
    ask_number_at(2, 1);
    win_text("FATTO");
}

void ask_two_numbers_after_the_gate() {
    static const FieldFormat i3("(I3)");
    while (!g_gate) wait_ms(2);
    int16_t a = -1, b = -1;
    read_keyboard(i3, a);
    read_keyboard(i3, b);
    g_received = a;
    g_second = b;
}

// The question far down and to the right of the text area.
void ask_far_away_marked() { ask_number_at(40, 100, true); }
void ask_marked_near_the_top() { ask_number_at(2, 1, true); }

// The picture as the scroll area's viewport shows it, in device pixels: from
// the top left of the blue corner to the bottom right of the red one.
QRect marked_picture(const QImage& shot) {
    QRect blue, red;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y) | 0xFF000000u;
            if (c == qRgb(0, 0, 255)) blue |= QRect(x, y, 1, 1);
            if (c == qRgb(255, 0, 0)) red |= QRect(x, y, 1, 1);
        }
    }
    if (blue.isNull() || red.isNull()) return QRect();
    return QRect(blue.topLeft(), red.bottomRight());
}

// The whole surface in view with its shape kept, as large as the viewport
// allows: as wide or as tall, within a pixel. Tells what it saw.
::testing::AssertionResult shows_whole_surface(QScrollArea* scroll) {
    const QImage shot = scroll->viewport()->grab().toImage();
    const QRect picture = marked_picture(shot);
    const auto seen = [&] {
        return ::testing::AssertionFailure()
               << "picture " << picture.x() << "," << picture.y() << " " << picture.width() << "x"
               << picture.height() << " in view " << shot.width() << "x" << shot.height();
    };
    if (picture.isNull() || !shot.rect().contains(picture)) return seen();
    if (std::abs(picture.width() * kSurfaceHeight - picture.height() * kSurfaceWidth) > 2 * kSurfaceWidth)
        return seen();
    if (picture.width() < shot.width() - 1 && picture.height() < shot.height() - 1) return seen();
    return ::testing::AssertionSuccess();
}

// Where the picture lies in the view, in device pixels.
QRectF device_picture_rect(SurfaceView* view) {
    const QRectF logical = view->picture_rect();
    const double ratio = view->devicePixelRatioF();
    return QRectF(logical.topLeft() * ratio, logical.size() * ratio);
}

// What the view shows over its picture, in device pixels: the box of the
// pixels that differ from the picture, and whether every one of them is
// `colour`.
struct OverPicture {
    QRect box;
    bool all_of_colour = true;
};
OverPicture over_picture(SurfaceView* view, QRgb colour) {
    const QImage shot = view->grab().toImage();
    const QImage& picture = view->image();
    const QPoint at = device_picture_rect(view).topLeft().toPoint();
    OverPicture over;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb seen = shot.pixel(at.x() + x, at.y() + y) | 0xFF000000u;
            if (seen == (picture.pixel(x, y) | 0xFF000000u)) continue;
            over.box |= QRect(at.x() + x, at.y() + y, 1, 1);
            over.all_of_colour = over.all_of_colour && seen == (colour | 0xFF000000u);
        }
    }
    return over;
}

// A caret of `colour` on the text cell (row, col) of the view's picture and
// nothing else over the picture. Tells what it saw.
::testing::AssertionResult caret_on_cell(SurfaceView* view, int row, int col, QRgb colour) {
    const OverPicture over = over_picture(view, colour);
    const QRectF r = device_picture_rect(view);
    const double across = r.width() / kSurfaceWidth, down = r.height() / kSurfaceHeight;
    const QRect cell =
        QRectF(r.left() + (col - 1) * kCellWidth * across, r.top() + (row - 1) * kCellHeight * down,
               kCellWidth * across, kCellHeight * down)
            .toAlignedRect();
    if (!over.box.isNull() && cell.contains(over.box) && over.all_of_colour)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "over the picture " << over.box.x() << "," << over.box.y() << " " << over.box.width() << "x"
           << over.box.height() << " of one colour " << over.all_of_colour << "; cell " << cell.x() << ","
           << cell.y() << " " << cell.width() << "x" << cell.height();
}

// Picks Fit to window or Actual size as the View menu does.
void choose_view(DesktopWindow& w, const char* name) {
    QAction* action = w.findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
}

void draw_until_stopped() {
    while (!g_stop) {
        win_text_pos(1, 1);
        win_text("LAP");
        ++g_laps;
        wait_ms(1);
    }
}

class DesktopTest : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        app();
        g_received = -1;
        g_second = -1;
        g_gate = false;
        g_stop = false;
        g_laps = 0;
        window_ = std::make_unique<DesktopWindow>("kalvo-test");
        window_->show();
    }
    void TearDown() override {
        g_gate = true;
        g_stop = true;
        if (window_ && !window_->program_finished()) {
            window_->type_text("\n\n\n");
            settle([&] { return window_->program_finished(); });
        }
        settle([&] { return window_->exit_question() != nullptr; }, 2000);
        window_.reset();
        KalvoTest::TearDown();
    }
    QString status() const { return window_->status_text(); }
    std::unique_ptr<DesktopWindow> window_;
};

TEST_F(DesktopTest, TypedLineIsEchoedAndReachesTheProgramThenTheExitQuestionCloses) {
    window_->start(ask_one_number);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    EXPECT_EQ(screen_row(2), "NUMERO?");
    QTest::keyClicks(window_->view(), "4x");
    QTest::keyClick(window_->view(), Qt::Key_Backspace);
    QTest::keyClicks(window_->view(), "2");
    // The echo of the line being typed stands at the read position.
    ASSERT_TRUE(settle([&] { return screen_row(2) == "NUMERO? 42"; }));
    EXPECT_EQ(g_received, -1);
    QTest::keyClick(window_->view(), Qt::Key_Return);
    ASSERT_TRUE(settle([&] { return status() == "Finished"; }));
    EXPECT_EQ(g_received, 42);
    EXPECT_EQ(screen_row(2), "NUMERO? 42");
    EXPECT_EQ(screen_row(3), "FATTO");
    ASSERT_TRUE(settle([&] { return window_->exit_question() != nullptr; }));
    QMessageBox* q = window_->exit_question();
    EXPECT_EQ(q->text(), "Program Terminated with exit code 0\nExit Window?");
    ASSERT_TRUE(settle([&] { return q->isVisible(); }));
    q->button(QMessageBox::Yes)->click();
    EXPECT_TRUE(settle([&] { return !window_->isVisible(); }));
}

TEST_F(DesktopTest, AnsweringNoKeepsTheLastPictureOnScreen) {
    window_->start(ask_one_number);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    QTest::keyClicks(window_->view(), "7");
    QTest::keyClick(window_->view(), Qt::Key_Enter);
    ASSERT_TRUE(
        settle([&] { return window_->exit_question() != nullptr && window_->exit_question()->isVisible(); }));
    window_->exit_question()->button(QMessageBox::No)->click();
    QTest::qWait(50);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(status(), "Finished");
    // The view shows the surface: the white background of the program.
    ASSERT_TRUE(settle([&] { return window_->view()->image().pixel(600, 600) == qRgb(255, 255, 255); }));
}

TEST_F(DesktopTest, LinesTypedAheadAreKeptForTheNextReads) {
    window_->start(ask_two_numbers_after_the_gate);
    ASSERT_TRUE(settle([&] { return status() == "Running"; }));
    QTest::keyClicks(window_->view(), "5");
    QTest::keyClick(window_->view(), Qt::Key_Return);
    QTest::keyClicks(window_->view(), "6");
    QTest::keyClick(window_->view(), Qt::Key_Return);
    g_gate = true;
    ASSERT_TRUE(settle([&] { return window_->program_finished(); }));
    EXPECT_EQ(g_received, 5);
    EXPECT_EQ(g_second, 6);
}

TEST_F(DesktopTest, PasteTypesTheClipboardIntoTheWaitingRead) {
    window_->start(ask_one_number);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    QApplication::clipboard()->setText("123\r\n");
    window_->paste();
    ASSERT_TRUE(settle([&] { return window_->program_finished(); }));
    EXPECT_EQ(g_received, 123);
}

TEST_F(DesktopTest, CopyTextDropsTrailingBlanks) {
    window_->start(ask_one_number);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    window_->copy_text();
    EXPECT_EQ(QApplication::clipboard()->text(), "\nNUMERO?\n");
}

TEST_F(DesktopTest, PauseStopsTheProgramAtItsNextWindowOperationUntilResume) {
    window_->start(draw_until_stopped);
    ASSERT_TRUE(settle([&] { return g_laps > 3; }));
    window_->toggle_pause();
    EXPECT_EQ(status(), "Paused");
    QTest::qWait(30);
    const int laps = g_laps;
    QTest::qWait(100);
    EXPECT_LE(g_laps, laps + 1);
    window_->toggle_pause();
    ASSERT_TRUE(settle([&] { return g_laps > laps + 3; }));
    EXPECT_EQ(status(), "Running");
    g_stop = true;
    ASSERT_TRUE(settle([&] { return status() == "Finished"; }));
}

// Every menu entry but About has its key, also where the platform has no
// key scheme for it (Exit and Full screen on the offscreen and bare X11
// platforms).
TEST_F(DesktopTest, EveryMenuEntryButAboutHasAShortcut) {
    window_->start(ask_one_number);
    int entries = 0;
    for (QAction* a : window_->findChildren<QAction*>()) {
        if (a->menu() != nullptr || a->isSeparator() || a->text().isEmpty() || a->text().contains("About"))
            continue;
        ++entries;
        EXPECT_FALSE(a->shortcut().isEmpty()) << a->text().toStdString();
    }
    EXPECT_GE(entries, 6);
}

// Clicks away every message box the window shows, keeping its text.
struct MessageBoxes {
    QStringList texts;
    QTimer poll;
    MessageBoxes() {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        poll.start(20);
    }
};

TEST_F(DesktopTest, SavingThePictureWritesTheSurfaceOrSaysWhichFileFailedAndWhy) {
    window_->start(ask_one_number);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    MessageBoxes boxes;
    window_->save_picture("picture.png");
    EXPECT_TRUE(boxes.texts.isEmpty());
    QImage saved("picture.png");
    EXPECT_EQ(saved.width(), kSurfaceWidth);
    EXPECT_EQ(saved.height(), kSurfaceHeight);
    EXPECT_EQ(saved.pixel(1000, 900), qRgb(255, 255, 255));

    window_->save_picture("no folder/picture.png");
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].contains("no folder/picture.png")) << boxes.texts[0].toStdString();
    EXPECT_TRUE(boxes.texts[0].contains("No such file or directory")) << boxes.texts[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists("no folder"));
}

// Fitted, as the window opens, the whole surface is in view at every size
// of the window, keeping its shape, with no scrolling: made small and then
// large again, the window shows all of it again. The typing changes the
// picture where the read's cells lie, and nowhere else.
TEST_F(DesktopTest, FittedTheWholeSurfaceIsInViewAtEverySizeAndSoIsTheTyping) {
    window_->resize(900, 700);
    window_->start(ask_far_away_marked);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    auto* scroll = window_->findChild<QScrollArea*>();
    EXPECT_TRUE(settle([&] { return bool(shows_whole_surface(scroll)); })) << shows_whole_surface(scroll);
    window_->resize(320, 240);
    EXPECT_TRUE(settle([&] { return bool(shows_whole_surface(scroll)); })) << shows_whole_surface(scroll);
    const QImage asked = scroll->viewport()->grab().toImage();
    const QRect picture = marked_picture(asked);
    QTest::keyClicks(window_->view(), "12");
    ASSERT_TRUE(settle([&] { return screen_row(40).ends_with("NUMERO? 12"); }));
    QImage typed;
    ASSERT_TRUE(settle([&] {
        typed = scroll->viewport()->grab().toImage();
        return typed != asked;
    }));
    // Only the echo's cells, columns 108 and 109 of row 40, and the caret,
    // moved on to column 110, changed.
    const double scale = double(picture.width()) / kSurfaceWidth;
    const QRect echo(picture.x() + int(107 * kCellWidth * scale) - 1,
                     picture.y() + int(39 * kCellHeight * scale) - 1, int(3 * kCellWidth * scale) + 3,
                     int(kCellHeight * scale) + 3);
    for (int y = 0; y < typed.height(); ++y) {
        for (int x = 0; x < typed.width(); ++x) {
            if (typed.pixel(x, y) != asked.pixel(x, y)) {
                ASSERT_TRUE(echo.contains(x, y)) << x << "," << y;
            }
        }
    }
    window_->resize(900, 700);
    EXPECT_TRUE(settle([&] { return bool(shows_whole_surface(scroll)); })) << shows_whole_surface(scroll);
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
}

// Actual size: one surface pixel a screen pixel. In a window smaller than
// the text area the view follows the read and its echo, also on choosing
// Actual size while the read waits, and between changes of the typing
// leaves the user's scrolling alone. Fit to window again shows the whole
// picture fitted again, as it first was.
TEST_F(DesktopTest, AtActualSizeTheViewScrollsToTheReadAndItsEchoOnlyWhenTheyChangeAndFitFitsAgain) {
    window_->resize(320, 240);
    window_->start(ask_far_away_marked);
    ASSERT_TRUE(settle([&] { return status() == "Input pending"; }));
    auto* scroll = window_->findChild<QScrollArea*>();
    QImage fitted;
    ASSERT_TRUE(settle([&] {
        fitted = scroll->viewport()->grab().toImage();
        return shows_whole_surface(scroll) && caret_on_cell(window_->view(), 40, 108, qRgb(0, 0, 0));
    }));
    const auto cell_in_view = [&](int row, int col) {
        const QRect cell((col - 1) * kCellWidth, (row - 1) * kCellHeight, kCellWidth, kCellHeight);
        return window_->view()->visibleRegion().contains(cell);
    };
    ASSERT_NO_FATAL_FAILURE(choose_view(*window_, "actual_size"));
    EXPECT_FALSE(window_->findChild<QAction*>("fit_to_window")->isChecked());
    EXPECT_TRUE(window_->findChild<QAction*>("actual_size")->isChecked());
    EXPECT_EQ(window_->view()->size(), QSize(kSurfaceWidth, kSurfaceHeight));
    EXPECT_TRUE(settle([&] { return cell_in_view(40, 108); }));
    scroll->horizontalScrollBar()->setValue(0);
    scroll->verticalScrollBar()->setValue(0);
    QTest::qWait(200);
    EXPECT_EQ(scroll->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    QTest::keyClicks(window_->view(), "12");
    ASSERT_TRUE(settle([&] { return screen_row(40).ends_with("NUMERO? 12"); }));
    EXPECT_TRUE(settle([&] { return cell_in_view(40, 109) && cell_in_view(40, 110); }));
    QTest::keyClick(window_->view(), Qt::Key_Backspace);
    QTest::keyClick(window_->view(), Qt::Key_Backspace);
    ASSERT_TRUE(settle([&] { return screen_row(40).ends_with("NUMERO?"); }));
    ASSERT_NO_FATAL_FAILURE(choose_view(*window_, "fit_to_window"));
    EXPECT_TRUE(window_->findChild<QAction*>("fit_to_window")->isChecked());
    EXPECT_TRUE(settle([&] { return scroll->viewport()->grab().toImage() == fitted; }))
        << shows_whole_surface(scroll);
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
}

// While a read waits, a caret in the colour of the typing stands over the
// cell where the next character goes, fitted and at actual size; it moves
// with the typing and goes with the read. The picture itself, as saved,
// never holds it.
TEST_F(DesktopTest, TheCaretStandsWhereTheNextCharacterGoesOverThePictureUntilTheReadEnds) {
    window_->resize(900, 700);
    window_->start(ask_one_number);
    SurfaceView* view = window_->view();
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_TRUE(settle([&] { return bool(caret_on_cell(view, 2, 9, black)); }))
        << caret_on_cell(view, 2, 9, black);
    QTest::keyClicks(view, "42");
    EXPECT_TRUE(settle([&] { return bool(caret_on_cell(view, 2, 11, black)); }))
        << caret_on_cell(view, 2, 11, black);
    window_->save_picture("picture.png");
    const QImage saved("picture.png");
    for (int y = kCellHeight; y < 2 * kCellHeight; ++y) {
        for (int x = 10 * kCellWidth; x < 11 * kCellWidth; ++x) {
            ASSERT_EQ(saved.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        }
    }
    ASSERT_NO_FATAL_FAILURE(choose_view(*window_, "actual_size"));
    EXPECT_TRUE(settle([&] { return bool(caret_on_cell(view, 2, 11, black)); }))
        << caret_on_cell(view, 2, 11, black);
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_TRUE(settle([&] { return bool(caret_on_cell(view, 2, 10, black)); }))
        << caret_on_cell(view, 2, 10, black);
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(settle([&] { return status() == "Finished"; }));
    EXPECT_TRUE(settle([&] { return over_picture(view, black).box.isNull(); }));
}

// Closing while a read waits asks first; Yes ends the process, even with
// the program thread blocked in the read.
TEST(DesktopCloseTest, ClosingWhileTheProgramWaitsAsksThenEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            app();
            DesktopWindow w("kalvo-test");
            w.show();
            w.start(ask_one_number);
            settle([&] { return w.status_text() == "Input pending"; });
            QTimer::singleShot(50, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    box->button(QMessageBox::Yes)->click();
                }
            });
            w.close();
            settle([] { return false; }, 5000);
            std::fprintf(stderr, "still running\n");
            std::exit(9);
        },
        ::testing::ExitedWithCode(0), "");
}

void fail_in_sqrt() {
    win_text_pos(1, 1);
    win_text("BEFORE");
    math_error("SQRT", "DOMAIN error");
}

// A math error shows a box naming the function and the error; closing it
// ends the process with a non-zero status.
TEST(DesktopCloseTest, MathErrorShowsItsBoxThenEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            app();
            DesktopWindow w("kalvo-test");
            w.show();
            QTimer* poll = new QTimer(&w);
            QObject::connect(poll, &QTimer::timeout, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    std::fprintf(stderr, "box: %s\n", box->text().toLocal8Bit().constData());
                    box->button(QMessageBox::Ok)->click();
                }
            });
            poll->start(20);
            w.start(fail_in_sqrt);
            settle([] { return false; }, 5000);
            std::exit(0);
        },
        ::testing::ExitedWithCode(4), "box: Math error in SQRT: DOMAIN error");
}

// A screen of 1600 by 1200 device pixels at scale 2: the window fits its
// free area and shows the whole surface; at Actual size text is drawn at the
// screen's resolution, not enlarged.
TEST(DesktopScaledTest, AtScaleTwoTheWindowFitsTheScreenShowsAllAndAtActualSizeTextIsFinerThanBlocks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string config = ::testing::TempDir() + "/screen_1600x1200.json";
    std::ofstream(config) << R"({"screens": [{"name": "big", "x": 0, "y": 0, "width": 1600, "height": 1200,
                                 "logicalDpi": 96, "logicalBaseDpi": 96}]})";
    EXPECT_EXIT(
        {
            qputenv("QT_SCALE_FACTOR", "2");
            app("offscreen:configfile=" + QByteArray::fromStdString(config));
            DesktopWindow w("kalvo-test");
            w.show();
            w.start(ask_marked_near_the_top);
            settle([&] { return w.status_text() == "Input pending" && screen_row(2) == "NUMERO?"; });
            QTest::qWait(100);
            const QRect free = w.screen()->availableGeometry();
            std::fprintf(stderr, "screen %dx%d fits %d\n", free.width(), free.height(),
                         int(free.contains(w.frameGeometry())));
            auto* scroll = w.findChild<QScrollArea*>();
            settle([&] { return bool(shows_whole_surface(scroll)); }, 2000);
            std::fprintf(stderr, "whole surface %d\n", int(bool(shows_whole_surface(scroll))));
            choose_view(w, "actual_size");
            QTest::qWait(100);
            // The 'N' of row 2 as painted: some 2 by 2 block of device pixels
            // holds more than one colour.
            const QImage n = w.view()->grab(QRect(0, kCellHeight, kCellWidth, kCellHeight)).toImage();
            bool finer = false;
            for (int y = 0; y + 1 < n.height(); y += 2) {
                for (int x = 0; x + 1 < n.width(); x += 2) {
                    const QRgb c = n.pixel(x, y);
                    finer = finer || n.pixel(x + 1, y) != c || n.pixel(x, y + 1) != c ||
                            n.pixel(x + 1, y + 1) != c;
                }
            }
            std::fprintf(stderr, "glyph %dx%d finer %d\n", n.width(), n.height(), int(finer));
            // The caret after the question, on the device pixels of its cell.
            std::fprintf(stderr, "caret %d\n", int(bool(caret_on_cell(w.view(), 2, 9, qRgb(0, 0, 0)))));
            std::fflush(stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "screen 800x600 fits 1\nwhole surface 1\nglyph 16x32 finer 1\ncaret 1");
}

}  // namespace
