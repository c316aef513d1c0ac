#include "bus/Socketcand.h"

#include <cstdio>
#include <iterator>

#include "common/TextRoutines.h"

namespace tarvo::bus {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

bool HexNumber(std::string_view text, size_t maxDigits, uint32_t& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (char c : text) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (v < 0) return false;
    value = value * 16 + uint32_t(v);
  }
  return true;
}

}  // namespace

std::string FrameMessage(const TBusFrame& f) {
  char head[64];
  if ((f.CanId & CanErrFlag) != 0)
    std::snprintf(head, sizeof head, " < frame %08X ", unsigned(f.CanId & (CanErrFlag | CanEffMask)));
  else if ((f.CanId & CanEffFlag) != 0)
    std::snprintf(head, sizeof head, " < frame %08X ", unsigned(f.CanId & CanEffMask));
  else
    std::snprintf(head, sizeof head, " < frame %03X ", unsigned(f.CanId & CanSffMask));
  std::string line = head;
  line += SecondsText(f.TimeUs);
  line += ' ';
  const uint8_t len = (f.CanId & CanRtrFlag) != 0 ? 0 : (f.Len <= 8 ? f.Len : 8);
  char data[16];
  char* end = data;
  for (uint8_t i = 0; i < len; ++i) end = PutHexByte(end, f.Data[i]);
  line.append(data, size_t(end - data));
  line += " >";
  return line;
}

bool ParseSendArguments(const std::vector<std::string_view>& args, TBusFrame& frame, std::string& error) {
  uint32_t id = 0;
  uint32_t len = 0;
  if (args.size() < 2 || !HexNumber(args[0], 8, id) || !HexNumber(args[1], 1, len)) {
    error = "send takes ID LEN and LEN bytes in hex";
    return false;
  }
  if (id > CanEffMask) {
    error = "identifier above 1FFFFFFF";
    return false;
  }
  if (len > 8 || args.size() != 2 + len) {
    error = "send takes LEN 0..8 and exactly LEN bytes";
    return false;
  }
  TBusFrame f;
  const bool extended = args[0].size() > 3 || id > CanSffMask;
  f.CanId = id | (extended ? CanEffFlag : 0);
  f.Len = uint8_t(len);
  for (uint32_t i = 0; i < len; ++i) {
    uint32_t byte = 0;
    if (!HexNumber(args[2 + i], 2, byte)) {
      error = "send takes bytes of one or two hex digits";
      return false;
    }
    f.Data[i] = uint8_t(byte);
  }
  frame = f;
  return true;
}

uint8_t PeriodCodeOf(uint64_t periodUs) {
  for (uint8_t code = 1; code < std::size(PeriodCodeMs); ++code)
    if (uint64_t(PeriodCodeMs[code]) * 1000 == periodUs) return code;
  return 0;
}

namespace {

bool DecimalNumber(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + uint64_t(c - '0');
  }
  return true;
}

}  // namespace

// add SECS USECS ID LEN BYTES, update ID LEN BYTES, delete ID.
bool TSocketcandSession::PeriodicCommand(const std::vector<std::string_view>& words, std::string& replies) {
  if (state_ != TState::Bcm) return Error("periodic frames need bcmmode", replies);
  if (!sendingAllowed_) return Error("the bus is open listen-only", replies);
  TPeriodicRequest request;
  std::string error;
  const std::string_view name = words[0];
  if (name == "delete") {
    uint32_t id = 0;
    if (words.size() != 2 || !HexNumber(words[1], 8, id) || id > CanEffMask)
      return Error("delete takes the identifier in hex", replies);
    request.Kind = TPeriodicRequest::TKind::Delete;
    request.Frame.CanId = id | (words[1].size() > 3 || id > CanSffMask ? CanEffFlag : 0);
  } else if (name == "update") {
    request.Kind = TPeriodicRequest::TKind::Update;
    if (!ParseSendArguments(std::vector<std::string_view>(words.begin() + 1, words.end()), request.Frame, error))
      return Error(error.c_str(), replies);
  } else {
    uint64_t seconds = 0;
    uint64_t micros = 0;
    if (words.size() < 3 || !DecimalNumber(words[1], seconds) || !DecimalNumber(words[2], micros))
      return Error("add takes SECONDS MICROSECONDS ID LEN and LEN bytes", replies);
    request.PeriodCode = PeriodCodeOf(seconds * 1000000 + micros);
    if (request.PeriodCode == 0)
      return Error("the adapter repeats every 10, 20, 50, 100, 200 or 500 ms, 1, 2, 5 or 10 s", replies);
    if (!ParseSendArguments(std::vector<std::string_view>(words.begin() + 3, words.end()), request.Frame, error))
      return Error(error.c_str(), replies);
  }
  periodic_.push_back(request);
  errorsInARow_ = 0;
  return true;
}

bool TSocketcandSession::Error(const char* reason, std::string& replies) {
  replies += " < error ";
  replies += reason;
  replies += " >";
  return ++errorsInARow_ < MaxErrorsInARow;
}

bool TSocketcandSession::Feed(std::string_view bytes, std::string& replies, std::vector<TBusFrame>& sends) {
  for (char c : bytes) {
    if (!inCommand_) {
      if (c == '<') {
        inCommand_ = true;
        inGarbage_ = false;
        command_.clear();
      } else if (!IsSpace(c) && !inGarbage_) {
        // One error for a run of stray bytes, not one per byte.
        inGarbage_ = true;
        if (!Error("expected a command in < >", replies)) return false;
      }
      continue;
    }
    if (c == '>') {
      inCommand_ = false;
      if (!Command(command_, replies, sends)) return false;
      continue;
    }
    if (c == '<' || c == '\0' || command_.size() >= MaxCommandLength) {
      Error(c == '<' ? "command not closed by >" : "command too long", replies);
      return false;
    }
    command_ += c;
  }
  return true;
}

bool TSocketcandSession::Command(std::string_view body, std::string& replies, std::vector<TBusFrame>& sends) {
  const std::vector<std::string_view> words = Words(body);
  if (words.empty()) return Error("empty command", replies);
  const std::string_view name = words[0];
  if (name == "echo" && words.size() == 1) {
    replies += "< echo >";
  } else if (name == "open") {
    if (state_ != TState::NoBus) return Error("a bus is already open", replies);
    if (words.size() != 2 || words[1] != SocketcandChannel) return Error("could not open bus", replies);
    state_ = TState::Bcm;
    replies += "< ok >";
  } else if (state_ == TState::NoBus) {
    return Error("no bus open", replies);
  } else if (name == "rawmode" && words.size() == 1) {
    state_ = TState::Raw;
    replies += "< ok >";
  } else if (name == "bcmmode" && words.size() == 1) {
    state_ = TState::Bcm;
    replies += "< ok >";
  } else if (name == "send") {
    return SendCommand(words, replies, sends);
  } else if (name == "add" || name == "update" || name == "delete") {
    return PeriodicCommand(words, replies);
  } else {
    return Error("unknown command", replies);
  }
  errorsInARow_ = 0;
  return true;
}

bool TSocketcandSession::SendCommand(const std::vector<std::string_view>& words, std::string& replies,
                                     std::vector<TBusFrame>& sends) {
  if (!sendingAllowed_) return Error("the bus is open listen-only", replies);
  TBusFrame frame;
  std::string error;
  if (!ParseSendArguments(std::vector<std::string_view>(words.begin() + 1, words.end()), frame, error))
    return Error(error.c_str(), replies);
  sends.push_back(frame);
  errorsInARow_ = 0;
  return true;
}

}  // namespace tarvo::bus
