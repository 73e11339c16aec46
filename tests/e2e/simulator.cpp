#include "simulator.h"

#include <QRegularExpression>

namespace tarnwick::e2e {
namespace {

constexpr int kStartMs = 10000;
constexpr int kStopMs = 10000;

}  // namespace

Simulator::Simulator(const QStringList& options, const QString& workDir) {
  process_.setProgram(QStringLiteral(TARNWICK_BOARDSIM));
  process_.setArguments(options);
  process_.setWorkingDirectory(workDir);
  process_.start();
  if (!process_.waitForStarted(kStartMs)) return;
  while (!process_.canReadLine() && process_.waitForReadyRead(kStartMs)) {
  }
  if (process_.canReadLine()) portPath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
}

Simulator::~Simulator() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(kStopMs);
}

QString Simulator::stop() {
  if (process_.state() == QProcess::NotRunning) return {};
  process_.terminate();
  if (!process_.waitForFinished(kStopMs)) return {};
  return QString::fromLocal8Bit(process_.readAllStandardOutput());
}

QString Simulator::errors() {
  return QString::fromLocal8Bit(process_.readAllStandardError());
}

Summary parseSummary(const QString& output) {
  static const QRegularExpression line(
      QStringLiteral(R"(summary: records=(\d+) bytes=(\d+) base=0x([0-9A-Fa-f]+) errors=(\d+))"));
  const QRegularExpressionMatch match = line.match(output);
  if (!match.hasMatch()) return {};
  return Summary{match.captured(1).toLongLong(), match.captured(2).toLongLong(),
                 match.captured(3).toLongLong(nullptr, 16), match.captured(4).toLongLong()};
}

}  // namespace tarnwick::e2e
