// Window sizes: the height H of view 1 per size code, the width F of the two
// small views beside it, and their pixel rectangles.
#include "plot/picture_layout.h"

#include "common/edition.h"
#include "platform/surface.h"

namespace {

constexpr int kDefaultHeight = 480;
constexpr int kTopPixel = 35;  // views start below the header and the legend

constexpr int small_size(int h) { return int((h - 30) * 0.5); }

// The smallest height at which all three views hold at least one pixel row:
// view 3 runs from F + 35 down to H.
constexpr int smallest_height() {
    int h = kTopPixel + 1;
    while (h < kTopPixel + small_size(h) || small_size(h) < 1) ++h;
    return h;
}

// The largest height whose views all stay on the surface.
constexpr int largest_height() {
    int h = kSurfaceHeight - 1;
    while (h + small_size(h) > kSurfaceWidth - 1) --h;
    return h;
}

constexpr int kSmallestHeight = smallest_height();
constexpr int kLargestHeight = largest_height();

// A height taken from FULLY, truncated toward zero and kept on the surface.
int height_from(double fully) {
    if (!(fully >= kSmallestHeight)) return kSmallestHeight;  // also not-a-number
    if (fully >= kLargestHeight) return kLargestHeight;
    return int(fully);
}

int height_for(int screen, double fully) {
    if constexpr (kEarlierEdition) {
        switch (screen) {
            case 1:
                return 520;
            case 2:
                return 768;
            case 3:
                return height_from(fully);
            default:
                return kDefaultHeight;
        }
    } else {
        if (screen >= 1 && screen <= 5) return 520 + 62 * (screen - 1);
        if (screen == 9) return height_from(fully);
        return kDefaultHeight;
    }
}

}  // namespace

PlotLayout plot_layout(int screen, double fully) {
    PlotLayout l{};
    const int h = height_for(screen, fully);
    const int f = small_size(h);
    l.plot_height = int16_t(h);
    l.small_view_size = int16_t(f);
    l.view[0] = {5, kTopPixel, h, h};
    l.view[1] = {h + 1, kTopPixel, h + f, f + 34};
    l.view[2] = {h + 1, f + 35, h + f, h};
    l.panel = screen < 2;
    return l;
}
