// The layout at other pixel densities: lengths round to the nearest pixel (a half to the even
// one), and edges that meet at 96 DPI meet at every density, within a parent and across parents.
#include <gtest/gtest.h>

#include <string>

#include "platform/ui_scale.h"
#include "tests/support/headless_window.h"
#include "wizard/main_form_layout.h"

namespace quenlo::ui {
namespace {

TEST(UiScaleTest, LengthsAndFontsRoundToTheNearestPixel) {
  struct Row {
    int length, dpi, pixels;
  };
  for (const Row& row : {
           Row{561, 144, 842},  // 841.5: the even neighbour
           Row{371, 144, 556},  // 556.5
           Row{561, 96, 561}, Row{561, 120, 701}, Row{371, 192, 742}, Row{50, 168, 88},  // 87.5
           Row{13, 120, 16},                                                             // 16.25
       }) {
    EXPECT_EQ(ScaleLength(row.length, row.dpi), row.pixels) << row.length << " at " << row.dpi;
  }
  EXPECT_EQ(FontPixelHeight(9, 96), 12);
  EXPECT_EQ(FontPixelHeight(9, 144), 18);
  EXPECT_EQ(FontPixelHeight(10, 120), 17);
}

// Every control of the frame whose edge lies on its parent's edge, or on a sibling's, at 96 DPI
// still does at each density; scaling each size, or each place within its parent, on its own
// opens gaps and overlaps of a pixel (at 144 DPI the picture strip would hang a pixel below the
// panel that holds it).
TEST(UiScaleTest, EdgesThatMeetAtTheDesignDensityMeetAtEveryDensity) {
  for (const int dpi : {96, 120, 144, 168, 192, 240}) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
    testing::HeadlessWindow window(dpi);
    wizard::CreateMainFormControls(window);
    for (const ControlSpec& spec : wizard::MainFormControls()) {
      if (spec.place.width == 0 || spec.place.height == 0) continue;
      SCOPED_TRACE(spec.name);
      const Place pixels = window.PixelPlace(spec.name);
      if (!spec.parent.empty()) {
        const ControlSpec& parent = window.Get(spec.parent).spec();
        const Place parentPixels = window.PixelPlace(spec.parent);
        if (spec.place.left + spec.place.width == parent.place.width) {
          EXPECT_EQ(pixels.left + pixels.width, parentPixels.width);
        }
        if (spec.place.top + spec.place.height == parent.place.height) {
          EXPECT_EQ(pixels.top + pixels.height, parentPixels.height);
        }
      }
      for (const ControlSpec& other : wizard::MainFormControls()) {
        if (other.parent != spec.parent || other.place.width == 0) continue;
        const Place otherPixels = window.PixelPlace(other.name);
        if (spec.place.left + spec.place.width == other.place.left) {
          EXPECT_EQ(pixels.left + pixels.width, otherPixels.left) << other.name;
        }
        if (spec.place.top + spec.place.height == other.place.top) {
          EXPECT_EQ(pixels.top + pixels.height, otherPixels.top) << other.name;
        }
      }
    }
    EXPECT_EQ(ScaleLength(wizard::kMainFormFrame.clientHeight, dpi),
              window.PixelPlace(wizard::kFootP).top + window.PixelPlace(wizard::kFootP).height);
  }
}

}  // namespace
}  // namespace quenlo::ui
