// What srecord's tools, written by no one here, say about a HEX file: the
// binary image that srec_cat makes of it from its lowest address on, and that
// lowest address as srec_info reports it. The board's flash must equal both.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarnwick::e2e {

struct SrecImage {
  QByteArray bytes;
  long long base = -1;
  QString problem;  // empty when both tools answered
};

// Writes the image to `binPath` (srec_cat needs a file) and reads it back.
SrecImage srecImageOf(const QString& hexPath, const QString& binPath);

}  // namespace tarnwick::e2e
