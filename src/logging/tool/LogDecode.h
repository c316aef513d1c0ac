#pragma once
// tarvo-log decode LOG --dbc DB [--signal NAME...] [--wide] [--out FILE]
//                  [--type txt|csv|asc]
// writes the decoded signals of a log as CSV: a row per signal value (time,
// message, signal, value, unit), or with --wide a row per time with a column
// per signal.
namespace tarvo {
int DecodeCommand(int argc, char** argv);
}  // namespace tarvo
