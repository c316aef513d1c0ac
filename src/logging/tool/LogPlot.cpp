#include "logging/tool/LogPlot.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/ReplacingFile.h"
#include "dbc/DbcReader.h"
#include "logging/LogTypes.h"
#include "logging/ReplayParser.h"
#include "logging/tool/LogFileNames.h"
#include "plot/PlotModel.h"
#include "plot/qt/PlotRenderer.h"

namespace tarvo {

namespace {

struct TPlotOptions {
  std::string Log, Dbc, Png;
  std::vector<std::string> Signals;
  int Width = 1200, Height = 600;
  std::optional<TLogFileType> Type;
};

bool Parse(int argc, char** argv, TPlotOptions& o) {
  for (int i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--dbc") o.Dbc = value();
    else if (a == "--signal") o.Signals.push_back(value());
    else if (a == "--png") o.Png = value();
    else if (a == "--type") {
      if (!(o.Type = LogFileTypeFromText(value()))) return false;
    } else if (a == "--size") {
      const std::string size = value();
      if (std::sscanf(size.c_str(), "%dx%d", &o.Width, &o.Height) != 2 || o.Width < 200 || o.Height < 120 ||
          o.Width > 10000 || o.Height > 10000)
        return false;
    } else if (a.starts_with("--") || !o.Log.empty()) {
      return false;
    } else {
      o.Log = a;
    }
  }
  return !o.Log.empty() && !o.Dbc.empty() && !o.Png.empty() && !o.Signals.empty();
}

}  // namespace

int PlotCommand(int argc, char** argv) {
  TPlotOptions o;
  if (!Parse(argc, argv, o)) {
    std::fputs("usage: tarvo-log plot LOG --dbc DB --signal NAME [--signal NAME...] --png OUT [--size WxH] "
               "[--type txt|csv|asc]\n",
               stderr);
    return 2;
  }
  const std::optional<TLogFileType> type = o.Type ? o.Type : LogFileTypeFromText(FileExtension(o.Log));
  if (!type) {
    std::fprintf(stderr, "tarvo-log: %s: cannot tell the format from the name; give --type\n", o.Log.c_str());
    return 2;
  }
  if (SameFile(o.Log, o.Png) || SameFile(o.Dbc, o.Png)) {
    std::fprintf(stderr, "tarvo-log: %s is an input; give another output\n", o.Png.c_str());
    return 2;
  }
  const TDbcReadResult db = ReadDbcFile(o.Dbc);
  if (!db.Ok) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Dbc.c_str(), DbcErrorText(db.Error).c_str());
    return 1;
  }
  TPlotModel model;
  for (const std::string& name : o.Signals) {
    std::string error;
    if (!model.Add(db.Database, name, error)) {
      std::fprintf(stderr, "tarvo-log: %s\n", error.c_str());
      return 1;
    }
  }
  TReplayParseOptions options;
  options.FileType = *type;
  options.ReplayRx = options.ReplayTx = true;
  options.MinimumGap = 0;
  auto messages = std::make_unique<TTarvoCAN[]>(size_t(MaxLogMessages));
  const TReplayParseResult r =
      ParseReplayLogFile(o.Log, options, std::span(messages.get(), size_t(MaxLogMessages)));
  if (r.Status != PARSE_VALID) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Log.c_str(), ReplayFailureText(r).c_str());
    return 1;
  }
  for (int32_t i = 0; i < r.NoOfMessages; ++i)
    model.Feed(db.Database, messages[size_t(i)], double(messages[size_t(i)].TimeStamp) / 39062.5);
  model.Follow = TPlotFollow::All;

  // Drawing text needs an application object; no window is opened.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "tarvo-log";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  QImage image(o.Width, o.Height, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    TPlotDrawing drawing;
    model.View(drawing.T0, drawing.T1);
    RenderPlot(painter, image.rect(), model, drawing);
  }
  if (!image.save(QString::fromStdString(o.Png), "PNG")) {
    std::fprintf(stderr, "tarvo-log: %s: cannot be written\n", o.Png.c_str());
    return 1;
  }
  size_t points = 0;
  for (const TPlottedSignal& s : model.Signals()) points += s.Series.Size();
  std::printf("%s: %zu signals, %zu points from %d messages\n", o.Png.c_str(), model.Signals().size(), points,
              r.NoOfMessages);
  return 0;
}

}  // namespace tarvo
