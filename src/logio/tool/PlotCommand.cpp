// tarvo-log plot: the decoded signals of a log drawn as the program's
// signal plot draws them, into a PNG, without a window. The log is
// streamed into the plot's series, whose memory is bounded.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "dbc/DbcReader.h"
#include "logio/tool/ToolSupport.h"
#include "plot/PlotModel.h"
#include "plot/qt/PlotRenderer.h"

namespace tarvo {

namespace {

struct TPlotOptions {
  std::string Log, Dbc, Png;
  std::vector<std::string> Signals;
  int Width = 1200, Height = 600;
  std::optional<TLogFormat> Type;
};

// "1200x600": two whole numbers of at most five digits and nothing else.
bool ReadSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  const auto number = [](std::string_view digits, int& value) {
    if (digits.empty() || digits.size() > 5) return false;
    value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    return true;
  };
  return number(std::string_view(text).substr(0, x), width) && number(std::string_view(text).substr(x + 1), height);
}

std::optional<int> Options(int argc, char** argv, TPlotOptions& o) {
  TToolArgs args;
  if (!args.Parse(argc, argv, {}, {"--dbc", "--signal", "--png", "--size", "--type"}))
    return UsageError("plot", args.Error());
  if (args.Help()) {
    std::fputs(PlotUsage, stdout);
    return ExitOk;
  }
  if (args.Files().size() != 1) return UsageError("plot", "give one log");
  if (!args.Value("--dbc") || !args.Value("--png") || args.Values("--signal").empty())
    return UsageError("plot", "give --dbc, --png and at least one --signal");
  o.Log = args.Files()[0];
  o.Dbc = *args.Value("--dbc");
  o.Png = *args.Value("--png");
  o.Signals = args.Values("--signal");
  if (const auto size = args.Value("--size")) {
    if (!ReadSize(*size, o.Width, o.Height))
      return UsageError("plot", "--size takes WIDTHxHEIGHT in pixels, such as 1200x600, not \"" + *size + "\"");
    if (o.Width < 200 || o.Height < 120 || o.Width > 10000 || o.Height > 10000)
      return UsageError("plot", "--size " + *size + " is outside 200x120 to 10000x10000");
  }
  int code = ExitOk;
  if (!FormatOption(args, "--type", "plot", o.Type, code)) return code;
  return std::nullopt;
}

}  // namespace

int PlotCommand(int argc, char** argv) {
  TPlotOptions o;
  if (const std::optional<int> code = Options(argc, argv, o)) return *code;
  if (o.Png == "-" || OutputIsAnInput(o.Png, {o.Log, o.Dbc})) {
    if (o.Png == "-") return UsageError("plot", "--png needs a file name");
    return ExitUsage;
  }
  const TDbcReadResult db = ReadDbcFile(o.Dbc);
  if (!db.Ok) {
    Complain(o.Dbc, DbcErrorText(db.Error));
    return ExitFailed;
  }
  TPlotModel model;
  for (const std::string& name : o.Signals) {
    std::string error;
    if (!model.Add(db.Database, name, error)) {
      std::fprintf(stderr, "tarvo-log: %s\n", error.c_str());
      return ExitFailed;
    }
  }
  std::unique_ptr<TLogReader> reader = OpenForReading(o.Log, o.Type);
  if (!reader) return ExitFailed;
  uint64_t messages = 0;
  TLogMessage m;
  while (reader->Next(m)) {
    ++messages;
    if (m.Remote() || m.ErrorFrame() || m.Event != LOG_FRAME) continue;
    model.FeedFrame(db.Database, m.Extended(), m.ID, m.Data, m.Length, double(m.Time) * 1e-9);
  }
  PrintReadReport(o.Log, *reader);
  if (ReadingFailed(o.Log, *reader)) return ExitFailed;
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
  // The picture goes where every output of the tool goes: a file replaced
  // whole once it is written, a device or FIFO written into.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    Complain(o.Png, "the picture could not be made");
    return ExitFailed;
  }
  std::string error;
  std::unique_ptr<TByteSink> sink = OpenByteSink(o.Png, error);
  if (!sink) {
    Complain(o.Png, error);
    return ExitFailed;
  }
  sink->Put(png.constData(), size_t(png.size()));
  if (!sink->Finish(error)) {
    Complain(o.Png, error);
    return ExitFailed;
  }
  size_t points = 0;
  for (const TPlottedSignal& s : model.Signals()) points += s.Series.Size();
  std::printf("%s: %zu signals, %zu points from %" PRIu64 " messages\n", o.Png.c_str(), model.Signals().size(), points,
              messages);
  if (model.Dropped()) std::printf("%" PRIu64 " points beyond the plot's bound not drawn\n", model.Dropped());
  return ExitOk;
}

}  // namespace tarvo
