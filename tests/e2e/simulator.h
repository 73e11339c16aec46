// The board simulator (tarnwick-boardsim) as a child process of a test.
//
// It is started in a folder of the test's choosing with its own options,
// prints the path of its pseudo-terminal as the first line of its output, and
// serves the window from then on. Asked to stop (SIGTERM), it writes its
// flash (--flash-out FILE: FILE and FILE.base) and prints one summary line.
// Every wait is bounded, generously, so a loaded machine is slow, not wrong.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tarnwick::e2e {

class Simulator {
 public:
  Simulator(const QStringList& options, const QString& workDir);
  ~Simulator();  // kills it if it is still running
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // The pseudo-terminal's path; empty when the simulator did not start.
  const QString& portPath() const { return portPath_; }
  // Stops it and returns the rest of its output (the summary line), or an
  // empty text if it did not end in time.
  QString stop();
  // What it wrote on its error output (its complaints, its --verbose log).
  QString errors();

 private:
  QProcess process_;
  QString portPath_;
};

// The numbers of a "summary: records=R bytes=B base=0xADDRESS errors=E"
// line; all -1 when the text holds no such line.
struct Summary {
  long long records = -1;
  long long bytes = -1;
  long long base = -1;
  long long errors = -1;
};
Summary parseSummary(const QString& output);

}  // namespace tarnwick::e2e
