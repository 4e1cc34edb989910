// The desktop's tests run in one QApplication: on Qt's offscreen platform, or where it shows
// (the screenshots) on the X server when there is one.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", NORB_ON_SCREEN && std::getenv("DISPLAY") ? "xcb" : "offscreen", NORB_ON_SCREEN);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
