// The screenshots are taken from the X server (Xvfb under scripts/test).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY"))
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  else
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
