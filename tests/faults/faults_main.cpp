// The window's fault runs share one QApplication, always offscreen.
#include <gtest/gtest.h>

#include <QApplication>

// Qt and fontconfig keep memory until the process ends; in a sanitized build
// the leak check would report theirs, here and when the tests are listed.
// Leaks are the valgrind run's job (scripts/test-hardening).
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
