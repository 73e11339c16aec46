// Writes the window's icon at the sizes a menu uses, as PNG files in the
// hicolor theme's layout, so that the menu shows the same picture as the
// window's title bar:
//
//   render_icons FOLDER NAME SIZE...   ->   FOLDER/SIZExSIZE/apps/NAME.png
//
// Runs while building; needs no display (it paints into images only).
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "ui/window_icon.h"

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: render_icons FOLDER NAME SIZE...\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString file = apps + QLatin1Char('/') + name + QStringLiteral(".png");
    if (size <= 0 || !QDir().mkpath(apps) ||
        !tarnwick::ui::drawWindowIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
