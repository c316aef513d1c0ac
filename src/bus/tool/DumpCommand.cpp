// tarvo-bus dump: every frame as a candump -L line on standard output.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bus/tool/BusTool.h"

namespace tarvo::bus {

namespace {

constexpr auto PollPeriod = std::chrono::milliseconds(2);

bool WriteLines(const std::vector<TBusFrame>& frames) {
  for (const TBusFrame& f : frames) {
    const std::string line = CandumpLine(f);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

}  // namespace

int DumpCommand(const TToolOptions& options) {
  TBusLink link;
  if (const int r = OpenAndStart("dump", options, link); r != ExitOk) return r;
  std::vector<TBusFrame> frames;
  uint32_t lostShown = 0;
  int status = ExitOk;
  bool writable = true;
  while (!StopRequest().load()) {
    frames.clear();
    const bool readable = link.Poll(frames);
    // Lines leave at once, so a reader at the other end of a pipe keeps up.
    if (!frames.empty() && !WriteLines(frames)) {
      writable = false;
      // A reader that went away (a pipe into head) ends the dump quietly.
      if (errno != EPIPE) status = Fail("dump", "cannot write standard output", ExitFailure);
      break;
    }
    if (link.LostMessages() != lostShown) {
      lostShown = link.LostMessages();
      std::fprintf(stderr, "tarvo-bus: dump: %u frames lost so far (the adapter's receive queue overran)\n",
                   unsigned(lostShown));
    }
    if (!readable) {
      status = Fail("dump", "the adapter does not answer", ExitFailure);
      break;
    }
    std::this_thread::sleep_for(PollPeriod);
  }
  frames.clear();
  link.Stop(frames);
  if (writable) WriteLines(frames);
  link.Close();
  return status;
}

}  // namespace tarvo::bus
