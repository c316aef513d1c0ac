#include "dbc/SignalLookup.h"

#include "dbc/DbcDatabase.h"

namespace tarvo {

std::vector<TSignalPlace> MatchSignals(const TDbcDatabase& db, const std::string& name) {
  const size_t dot = name.find('.');
  const std::string message = dot == std::string::npos ? "" : name.substr(0, dot);
  const std::string signal = dot == std::string::npos ? name : name.substr(dot + 1);
  std::vector<TSignalPlace> found;
  for (size_t m = 0; m < db.Messages.size(); ++m) {
    if (!message.empty() && db.Messages[m].Name != message) continue;
    for (size_t s = 0; s < db.Messages[m].Signals.size(); ++s)
      if (db.Messages[m].Signals[s].Name == signal) found.push_back({m, s});
  }
  return found;
}

bool FindSignal(const TDbcDatabase& db, const std::string& name, TSignalPlace& found, std::string& error,
                std::vector<TSignalPlace>* matches) {
  std::vector<TSignalPlace> all = MatchSignals(db, name);
  if (all.size() == 1) {
    found = all[0];
    return true;
  }
  if (all.empty())
    error = "no signal \"" + name + "\" in the database";
  else
    error = "several messages have a signal \"" + name + "\": name it as Message.Signal";
  if (matches) *matches = std::move(all);
  return false;
}

}  // namespace tarvo
