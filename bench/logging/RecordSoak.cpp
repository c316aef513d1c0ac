// Soak: a long recording of a fully loaded bus loses nothing.
//
// Runs the whole program (offscreen) on the simulated adapter with
// sim/scenarios/full250k.scn: 250 kbit/s, 8-byte frames back to back, about
// 2252 a second, the first data byte counting up with every frame. Recording
// (ASC unless told otherwise) starts, then the adapter; after the given
// minutes both stop. The file is then read back: every received line must
// follow its predecessor by one count and by one frame time, so a lost frame
// shows as a jump. Prints the lines, the frames the bus carried, the losses,
// the writer's time per hand-over and the program's CPU share.
//
//   QT_QPA_PLATFORM=offscreen build/bin/log_record_soak [minutes] [txt|csv|asc] [directory]
// bench/logging/record_soak.sh runs it with a home folder of its own.
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "logging/LogRecorder.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/LogWiring.h"
#include "shell/qt/MainWindow.h"

namespace {

using namespace tarvo;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct FileCheck {
  int64_t Lines = 0;        // received message lines
  int64_t CountJumps = 0;   // counter byte not one more than before
  int64_t TimeGaps = 0;     // more than one frame time between neighbours
  int64_t MissingLines = 0; // "MM" lines (TXT, CSV)
  double FirstSeconds = 0, LastSeconds = 0;
};

// The fields of a received line: time, counter byte; false for other lines.
bool ReadLine(const std::string& line, TLogFileType type, double& seconds, int& counter) {
  std::vector<std::string> f;
  if (type == ASC_FILE) {
    std::istringstream in(line);
    std::string field;
    while (in >> field) f.push_back(field);
    if (f.size() < 7 || f[3] != "Rx") return false;
    seconds = std::stod(f[0]);
    counter = std::stoi(f[6], nullptr, 16);
    return true;
  }
  if (type == CSV_FILE) {
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) f.push_back(field);
  } else {
    std::istringstream in(line.substr(0, 68));
    std::string field;
    while (in >> field) f.push_back(field);
  }
  if (f.size() < 4 || f[0] != "RD11") return false;
  seconds = std::stod(f[1][0] == '!' ? f[1].substr(1) : f[1]);
  counter = std::stoi(f[3], nullptr, 16);
  return true;
}

FileCheck CheckFile(const std::string& path, TLogFileType type) {
  FileCheck c;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  int previous = -1;
  double previousSeconds = 0;
  // 111 bits at 250 kbit/s: 0.444 ms; the file's times have 0.1 ms steps.
  const double frameSeconds = 111.0 / 250000.0;
  while (std::getline(in, line)) {
    // "MM   !" (TXT) or "MM,!" (CSV); the footer's key line is no such line.
    if ((line.rfind("MM   !", 0) == 0 || line.rfind("MM,!", 0) == 0) && ++c.MissingLines <= 5) std::printf("receive error line: %s\n", line.c_str());
    double seconds;
    int counter;
    if (!ReadLine(line, type, seconds, counter)) continue;
    if (previous >= 0) {
      if (counter != ((previous + 1) & 0xFF)) ++c.CountJumps;
      if (seconds - previousSeconds > 1.5 * frameSeconds) ++c.TimeGaps;
    } else {
      c.FirstSeconds = seconds;
    }
    previous = counter;
    previousSeconds = seconds;
    c.LastSeconds = seconds;
    ++c.Lines;
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
  const std::string format = argc > 2 ? argv[2] : "asc";
  const std::string dir = argc > 3 ? argv[3] : "/tmp";
  const TLogFileType type = format == "txt" ? TXT_FILE : format == "csv" ? CSV_FILE : ASC_FILE;
  QApplication application(argc, argv);
  tarvo::qt::ApplicationShell shell;
  shell.Start({});
  TLog& log = shell.Logging().Log();
  log.DIR = dir + "/";
  log.FileName = "soak." + format;
  log.FileType = type;
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  log.RecordMessageTypes = {true, true, true, true, true};
  tarvo::qt::MainWindow& w = shell.Window();

  double cpu0 = 0;
  std::chrono::steady_clock::time_point wall0;
  double cpu = 0, wall = 0;
  QTimer::singleShot(500, [&] {
    cpu0 = CpuSeconds();
    wall0 = std::chrono::steady_clock::now();
    w.Action("StartLogRecording1")->trigger();
    w.Action("Start1")->trigger();
    if (!shell.App().Run.RunningFlag || !log.RecordRunningFlag.load()) {
      std::fprintf(stderr, "recording or adapter did not start\n");
      application.exit(2);
    }
  });
  QTimer::singleShot(500 + int(minutes * 60000), [&] {
    w.Action("StopLog1")->trigger();
    w.Action("Stop1")->trigger();
    cpu = CpuSeconds() - cpu0;
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    application.exit(0);
  });
  if (const int rc = application.exec(); rc != 0) return rc;

  const TLogWriterStats& stats = shell.Logging().Recorder().WriterStats();
  const FileCheck c = CheckFile(log.DIR + log.FileName, type);
  const double span = c.LastSeconds - c.FirstSeconds;
  const double busFrames = std::floor(span / (111.0 / 250000.0) + 0.5) + 1;
  std::printf("recording       %.1f s of adapter time, %s file %s\n", span, format.c_str(),
              (log.DIR + log.FileName).c_str());
  std::printf("lines           %lld received message lines\n", (long long)c.Lines);
  std::printf("bus frames      %.0f from the first to the last line's time\n", busFrames);
  std::printf("counter jumps   %lld\n", (long long)c.CountJumps);
  std::printf("time gaps       %lld\n", (long long)c.TimeGaps);
  std::printf("receive errors  %lld (MM lines: the receive path reported an error)\n", (long long)c.MissingLines);
  std::printf("lost (ring)     %u\n", unsigned(shell.App().CANMessageRing.LostCount));
  std::printf("hand-overs      %lld, writer %.2f ms mean, %.2f ms max per hand-over\n", (long long)stats.Passes,
              stats.Passes ? stats.TotalMs / double(stats.Passes) : 0.0, stats.MaxMs);
  std::printf("program CPU     %.2f s in %.1f s: %.2f %% of one core\n", cpu, wall, 100.0 * cpu / wall);
  // A frame is lost when the counter or the time jumps; an MM line alone
  // says the receive path saw damage, which is reported above.
  const bool lossless = c.CountJumps == 0 && c.TimeGaps == 0 && c.Lines > 0;
  std::printf("%s\n", lossless ? "no frame lost" : "FRAMES LOST");
  shell.Window().close();
  return lossless ? 0 : 1;
}
