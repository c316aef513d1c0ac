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
  explicit TOutputQueue(size_t limit) : m_limit(limit) {}
  // false when the frame was counted as missed instead.
  bool PushFrame(std::string_view line);
  // An answer to a command; false when it does not fit (the client sends
  // commands without reading the answers: the connection is closed).
  bool PushReply(std::string_view text);
  std::string_view Pending() const { return std::string_view(m_bytes).substr(m_offset); }
  void Consume(size_t n);
  uint64_t Missed() const { return m_missed; }
  uint64_t MissedTotal() const { return m_missedTotal; }

 private:
  size_t Size() const { return m_bytes.size() - m_offset; }
  std::string m_bytes;
  size_t m_offset = 0;
  size_t m_limit;
  uint64_t m_missed = 0;       // not yet reported to the client
  uint64_t m_missedTotal = 0;  // since the connection opened
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
  TSlot m_slots[Count + 1];  // buffers 1..15
};

struct TServerOptions {
  std::string Address = "127.0.0.1";
  uint16_t Port = 29536;
  size_t QueueLimit = 256 * 1024;  // bytes per client
  size_t MaxClients = 32;
};

class TSocketcandServer {
 public:
  TSocketcandServer(TBusPort& link, TServerOptions options);
  ~TSocketcandServer();
  TSocketcandServer(const TSocketcandServer&) = delete;
  TSocketcandServer& operator=(const TSocketcandServer&) = delete;

  // Binds and listens; false with the system's reason.
  bool Listen(std::string& error);
  // "ADDRESS:PORT" as bound (the port the system chose for port 0).
  const std::string& Where() const { return m_where; }
  // Serves until stop is set.
  void Run(const std::atomic<bool>& stop);
  // One round: waits up to timeoutMs for the sockets, then serves what is
  // due (for a caller with a loop of its own, such as a window's timer).
  void Step(int timeoutMs);
  size_t ClientCount() const { return m_clients.size(); }

 private:
  struct TClient;
  void Accept();
  void ReadFrom(TClient& client, std::vector<TBusFrame>& sends);
  void WriteTo(TClient& client);
  void Distribute(const std::vector<TBusFrame>& frames);
  void ApplyPeriodic(TClient& client);
  void StopRepetitions(TClient& client);

  TBusPort& m_link;
  std::vector<pollfd> m_fds;
  std::vector<TBusFrame> m_sends;
  std::vector<TBusFrame> m_frames;
  TServerOptions m_options;
  int m_listenFd = -1;
  std::string m_where;
  std::vector<std::unique_ptr<TClient>> m_clients;
  TRepetitionBuffers m_buffers;
  uint64_t m_nextClient = 1;
  bool m_adapterLostReported = false;
};

}  // namespace tarvo::bus
