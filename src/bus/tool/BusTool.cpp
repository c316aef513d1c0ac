// tarvo-bus: the adapter for scripts, test benches and other tools.
#include "bus/tool/BusTool.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace tarvo::bus {

namespace {

constexpr const char* Usage =
    "usage: tarvo-bus dump  [BUS OPTIONS]\n"
    "       tarvo-bus send  [BUS OPTIONS] ID#DATA ...\n"
    "       tarvo-bus serve [BUS OPTIONS] [--listen ADDRESS] [--port N]\n"
    "\n"
    "  dump    every frame on standard output as a candump -L line, until Ctrl+C\n"
    "  send    sends the frames once, in order, written as cansend takes them:\n"
    "          123#1122 (11-bit), 12345678#R (29-bit remote), 123#R3 (remote, DLC 3)\n"
    "  serve   the socketcand protocol over TCP, channel can0: raw mode, and in\n"
    "          BCM mode periodic frames on the adapter's repetition buffers;\n"
    "          listens on 127.0.0.1:29536 unless told otherwise.\n"
    "          The protocol has no authentication: --listen 0.0.0.0 lets anyone\n"
    "          on the network read and write the bus.\n"
    "\n"
    "bus options:\n"
    "  --bitrate N      bit rate in bit/s, one of the program's presets: 12500, 20000,\n"
    "                   33333, 50000, 62500, 83333, 100000, 125000, 250000 (default),\n"
    "                   500000, 625000, 800000, 1000000\n"
    "  --listen-only    receive without acknowledging or sending anything\n"
    "  --loopback       sent frames come back, nothing reaches the bus\n"
    "  --device SERIAL  the adapter with this serial number (default: the first found)\n"
    "  --config FILE    bit timing, mode and receive filters of a configuration file\n"
    "                   (*.cfx) as the program saves it; instead of the three above\n";

std::atomic<bool> g_stop{false};

extern "C" void OnStopSignal(int) { g_stop.store(true); }

bool TakesValue(std::string_view option) {
  return option == "--bitrate" || option == "--device" || option == "--listen" || option == "--port" ||
         option == "--config";
}

// Parses the options after the command; false with a one-line reason.
bool ParseOptions(const std::string& command, int argc, char** argv, TToolOptions& o, std::string& error) {
  bool listenOnly = false;
  bool loopback = false;
  bool bitRate = false;
  bool operandsOnly = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      o.Operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    const bool serveOnly = arg == "--listen" || arg == "--port";
    if (TakesValue(arg) && i + 1 >= argc) {
      error = std::string(arg) + " needs a value";
      return false;
    }
    if (serveOnly && command != "serve") {
      error = std::string(arg) + " belongs to serve";
      return false;
    }
    if (arg == "--bitrate") {
      const TBaudRatePreset* preset = PresetOfBitRate(argv[++i], error);
      if (preset == nullptr) return false;
      o.Setup.PresetNumber = preset->Number;
      bitRate = true;
    } else if (arg == "--config") {
      o.ConfigPath = argv[++i];
      if (o.ConfigPath.empty()) {
        error = "--config takes a file name";
        return false;
      }
    } else if (arg == "--device") {
      o.Setup.SerialNo = argv[++i];
      if (o.Setup.SerialNo.empty() || o.Setup.SerialNo.size() > 63) {
        error = "--device takes a serial number of 1 to 63 characters";
        return false;
      }
    } else if (arg == "--listen") {
      o.ListenAddress = argv[++i];
    } else if (arg == "--port") {
      const std::string text = argv[++i];
      char* end = nullptr;
      const long port = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || port < 0 || port > 65535) {
        error = "--port takes a number 0..65535";
        return false;
      }
      o.Port = uint16_t(port);
    } else if (arg == "--listen-only") {
      listenOnly = true;
    } else if (arg == "--loopback") {
      loopback = true;
    } else {
      error = "unknown option " + std::string(arg);
      return false;
    }
  }
  if (listenOnly && loopback) {
    error = "--listen-only and --loopback exclude each other";
    return false;
  }
  // The file holds bit timing and mode: one source for each, so what runs
  // is what the user sees in the file.
  if (!o.ConfigPath.empty() && (bitRate || listenOnly || loopback)) {
    error = std::string("--config holds the bit timing and mode; leave out ") +
            (bitRate ? "--bitrate" : listenOnly ? "--listen-only" : "--loopback");
    return false;
  }
  o.Setup.Mode = listenOnly ? TBusMode::ListenOnly : loopback ? TBusMode::Loopback : TBusMode::Normal;
  return true;
}

}  // namespace

std::atomic<bool>& StopRequest() { return g_stop; }

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

int Fail(const char* command, const std::string& reason, int status) {
  std::fprintf(stderr, "tarvo-bus: %s: %s\n", command, reason.c_str());
  return status;
}

namespace {

void ShowWarnings(const char* command, const TToolOptions& options) {
  for (const std::string& line : options.Configuration->TakeWarnings())
    std::fprintf(stderr, "tarvo-bus: %s: %s: %s\n", command, options.ConfigPath.c_str(), line.c_str());
}

}  // namespace

int LoadConfiguration(const char* command, TToolOptions& options) {
  if (options.ConfigPath.empty()) return ExitOk;
  options.Configuration = std::make_shared<TBusConfiguration>();
  std::string error;
  const bool loaded = options.Configuration->Load(options.ConfigPath, options.Setup, error);
  ShowWarnings(command, options);
  return loaded ? ExitOk : Fail(command, error, ExitUsage);
}

int OpenAndStart(const char* command, const TToolOptions& options, TBusLink& link) {
  std::string error;
  if (!link.Open(options.Setup.SerialNo, error)) return Fail(command, error, ExitFailure);
  if (options.Configuration) {
    TBusSetup setup = options.Setup;
    const bool usable = options.Configuration->TimingFor(link.Clock40MHz(), setup, error);
    ShowWarnings(command, options);
    if (!usable) return Fail(command, "'" + options.ConfigPath + "': " + error, ExitUsage);
    if (!link.Start(setup, error)) return Fail(command, error, ExitFailure);
    return ExitOk;
  }
  // A bit rate this adapter cannot run is the user's choice, refused as
  // such before anything is sent.
  TBitTimingValues values;
  const TBaudRatePreset* preset = FindBaudRatePreset(options.Setup.PresetNumber);
  if (preset != nullptr && !PresetTimingFor(*preset, link.Clock40MHz(), values, error))
    return Fail(command, error, ExitUsage);
  if (!link.Start(options.Setup, error)) return Fail(command, error, ExitFailure);
  return ExitOk;
}

}  // namespace tarvo::bus

int main(int argc, char** argv) {
  using namespace tarvo::bus;
  if (argc < 2) {
    std::fputs(Usage, stderr);
    return ExitUsage;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(Usage, stdout);
    return ExitOk;
  }
  if (command != "dump" && command != "send" && command != "serve") {
    std::fprintf(stderr, "tarvo-bus: unknown command %s (dump, send, serve; --help)\n", command.c_str());
    return ExitUsage;
  }
  TToolOptions options;
  std::string error;
  if (!ParseOptions(command, argc, argv, options, error)) return Fail(command.c_str(), error, ExitUsage);
  if (const int r = LoadConfiguration(command.c_str(), options); r != ExitOk) return r;
  InstallStopSignals();
  if (command == "dump") return DumpCommand(options);
  if (command == "send") return SendCommand(options);
  return ServeCommand(options);
}
