#pragma once
// The socketcand protocol over TCP for any number of clients at once, over
// one adapter (tarvo-bus serve's run, or the program's open adapter). One
// thread: a short poll over the sockets, then the adapter's receive path, so
// frames reach every client in the order the adapter stamped them.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <poll.h>
#include <string>
#include <string_view>
#include <vector>

#include "bus/BusLink.h"
#include "bus/Socketcand.h"

namespace tarvo::bus {

// What waits to be written to one client. Frames beyond the limit are not
// queued but counted, and the count goes out as " < error N frames missed >"
// before the next frame that fits: a client that stops reading costs the
// server at most the limit, and learns what it missed.
class TOutputQueue {
 public:
  explicit TOutputQueue(size_t limit) : limit_(limit) {}
  // false when the frame was counted as missed instead.
  bool PushFrame(std::string_view line);
  // An answer to a command; false when it does not fit (the client sends
  // commands without reading the answers: the connection is closed).
  bool PushReply(std::string_view text);
  std::string_view Pending() const { return std::string_view(bytes_).substr(offset_); }
  void Consume(size_t n);
  uint64_t Missed() const { return missed_; }
  uint64_t MissedTotal() const { return missedTotal_; }

 private:
  size_t Size() const { return bytes_.size() - offset_; }
  std::string bytes_;
  size_t offset_ = 0;
  size_t limit_;
  uint64_t missed_ = 0;       // not yet reported to the client
  uint64_t missedTotal_ = 0;  // since the connection opened
};

// The adapter's 15 repetition buffers shared by the clients: each buffer
// holds one client's frame of one identifier.
class TRepetitionBuffers {
 public:
  static constexpr int Count = 15;
  // The buffer of this client's identifier, 0 when it has none.
  int Find(uint64_t client, uint32_t canId) const;
  // The client's buffer for the identifier, or a free one; 0 when all are taken.
  int Claim(uint64_t client, uint32_t canId);
  void Release(int buffer);
  // Every buffer of the client, released.
  std::vector<int> ReleaseAll(uint64_t client);

 private:
  struct TSlot {
    bool Used = false;
    uint64_t Client = 0;
    uint32_t CanId = 0;
  };
  TSlot slots_[Count + 1];  // buffers 1..15
};

struct TServerOptions {
  std::string Address = "127.0.0.1";
  uint16_t Port = 29536;
  size_t QueueLimit = 256 * 1024;  // bytes per client
  size_t MaxClients = 32;
};

class TSocketcandServer {
 public:
  TSocketcandServer(BusPort& link, TServerOptions options);
  ~TSocketcandServer();
  TSocketcandServer(const TSocketcandServer&) = delete;
  TSocketcandServer& operator=(const TSocketcandServer&) = delete;

  // Binds and listens; false with the system's reason.
  bool Listen(std::string& error);
  // "ADDRESS:PORT" as bound (the port the system chose for port 0).
  const std::string& Where() const { return where_; }
  // Serves until stop is set.
  void Run(const std::atomic<bool>& stop);
  // One round: waits up to timeoutMs for the sockets, then serves what is
  // due (for a caller with a loop of its own, such as a window's timer).
  void Step(int timeoutMs);
  size_t ClientCount() const { return clients_.size(); }

 private:
  struct TClient;
  void Accept();
  void ReadFrom(TClient& client, std::vector<TBusFrame>& sends);
  void WriteTo(TClient& client);
  void Distribute(const std::vector<TBusFrame>& frames);
  void ApplyPeriodic(TClient& client);
  void StopRepetitions(TClient& client);

  BusPort& link_;
  std::vector<pollfd> fds_;
  std::vector<TBusFrame> sends_;
  std::vector<TBusFrame> frames_;
  TServerOptions options_;
  int listenFd_ = -1;
  std::string where_;
  std::vector<std::unique_ptr<TClient>> clients_;
  TRepetitionBuffers buffers_;
  uint64_t nextClient_ = 1;
  bool adapterLostReported_ = false;
};

}  // namespace tarvo::bus
