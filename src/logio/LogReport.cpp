#include "logio/LogReport.h"

#include <cstdio>

namespace tarvo {

const char* LogSkipText(TLogSkip reason) {
  switch (reason) {
    case SKIP_NOT_UNDERSTOOD: return "lines not understood";
    case SKIP_IDENTIFIER: return "identifiers out of range";
    case SKIP_DATA: return "data that do not match their length";
    case SKIP_TIME: return "times that cannot be read";
    case SKIP_TOO_LONG: return "lines longer than 64 MiB";
    case SKIP_STATUS: return "status, error-counter, bus-load and message-missing lines (no frames)";
    case SKIP_OTHER_EVENT: return "lines of other events (no frames)";
    case SKIP_OTHER_OBJECT: return "objects of other kinds (no frames)";
    case SKIP_DAMAGED: return "damaged or cut-off objects";
    default: return "other";
  }
}

bool LogSkipIsDamage(TLogSkip reason) {
  return reason != SKIP_STATUS && reason != SKIP_OTHER_EVENT && reason != SKIP_OTHER_OBJECT;
}

uint64_t TLogReadReport::SkippedTotal() const {
  uint64_t n = 0;
  for (uint64_t c : Skipped) n += c;
  return n;
}

uint64_t TLogReadReport::DamagedTotal() const {
  uint64_t n = 0;
  for (size_t r = 0; r < SKIP_REASONS; ++r)
    if (LogSkipIsDamage(TLogSkip(r))) n += Skipped[r];
  return n;
}

std::vector<std::string> TLogReadReport::Lines() const {
  std::vector<std::string> lines;
  char text[160];
  for (size_t r = 0; r < SKIP_REASONS; ++r) {
    if (!Skipped[r]) continue;
    std::snprintf(text, sizeof text, "%llu %s, not read", (unsigned long long)Skipped[r], LogSkipText(TLogSkip(r)));
    lines.push_back(text);
  }
  for (const TPlace& p : First) {
    std::snprintf(text, sizeof text, "%s %llu: %s", Binary ? "byte" : "line", (unsigned long long)p.Where,
                  LogSkipText(p.Reason));
    lines.push_back(text);
  }
  if (Backwards) {
    std::snprintf(text, sizeof text, "%llu times earlier than the message before, kept as written",
                  (unsigned long long)Backwards);
    lines.push_back(text);
  }
  return lines;
}

const char* LogLeftOutText(TLogLeftOut reason) {
  switch (reason) {
    case LEFT_OUT_FD: return "CAN FD frames";
    case LEFT_OUT_ERROR_FRAME: return "error frames";
    case LEFT_OUT_BUS_EVENT: return "bus-state events";
    case LEFT_OUT_REMOTE: return "remote frames";
    case LEFT_OUT_DIRECTION: return "messages of a direction not chosen";
    case LEFT_OUT_TIME: return "messages whose time the format cannot hold";
    default: return "other";
  }
}

uint64_t TLogWriteReport::LeftOutTotal() const {
  uint64_t n = 0;
  for (uint64_t c : LeftOut) n += c;
  return n;
}

std::vector<std::string> TLogWriteReport::Lines() const {
  std::vector<std::string> lines;
  char text[160];
  for (size_t r = 0; r < LEFT_OUT_REASONS; ++r) {
    if (!LeftOut[r]) continue;
    std::snprintf(text, sizeof text, "%llu %s left out: the format cannot hold them", (unsigned long long)LeftOut[r],
                  LogLeftOutText(TLogLeftOut(r)));
    lines.push_back(text);
  }
  if (ChannelsMerged) {
    std::snprintf(text, sizeof text, "%llu messages of other channels than the first written without their channel",
                  (unsigned long long)ChannelsMerged);
    lines.push_back(text);
  }
  if (FdFlagsLost) {
    std::snprintf(text, sizeof text, "%llu CAN FD frames written without their BRS/ESI bits",
                  (unsigned long long)FdFlagsLost);
    lines.push_back(text);
  }
  return lines;
}

}  // namespace tarvo
