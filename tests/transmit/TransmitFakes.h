#pragma once
// Test doubles around the transmit subsystem: the run and window state as
// plain fields, a sender and an echo that record every call, scripted
// message boxes, and a clock that notes its waits among the sends.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/UserDialogs.h"
#include "support/FakeClock.h"
#include "support/ScriptedDialogs.h"
#include "transmit/TransmitEditor.h"
#include "transmit/TransmitScheduler.h"
#include "transmit/TransmitSeams.h"

namespace tarvo::test {

struct FakeTransmitHost : TransmitHost {
  bool Hex = true;
  bool RunningFlag = false;
  bool ListenOnlyFlag = false;
  uint32_t Time = 0;
  uint32_t Delta = 10;
  TTransmitPhase CurrentPhase = TTransmitPhase::Full;
  int ConfigModifiedCount = 0;

  bool HexMode() override { return Hex; }
  bool Running() override { return RunningFlag; }
  bool ListenOnly() override { return ListenOnlyFlag; }
  uint32_t TarvoTime() override { return Time; }
  uint32_t DeltaPCTime() override { return Delta; }
  TTransmitPhase Phase() override { return CurrentPhase; }
  void HandOverComplete() override { CurrentPhase = TTransmitPhase::Full; }
  void SetConfigModified() override { ++ConfigModifiedCount; }
  // The start counts as cancelled from this call of StartCancelled on (0: the first).
  int CancelAtCheck = -1;
  int CancelChecks = 0;
  bool StartCancelled() override { return CancelAtCheck >= 0 && CancelChecks++ >= CancelAtCheck; }
};

// One SendCANMessage call as the adapter would get it.
struct SentMessage {
  uint8_t IDE = 0;
  uint32_t ID = 0;
  uint8_t RTR = 0;
  uint8_t DLC = 0;
  bool HasData = false;
  std::array<uint8_t, 8> Data{};
  uint8_t BufferNo = 0;
  uint8_t PeriodCode = 0;
  bool operator==(const SentMessage&) const = default;
};

// Every send and every wait, in order: "send" entries carry the call index.
struct EventLog {
  std::vector<std::string> Events;
};

struct RecordingSender : CANMessageSender {
  std::vector<SentMessage> Sent;
  TResult NextResult = RES_OK;
  std::vector<TResult> Results;  // per call, in order; NextResult once they run out
  EventLog* Log = nullptr;

  TResult SendCANMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t* data,
                         uint8_t bufferNo, uint8_t periodCode) override {
    SentMessage m{ide, id, rtr, dlc, data != nullptr, {}, bufferNo, periodCode};
    // The adapter never takes more than eight bytes from the pointer.
    if (data) for (int i = 0; i < (dlc > 8 ? 8 : dlc); ++i) m.Data[i] = data[i];
    if (Log) Log->Events.push_back("send " + std::to_string(Sent.size()));
    Sent.push_back(m);
    const size_t call = Sent.size() - 1;
    return call < Results.size() ? Results[call] : NextResult;
  }
};

struct EchoedMessage {
  uint8_t IDE = 0;
  uint32_t ID = 0;
  uint8_t RTR = 0;
  uint8_t DLC = 0;
  std::array<uint8_t, 8> Data{};
  uint32_t TimeMs = 0;
  bool operator==(const EchoedMessage&) const = default;
};

struct RecordingEcho : TransmitEcho {
  std::vector<EchoedMessage> Echoed;
  void EchoTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                           uint32_t timeMs) override {
    EchoedMessage m{ide, id, rtr, dlc, {}, timeMs};
    for (int i = 0; i < 8; ++i) m.Data[i] = data[i];
    Echoed.push_back(m);
  }
};

struct LoggingClock : FakeClock {
  EventLog* Log = nullptr;
  void WaitProcessingMessages(uint32_t ms) override {
    if (Log) Log->Events.push_back("wait " + std::to_string(ms));
    FakeClock::WaitProcessingMessages(ms);
  }
};

// The whole subsystem over the fakes, as the application object wires it.
struct TransmitRig {
  TCANTransmit List;
  FakeTransmitHost Host;
  RecordingSender Sender;
  RecordingEcho Echo;
  ScriptedDialogs Dialogs;
  EventLog Log;
  LoggingClock Clock;
  TTransmitScheduler Scheduler{List, Host, Sender, Echo, Clock};
  TTransmitEditor Editor{List, Host, Dialogs, Scheduler};

  TransmitRig() {
    Sender.Log = &Log;
    Clock.Log = &Log;
  }
};

}  // namespace tarvo::test
