// A window centred over another: frame centre on frame centre.
#include "common/qt/Placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>

#include "support/TestApplication.h"

namespace tarvo {
namespace {

[[maybe_unused]] auto* const qtApp =
    ::testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("common_qt_tests"));

// "x,y wxh", for readable failures.
std::string Text(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

// Shows the window with the frame of this size at this position.
void ShowFrame(QWidget& window, QPoint at, QSize frame) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QSize decorations = window.frameGeometry().size() - window.size();
  window.resize(frame - decorations);
  window.move(at);
  QApplication::processEvents();
  ASSERT_EQ(Text(window.frameGeometry()), Text(QRect(at, frame)));
}

TEST(CentreOver, PutsTheFramesCentreOnTheOtherFramesCentreWhereverThatWindowIs) {
  struct Position {
    QPoint over;
    QPoint expected;  // top left of the centred window's frame
  };
  struct Case {
    const char* what;
    QSize overFrame;
    QSize frame;
    Position first, second;
  };
  const Case cases[] = {
      {"smaller window", {900, 640}, {300, 200}, {{120, 80}, {420, 300}}, {{400, 260}, {700, 480}}},
      {"odd size differences round down", {801, 601}, {300, 200}, {{0, 0}, {250, 200}}, {{10, 30}, {260, 230}}},
      {"larger window overhangs on every side", {300, 200}, {500, 360}, {{400, 300}, {300, 220}},
       {{150, 100}, {50, 20}}},
      {"same size", {400, 300}, {400, 300}, {{40, 50}, {40, 50}}, {{300, 200}, {300, 200}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget over;
    QWidget window;
    ShowFrame(window, {0, 0}, c.frame);
    for (const Position& p : {c.first, c.second}) {
      ShowFrame(over, p.over, c.overFrame);
      qt::CentreOver(window, over);
      QApplication::processEvents();
      EXPECT_EQ(Text(window.frameGeometry()), Text(QRect(p.expected, c.frame)))
          << "over " << p.over.x() << "," << p.over.y();
    }
  }
}

}  // namespace
}  // namespace tarvo
