// The desktop window: the surface in a scroll area, menus, a status line,
// and the program on a thread of its own that the keyboard feeds.
#pragma once

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QWidget>
#include <cstdint>
#include <thread>
#include <utility>

#include "platform/frontend.h"
#include "platform/surface.h"

class QLabel;
class QAction;
class QMessageBox;
class QScrollArea;

// Shows the last copy of the surface, either fitted whole into the view or
// one surface pixel a screen pixel, and takes the typing.
class SurfaceView : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceView(QWidget* parent = nullptr);
    // The picture as painted, in device pixels.
    const QImage& image() const { return image_; }
    // Draws a copy of the surface for the view's screen and size, and
    // repaints. The copy is kept for drawing again at another size.
    void show_surface(const Surface& copy);
    // Whether the picture was drawn for the view's screen and size.
    bool picture_current() const;
    // Fitted: the whole surface scaled to the view, keeping its shape;
    // otherwise one for one, the view as large as the surface.
    void set_fitted(bool fitted);
    bool fitted() const { return fitted_; }
    // Where the picture lies in the view, in the view's pixels.
    QRectF picture_rect() const;
    // The caret of a waiting read, drawn over the picture at text cell
    // (row, col) in a colour 0x00BBGGRR; row 0 for none.
    void set_caret(int row, int col, int32_t colour);
    // Where the caret lies in the view; empty when there is none.
    QRectF caret_rect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSize picture_size() const;
    int drawing_scale() const;
    void draw();

    QImage image_;
    GlyphMasks glyphs_;  // the characters at the drawing scale
    int glyph_scale_ = 0;
    Fitting fitting_;
    const Surface* copy_ = nullptr;  // the copy last shown
    bool fitted_ = true;
    int caret_row_ = 0, caret_col_ = 0;
    QColor caret_colour_;
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

    // Tells the file and the reason when the picture could not be written.
    void save_picture(const QString& path);
    void copy_text();
    void copy_picture();
    void paste();
    void toggle_pause();
    // The whole picture scaled to the window, or one pixel for one with scrolling.
    void set_fit_to_window(bool fit);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void refresh();
    void on_program_finished();

private:
    void build_menus();
    void keep_read_in_view(uint64_t read, int row, int col, int typed);

    SurfaceView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* pause_action_ = nullptr;
    QAction* fit_action_ = nullptr;
    QAction* actual_size_action_ = nullptr;
    QMessageBox* exit_question_ = nullptr;
    uint64_t shown_generation_ = ~uint64_t(0);
    std::pair<uint64_t, int> read_in_view_{0, -1};  // the read and typing last scrolled to
    std::thread program_thread_;
};

// The whole desktop program: application, window, program thread, event loop.
int run_desktop(int argc, char** argv, const char* title, ProgramEntry program);
