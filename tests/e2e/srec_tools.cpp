#include "srec_tools.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace tarnwick::e2e {
namespace {

constexpr int kToolMs = 30000;

// Runs a tool to its end; returns its output, or sets `problem`.
QString run(const QString& program, const QStringList& arguments, QString& problem) {
  if (program.isEmpty()) {
    problem = QStringLiteral("srec_cat and srec_info (Debian package srecord) are needed");
    return {};
  }
  QProcess tool;
  tool.start(program, arguments);
  if (!tool.waitForFinished(kToolMs) || tool.exitStatus() != QProcess::NormalExit ||
      tool.exitCode() != 0) {
    problem = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(tool.readAll()) +
              QString::fromLocal8Bit(tool.readAllStandardError());
    return {};
  }
  return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

// "Data:   08000000 - 08000B07": the first address of the first block.
long long lowestAddress(const QString& info) {
  static const QRegularExpression data(QStringLiteral(R"(Data:\s+([0-9A-Fa-f]+))"));
  const QRegularExpressionMatch match = data.match(info);
  return match.hasMatch() ? match.captured(1).toLongLong(nullptr, 16) : -1;
}

}  // namespace

SrecImage srecImageOf(const QString& hexPath, const QString& binPath) {
  SrecImage image;
  // Without the offset, an image at 0x08000000 would become a 128 MiB file.
  run(QStringLiteral(SREC_CAT_PROGRAM),
      {hexPath, "-Intel", "-offset", "-", "-minimum-addr", hexPath, "-Intel", "-o", binPath,
       "-Binary"},
      image.problem);
  if (!image.problem.isEmpty()) return image;
  const QString info = run(QStringLiteral(SREC_INFO_PROGRAM), {hexPath, "-Intel"}, image.problem);
  if (!image.problem.isEmpty()) return image;
  image.base = lowestAddress(info);
  QFile bin(binPath);
  if (!bin.open(QIODevice::ReadOnly)) image.problem = QStringLiteral("cannot read ") + binPath;
  image.bytes = bin.readAll();
  return image;
}

}  // namespace tarnwick::e2e
