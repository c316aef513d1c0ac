#pragma once
// A signal named by the user, as "Message.Signal" or, when only one message
// carries it, as "Signal", found in a database. The log tool's --signal and
// the plot's added signals take the same names and give the same errors:
//   "Speed" with Speed in two messages
//     -> several messages have a signal "Speed": name it as Message.Signal
//   "Engine.Torque" when Engine has no Torque
//     -> no signal "Engine.Torque" in the database
#include <cstddef>
#include <string>
#include <vector>

namespace tarvo {

struct TDbcDatabase;

// A signal's place: Messages[Message].Signals[Signal].
struct TSignalPlace {
  size_t Message = 0;
  size_t Signal = 0;
  bool operator==(const TSignalPlace&) const = default;
};

// Every signal the name matches, in the database's order.
std::vector<TSignalPlace> MatchSignals(const TDbcDatabase& db, const std::string& name);

// True with the one signal the name matches. Otherwise false, error says
// which of the two faults it is, and matches holds every candidate (none for
// a missing name), so a caller may list them.
bool FindSignal(const TDbcDatabase& db, const std::string& name, TSignalPlace& found, std::string& error,
                std::vector<TSignalPlace>* matches = nullptr);

}  // namespace tarvo
