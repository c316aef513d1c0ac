// tarvo-log: logs of every format on the command line, read through the log
// library: count, convert, import, decode and plot. Each command lives in a
// file of its own; this one only chooses it.
#include <cstdio>
#include <string_view>

#include "logio/tool/ToolSupport.h"

namespace {

constexpr const char* Usage =
    "usage: tarvo-log COMMAND [ARGUMENTS]   (tarvo-log COMMAND --help for one command)\n"
    "  count FILE                  how many messages a log holds, of which kinds\n"
    "  convert IN OUT              a log in another format\n"
    "  import IN OUT               a log of another tool in a Tarvo format, for a replay\n"
    "  decode LOG --dbc DB         the decoded signals of a log as CSV\n"
    "  plot LOG --dbc DB --signal NAME --png OUT\n"
    "                              the decoded signals of a log drawn as a picture\n"
    "Formats, told from the content (the name is a hint; --type names one): Tarvo txt, csv and asc,\n"
    "ASC of other tools (asc), candump .log (candump), BLF (blf) and PCAN-View TRC (trc).\n"
    "\"-\" is standard input or output. What a reader cannot use and a writer cannot hold is\n"
    "counted on standard error. Exit 0: done; 1: a file could not be read or written; 2: usage.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc >= 2 ? argv[1] : "";
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(Usage, stdout);
    return tarvo::ExitOk;
  }
  if (command == "count") return tarvo::CountCommand(argc, argv);
  if (command == "convert") return tarvo::ConvertCommand(argc, argv);
  if (command == "import") return tarvo::ImportCommand(argc, argv);
  if (command == "decode") return tarvo::DecodeCommand(argc, argv);
  if (command == "plot") {
#ifdef TARVO_LOG_PLOT
    return tarvo::PlotCommand(argc, argv);
#else
    std::fputs("tarvo-log: this build has no plot (it was built without Qt)\n", stderr);
    return tarvo::ExitUsage;
#endif
  }
  if (command.empty()) std::fputs("tarvo-log: a command is needed\n", stderr);
  else std::fprintf(stderr, "tarvo-log: unknown command \"%.*s\"\n", int(command.size()), command.data());
  std::fputs(Usage, stderr);
  return tarvo::ExitUsage;
}
