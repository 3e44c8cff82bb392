// What the start leaves until the first window is on the screen: the icon's sizes, and a step
// that runs once, only after an exposure.
#include "mainwindow/late_start.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <algorithm>

namespace marlit {
namespace {

TEST(ProgramIcon, HoldsTheUsualSizesRenderedAtBuildTime) {
  const QIcon icon = ProgramIcon();
  QList<QSize> sizes = icon.availableSizes();
  std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
  const QList<QSize> usual = {{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
  EXPECT_EQ(sizes, usual);
  for (const QSize& size : usual) {
    const QImage image = icon.pixmap(size).toImage();
    EXPECT_EQ(image.size(), size);
    // Drawn, not an empty canvas: the centre of the picture is opaque.
    EXPECT_EQ(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255) << size.width();
  }
}

TEST(AfterFirstExposure, RunsOnceAndOnlyAfterAWindowIsExposed) {
  int runs = 0;
  AfterFirstExposure([&runs] { ++runs; });
  QWidget hidden;
  hidden.winId();  // created, but not shown: nothing is exposed yet
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);

  QWidget window;
  window.resize(100, 50);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTRY_COMPARE(runs, 1);
  window.hide();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(50);
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace marlit
