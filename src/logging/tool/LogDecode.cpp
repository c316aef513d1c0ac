#include "logging/tool/LogDecode.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/ReplacingFile.h"
#include "dbc/DbcReader.h"
#include "dbc/SignalCodec.h"
#include "logging/LogTypes.h"
#include "logging/ReplayParser.h"
#include "logging/tool/LogFileNames.h"

namespace tarvo {

namespace {

struct TDecodeOptions {
  std::string Log, Dbc, Out;
  std::vector<std::string> Signals;  // "Message.Signal" or "Signal"; none: all
  bool Wide = false;
  std::optional<TLogFileType> Type;
};

bool Parse(int argc, char** argv, TDecodeOptions& o) {
  for (int i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--dbc") o.Dbc = value();
    else if (a == "--signal") o.Signals.push_back(value());
    else if (a == "--out") o.Out = value();
    else if (a == "--wide") o.Wide = true;
    else if (a == "--type") {
      if (!(o.Type = LogFileTypeFromText(value()))) return false;
    } else if (a.starts_with("--") || !o.Log.empty()) {
      return false;
    } else {
      o.Log = a;
    }
  }
  return !o.Log.empty() && !o.Dbc.empty();
}

// The chosen signals, as (message index, signal index); false with the
// name that matches none, or several.
bool Choose(const TDbcDatabase& db, const std::vector<std::string>& names,
            std::vector<std::vector<bool>>& chosen, std::vector<std::pair<size_t, size_t>>& order) {
  chosen.assign(db.Messages.size(), {});
  for (size_t m = 0; m < db.Messages.size(); ++m) chosen[m].assign(db.Messages[m].Signals.size(), names.empty());
  if (names.empty()) {
    for (size_t m = 0; m < db.Messages.size(); ++m)
      for (size_t s = 0; s < db.Messages[m].Signals.size(); ++s) order.push_back({m, s});
    return true;
  }
  for (const std::string& name : names) {
    const size_t dot = name.find('.');
    const std::string message = dot == std::string::npos ? "" : name.substr(0, dot);
    const std::string signal = dot == std::string::npos ? name : name.substr(dot + 1);
    std::vector<std::pair<size_t, size_t>> found;
    for (size_t m = 0; m < db.Messages.size(); ++m) {
      if (!message.empty() && db.Messages[m].Name != message) continue;
      for (size_t s = 0; s < db.Messages[m].Signals.size(); ++s)
        if (db.Messages[m].Signals[s].Name == signal) found.push_back({m, s});
    }
    if (found.size() != 1) {
      std::fprintf(stderr, "tarvo-log: %s \"%s\"%s\n", found.empty() ? "no signal" : "several messages have a signal",
                   name.c_str(), found.empty() ? " in the database" : ": name it as Message.Signal");
      return false;
    }
    if (!chosen[found[0].first][found[0].second]) order.push_back(found[0]);
    chosen[found[0].first][found[0].second] = true;
  }
  return true;
}

// CSV text: a field with a comma, a quote or a line end is quoted.
std::string Field(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

class TOutput {
 public:
  explicit TOutput(const std::string& path) {
    if (!path.empty()) file_ = std::make_unique<TReplacingFile>(path);
  }
  bool Opened() const { return !file_ || file_->Opened(); }
  void Put(const char* text, size_t n) {
    if (file_) file_->Write(text, n);
    else std::fwrite(text, 1, n, stdout);
  }
  void Put(const std::string& text) { Put(text.data(), text.size()); }
  std::string Finish() {
    if (file_) return file_->Commit() ? "" : file_->Error();
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? "" : "standard output could not be written";
  }

 private:
  std::unique_ptr<TReplacingFile> file_;
};

}  // namespace

int DecodeCommand(int argc, char** argv) {
  TDecodeOptions o;
  if (!Parse(argc, argv, o)) {
    std::fputs("usage: tarvo-log decode LOG --dbc DB [--signal NAME...] [--wide] [--out FILE] [--type txt|csv|asc]\n",
               stderr);
    return 2;
  }
  const std::optional<TLogFileType> type = o.Type ? o.Type : LogFileTypeFromText(FileExtension(o.Log));
  if (!type) {
    std::fprintf(stderr, "tarvo-log: %s: cannot tell the format from the name; give --type\n", o.Log.c_str());
    return 2;
  }
  const TDbcReadResult db = ReadDbcFile(o.Dbc);
  if (!db.Ok) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Dbc.c_str(), DbcErrorText(db.Error).c_str());
    return 1;
  }
  for (const TDbcError& e : db.Skipped)
    std::fprintf(stderr, "tarvo-log: %s: skipped, %s\n", o.Dbc.c_str(), DbcErrorText(e).c_str());
  for (const TDbcError& e : db.Notes) std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Dbc.c_str(), DbcErrorText(e).c_str());
  std::vector<std::vector<bool>> chosen;
  std::vector<std::pair<size_t, size_t>> order;
  if (!Choose(db.Database, o.Signals, chosen, order)) return 1;

  TReplayParseOptions options;
  options.FileType = *type;
  options.ReplayRx = options.ReplayTx = true;
  options.MinimumGap = 0;
  auto messages = std::make_unique<TTarvoCAN[]>(size_t(MaxLogMessages));
  const TReplayParseResult r = ParseReplayLogFile(o.Log, options, std::span(messages.get(), size_t(MaxLogMessages)));
  if (r.Status != PARSE_VALID) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Log.c_str(), ReplayFailureText(r).c_str());
    return 1;
  }
  if (SameFile(o.Log, o.Out) || SameFile(o.Dbc, o.Out)) {
    std::fprintf(stderr, "tarvo-log: %s is an input; give another output\n", o.Out.c_str());
    return 2;
  }
  TOutput out(o.Out);
  if (!out.Opened()) {
    std::fprintf(stderr, "tarvo-log: %s: cannot be written\n", o.Out.c_str());
    return 1;
  }
  // Column of each chosen signal in the wide form.
  std::vector<std::vector<int>> column(db.Database.Messages.size());
  for (size_t m = 0; m < column.size(); ++m) column[m].assign(db.Database.Messages[m].Signals.size(), -1);
  for (size_t c = 0; c < order.size(); ++c) column[order[c].first][order[c].second] = int(c);

  if (o.Wide) {
    std::string header = "time";
    for (const auto& [m, s] : order) {
      const TDbcSignal& sig = db.Database.Messages[m].Signals[s];
      header += "," + Field(db.Database.Messages[m].Name + "." + sig.Name + (sig.Unit.empty() ? "" : " [" + sig.Unit + "]"));
    }
    out.Put(header + "\r\n");
  } else {
    out.Put("time,message,signal,value,unit\r\n");
  }
  // Each signal's fields around its value, quoted once: ",Message,Signal,"
  // and ",unit" with the line end.
  std::vector<std::vector<std::string>> before(db.Database.Messages.size()), after(db.Database.Messages.size());
  for (size_t m = 0; m < db.Database.Messages.size(); ++m)
    for (const TDbcSignal& sig : db.Database.Messages[m].Signals) {
      before[m].push_back("," + Field(db.Database.Messages[m].Name) + "," + Field(sig.Name) + ",");
      after[m].push_back("," + Field(sig.Unit) + "\r\n");
    }
  std::vector<TDecodedSignal> decoded(256);
  std::vector<std::string> row(order.size());
  std::string line, block;
  block.reserve(1 << 20);
  char number[48];
  uint64_t values = 0, unknown = 0;
  for (int32_t i = 0; i < r.NoOfMessages; ++i) {
    const TTarvoCAN& f = messages[size_t(i)];
    if (f.RTR) continue;
    const TDbcMessage* m = db.Database.Find(f.IDE, f.ID);
    if (!m) {
      ++unknown;
      continue;
    }
    const size_t mi = size_t(m - db.Database.Messages.data());
    if (decoded.size() < m->Signals.size()) decoded.resize(m->Signals.size());
    const size_t n = DecodeMessage(*m, f.Data, f.DLC, decoded.data());
    const auto [timeEnd, timeError] =
        std::to_chars(number, number + sizeof number, double(f.TimeStamp) / 39062.5, std::chars_format::fixed, 6);
    const std::string_view time(number, size_t(timeEnd - number));
    bool any = false;
    for (auto& field : row) field.clear();
    for (size_t k = 0; k < n; ++k) {
      const TDecodedSignal& d = decoded[k];
      if (!d.Present) continue;
      const size_t si = size_t(d.Signal - m->Signals.data());
      if (!chosen[mi][si]) continue;
      // The shortest text that reads back as the same double.
      char value[32];
      const auto [valueEnd, valueError] = std::to_chars(value, value + sizeof value, d.Physical);
      const std::string_view text(value, size_t(valueEnd - value));
      ++values;
      if (o.Wide) {
        row[size_t(column[mi][si])].assign(text);
        any = true;
        continue;
      }
      block.append(time);
      block.append(before[mi][si]);
      block.append(text);
      block.append(after[mi][si]);
    }
    if (block.size() > (1u << 20) - 512) {
      out.Put(block);
      block.clear();
    }
    if (o.Wide && any) {
      block.append(time);
      for (const std::string& field : row) {
        block += ',';
        block += field;
      }
      block += "\r\n";
    }
  }
  out.Put(block);
  const std::string failure = out.Finish();
  if (!failure.empty()) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Out.empty() ? "output" : o.Out.c_str(), failure.c_str());
    return 1;
  }
  std::fprintf(stderr, "%llu values of %d messages decoded; %llu messages not in the database\n",
               (unsigned long long)values, r.NoOfMessages, (unsigned long long)unknown);
  return 0;
}

}  // namespace tarvo
