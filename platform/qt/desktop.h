// The desktop window: the surface in a scroll area, menus, a status line,
// and the program on a thread of its own that the keyboard feeds.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QWidget>
#include <cstdint>
#include <thread>

#include "platform/frontend.h"

class QLabel;
class QAction;
class QMessageBox;

// Shows the last copy of the surface, pixel for pixel, and takes the typing.
class SurfaceView : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceView(QWidget* parent = nullptr);
    QImage& image() { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QImage image_;
};

class DesktopWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit DesktopWindow(const QString& title);
    ~DesktopWindow() override;

    // Starts the program on its own thread; call once.
    void start(ProgramEntry program);

    SurfaceView* view() const { return view_; }
    QString status_text() const;
    // The question asked when the program has returned (null before).
    QMessageBox* exit_question() const { return exit_question_; }
    bool program_finished() const;

    // What the keyboard and Paste give the waiting read.
    void type_text(const QString& text);
    void type_backspace();
    void type_enter();

    void save_picture(const QString& path);
    void copy_text();
    void copy_picture();
    void paste();
    void toggle_pause();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void refresh();
    void on_program_finished();

private:
    void build_menus();

    SurfaceView* view_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* pause_action_ = nullptr;
    QMessageBox* exit_question_ = nullptr;
    uint64_t shown_generation_ = ~uint64_t(0);
    std::thread program_thread_;
};

// The whole desktop program: application, window, program thread, event loop.
int run_desktop(int argc, char** argv, const char* title, ProgramEntry program);
