// tarvo-log decode: the decoded signals of a log as CSV, streaming: each
// message is decoded and written as it is read, so memory stays flat
// whatever the log's length. Times are the log's own, as written.
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/CsvField.h"
#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalText.h"
#include "logio/tool/ToolSupport.h"

namespace tarvo {

namespace {

struct TDecodeOptions {
  std::string Log, Dbc, Out = "-";
  std::vector<std::string> Signals;
  bool Wide = false;
  bool Text = false;  // the value-table text of each value beside it
  bool Fill = false;  // wide form: every row carries the last value of every column
  std::optional<TLogFormat> Type;
};

std::optional<int> Options(int argc, char** argv, TDecodeOptions& o) {
  TToolArgs args;
  if (!args.Parse(argc, argv, {"--wide", "--text", "--fill"}, {"--dbc", "--signal", "--out", "--type"}))
    return UsageError("decode", args.Error());
  if (args.Help()) {
    std::fputs(DecodeUsage, stdout);
    return ExitOk;
  }
  if (args.Files().size() != 1) return UsageError("decode", "give one log");
  if (!args.Value("--dbc")) return UsageError("decode", "give the database with --dbc");
  o.Log = args.Files()[0];
  o.Dbc = *args.Value("--dbc");
  o.Out = args.Value("--out").value_or("-");
  o.Signals = args.Values("--signal");
  o.Wide = args.Has("--wide");
  o.Text = args.Has("--text");
  o.Fill = args.Has("--fill");
  if (o.Fill && !o.Wide) return UsageError("decode", "--fill fills the columns of --wide");
  int code = ExitOk;
  if (!FormatOption(args, "--type", "decode", o.Type, code)) return code;
  return std::nullopt;
}

// Where each chosen signal goes: its column in the wide form (and the
// column of its value-table text, with --text), and the fields around its
// value in the long form.
struct TLayout {
  std::vector<std::vector<int>> Column;      // [message][signal], -1: not chosen
  std::vector<std::vector<int>> TextColumn;  // [message][signal], -1: none
  std::vector<std::vector<std::string>> Before, After;
  size_t Columns = 0;
  std::string Header;
};

TLayout Layout(const TDbcDatabase& db, const std::vector<std::pair<size_t, size_t>>& order, bool wide, bool text) {
  TLayout l;
  l.Column.resize(db.Messages.size());
  l.TextColumn.resize(db.Messages.size());
  l.Before.resize(db.Messages.size());
  l.After.resize(db.Messages.size());
  for (size_t m = 0; m < db.Messages.size(); ++m) {
    l.Column[m].assign(db.Messages[m].Signals.size(), -1);
    l.TextColumn[m].assign(db.Messages[m].Signals.size(), -1);
    for (const TDbcSignal& sig : db.Messages[m].Signals) {
      l.Before[m].push_back("," + CsvField(db.Messages[m].Name) + "," + CsvField(sig.Name) + ",");
      l.After[m].push_back("," + CsvField(sig.Unit));
    }
  }
  l.Header = wide ? "time" : text ? "time,message,signal,value,unit,text" : "time,message,signal,value,unit";
  for (const auto& [m, s] : order) {
    const TDbcSignal& sig = db.Messages[m].Signals[s];
    const std::string name = db.Messages[m].Name + "." + sig.Name;
    l.Column[m][s] = int(l.Columns++);
    if (wide) l.Header += "," + CsvField(name + (sig.Unit.empty() ? "" : " [" + sig.Unit + "]"));
    if (wide && text && !sig.ValueTexts.empty()) {
      l.TextColumn[m][s] = int(l.Columns++);
      l.Header += "," + CsvField(name + " text");
    }
  }
  l.Header += "\r\n";
  return l;
}

}  // namespace

int DecodeCommand(int argc, char** argv) {
  TDecodeOptions o;
  if (const std::optional<int> code = Options(argc, argv, o)) return *code;
  if (OutputIsAnInput(o.Out, {o.Log, o.Dbc})) return ExitUsage;
  const TDbcReadResult db = ReadDbcFile(o.Dbc);
  if (!db.Ok) {
    Complain(o.Dbc, DbcErrorText(db.Error));
    return ExitFailed;
  }
  for (const TDbcError& e : db.Skipped) Complain(o.Dbc, "skipped, " + DbcErrorText(e));
  for (const TDbcError& e : db.Notes) Complain(o.Dbc, DbcErrorText(e));
  std::vector<std::pair<size_t, size_t>> order;
  std::string error;
  if (o.Signals.empty()) {
    for (size_t m = 0; m < db.Database.Messages.size(); ++m)
      for (size_t s = 0; s < db.Database.Messages[m].Signals.size(); ++s) order.push_back({m, s});
  } else if (!ResolveSignals(db.Database, o.Signals, order, error)) {
    std::fprintf(stderr, "tarvo-log: %s\n", error.c_str());
    return ExitFailed;
  }
  std::unique_ptr<TLogReader> reader = OpenForReading(o.Log, o.Type);
  if (!reader) return ExitFailed;
  std::unique_ptr<TByteSink> sink = OpenByteSink(o.Out, error);
  if (!sink) {
    Complain(o.Out, error);
    return ExitFailed;
  }
  const TLayout layout = Layout(db.Database, order, o.Wide, o.Text);
  sink->Put(layout.Header);

  const int decimals = reader->Info().Format == LOG_FORMAT_BLF ? 9 : 6;
  std::vector<TDecodedSignal> decoded(256);
  std::vector<std::string> row(layout.Columns);
  std::string block;
  uint64_t values = 0, unknown = 0, messages = 0;
  TLogMessage m;
  while (reader->Next(m)) {
    ++messages;
    if (m.Remote() || m.ErrorFrame() || m.Event != LOG_FRAME) continue;
    const TDbcMessage* message = db.Database.Find(m.Extended() ? 1 : 0, m.ID);
    if (!message) {
      ++unknown;
      continue;
    }
    const size_t mi = size_t(message - db.Database.Messages.data());
    if (decoded.size() < message->Signals.size()) decoded.resize(message->Signals.size());
    const size_t n = DecodeMessage(*message, m.Data, m.Length, decoded.data());
    char timeText[32];
    const std::string_view time(timeText, size_t(WriteSeconds(timeText, m.Time, decimals) - timeText));
    bool any = false;
    for (size_t k = 0; k < n; ++k) {
      const TDecodedSignal& d = decoded[k];
      const size_t si = size_t(d.Signal - message->Signals.data());
      const int column = layout.Column[mi][si];
      if (!d.Present || column < 0) continue;
      // The shortest text that reads back as the same double.
      char value[32];
      const std::string_view number(value, size_t(std::to_chars(value, value + sizeof value, d.Physical).ptr - value));
      const std::string* text = o.Text ? FindValueText(*d.Signal, d.Raw) : nullptr;
      ++values;
      if (o.Wide) {
        row[size_t(column)].assign(number);
        if (const int tc = layout.TextColumn[mi][si]; tc >= 0) row[size_t(tc)] = text ? CsvField(*text) : std::string();
        any = true;
        continue;
      }
      block.append(time).append(layout.Before[mi][si]).append(number).append(layout.After[mi][si]);
      if (o.Text) block.append(",").append(text ? CsvField(*text) : std::string());
      block.append("\r\n");
    }
    if (o.Wide && any) {
      block.append(time);
      for (std::string& field : row) {
        block += ',';
        block += field;
        if (!o.Fill) field.clear();  // --fill: the last value stays until a newer one
      }
      block += "\r\n";
    }
    if (block.size() > (1u << 20)) {
      sink->Put(block);
      block.clear();
    }
  }
  sink->Put(block);
  PrintReadReport(o.Log, *reader);
  if (ReadingFailed(o.Log, *reader)) return ExitFailed;
  if (!sink->Finish(error)) {
    Complain(o.Out == "-" ? "standard output" : o.Out, error);
    return ExitFailed;
  }
  std::fprintf(stderr, "%" PRIu64 " values of %" PRIu64 " messages decoded; %" PRIu64 " messages not in the database\n",
               values, messages, unknown);
  return ExitOk;
}

}  // namespace tarvo
