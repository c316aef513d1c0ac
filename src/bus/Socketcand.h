#pragma once
// The socketcand protocol as a server speaks it to one client, over bytes:
// no sockets here, so every rule is a test on strings.
//
//   server: < hi >
//   client: < open can0 >            server: < ok >
//   client: < rawmode >              server: < ok >
//   server:  < frame 123 1702288800.123456 1122 >    every received frame
//   client: < send 123 2 11 22 >     a frame onto the bus (ID and bytes in hex)
//   client: < echo >                 server: < echo >
//
// In BCM mode (after open, or after "< bcmmode >") a client keeps frames
// repeating on the adapter's own repetition buffers:
//   client: < add 0 100000 123 2 11 22 >   0x123 every 0 s + 100000 us
//   client: < update 123 1 33 >            new data, same period
//   client: < delete 123 >                 stops it
// The adapter repeats at 10, 20, 50, 100, 200, 500 ms, 1, 2, 5 and 10 s;
// another period is refused.
//
// A command is everything from '<' to the next '>'; whitespace between
// commands is skipped. Anything else, an unknown command or a bad argument
// gets " < error REASON >"; a command longer than MaxCommandLength, or too
// many errors in a row, closes the connection, so a client cannot make the
// server hold more than one short command of its input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bus/BusFrame.h"

namespace tarvo::bus {

inline constexpr size_t MaxCommandLength = 256;
inline constexpr int MaxErrorsInARow = 16;
inline constexpr const char* SocketcandChannel = "can0";
inline constexpr const char* Greeting = "< hi >";

// " < frame ID SECONDS.MICROSECONDS DATA >": the identifier as 3 (11-bit)
// or 8 (29-bit) hex digits, the data as hex pairs without spaces (empty data
// leaves two spaces: clients split the message on single spaces). Frames
// and errors start with a space: python-can's reader drops one character
// after the messages of each read, and with a partly received message next
// that character would be its '<'. "< hi >", "< ok >" and "< echo >" have
// none: that client reads each answer with one receive and compares it whole.
// An error frame (bus states, error frames on the bus) goes out as
// socketcand sends it: the error flag and class as the 8-digit identifier,
// " < frame 20000040 1702288800.123456 0000000000000000 >". python-can's
// client hands it on as a message whose arbitration_id has bit 0x20000000
// set, which no 29-bit identifier has.
std::string FrameMessage(const TBusFrame& frame);

// A change to the frames a client keeps repeating, for the server to put on
// the adapter's repetition buffers.
struct TPeriodicRequest {
  enum class TKind { Add, Update, Delete };
  TKind Kind = TKind::Add;
  TBusFrame Frame;         // for Delete only the identifier counts
  uint8_t PeriodCode = 0;  // for Add: 1..10
};

// The adapter's period code of a period in microseconds; 0 when the
// adapter has none for it.
uint8_t PeriodCodeOf(uint64_t periodUs);

class TSocketcandSession {
 public:
  enum class TState { NoBus, Bcm, Raw };

  explicit TSocketcandSession(bool sendingAllowed = true) : sendingAllowed_(sendingAllowed) {}

  // Takes bytes from the client; appends the answers to replies and the
  // frames to send (in the client's order) to sends. false: close the
  // connection once the replies are written.
  bool Feed(std::string_view bytes, std::string& replies, std::vector<TBusFrame>& sends);

  TState State() const { return state_; }
  bool RawMode() const { return state_ == TState::Raw; }
  // The add, update and delete commands of the reads so far, in order;
  // the server takes them after each read.
  std::vector<TPeriodicRequest>& PeriodicRequests() { return periodic_; }

 private:
  bool PeriodicCommand(const std::vector<std::string_view>& words, std::string& replies);
  bool Command(std::string_view body, std::string& replies, std::vector<TBusFrame>& sends);
  bool Error(const char* reason, std::string& replies);
  bool SendCommand(const std::vector<std::string_view>& words, std::string& replies,
                   std::vector<TBusFrame>& sends);

  TState state_ = TState::NoBus;
  bool sendingAllowed_;
  bool inCommand_ = false;
  bool inGarbage_ = false;
  std::string command_;  // bytes after '<', at most MaxCommandLength
  int errorsInARow_ = 0;
  std::vector<TPeriodicRequest> periodic_;
};

// Parses "< send ID LEN B0 B1 ... >" arguments: ID in hex (more than three
// digits or above 7FF: 29-bit), LEN 0..8, each byte one or two hex digits.
bool ParseSendArguments(const std::vector<std::string_view>& args, TBusFrame& frame, std::string& error);

}  // namespace tarvo::bus
