#include "bus/SocketcandServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarvo::bus {

namespace {

using SteadyTime = std::chrono::steady_clock;

// python-can's client reads the answer to rawmode with one receive and
// compares it whole, so frames start this long after that answer went out
// (they wait in the queue meanwhile, none is lost).
constexpr auto RawModeHold = std::chrono::milliseconds(20);
constexpr int PollTimeoutMs = 2;
constexpr const char* AdapterLostMessage = " < error the adapter does not answer >";
constexpr size_t ReadChunk = 4096;
constexpr size_t ClientSendBuffer = 128 * 1024;

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

std::string AddressText(const sockaddr_storage& a) {
  char host[INET6_ADDRSTRLEN] = "?";
  uint16_t port = 0;
  if (a.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(a);
    inet_ntop(AF_INET, &in.sin_addr, host, sizeof host);
    port = ntohs(in.sin_port);
    return std::string(host) + ":" + std::to_string(port);
  }
  const auto& in6 = reinterpret_cast<const sockaddr_in6&>(a);
  inet_ntop(AF_INET6, &in6.sin6_addr, host, sizeof host);
  port = ntohs(in6.sin6_port);
  return "[" + std::string(host) + "]:" + std::to_string(port);
}

}  // namespace

// ---- Output queue ------------------------------------------------------------------

bool TOutputQueue::PushFrame(std::string_view line) {
  std::string report;
  if (missed_ > 0) report = " < error " + std::to_string(missed_) + " frames missed >";
  if (Size() + report.size() + line.size() > limit_) {
    ++missed_;
    ++missedTotal_;
    return false;
  }
  bytes_ += report;
  missed_ = 0;
  bytes_ += line;
  return true;
}

bool TOutputQueue::PushReply(std::string_view text) {
  if (Size() + text.size() > limit_) return false;
  bytes_ += text;
  return true;
}

void TOutputQueue::Consume(size_t n) {
  offset_ += std::min(n, Size());
  // Written bytes are dropped once they are the larger part, so the buffer
  // never grows past twice the limit.
  if (offset_ == bytes_.size()) {
    bytes_.clear();
    offset_ = 0;
  } else if (offset_ > bytes_.size() / 2) {
    bytes_.erase(0, offset_);
    offset_ = 0;
  }
}

// ---- Repetition buffers ------------------------------------------------------------------

int TRepetitionBuffers::Find(uint64_t client, uint32_t canId) const {
  for (int b = 1; b <= Count; ++b)
    if (slots_[b].Used && slots_[b].Client == client && slots_[b].CanId == canId) return b;
  return 0;
}

int TRepetitionBuffers::Claim(uint64_t client, uint32_t canId) {
  if (const int b = Find(client, canId); b != 0) return b;
  for (int b = 1; b <= Count; ++b) {
    if (slots_[b].Used) continue;
    slots_[b] = TSlot{true, client, canId};
    return b;
  }
  return 0;
}

void TRepetitionBuffers::Release(int buffer) {
  if (buffer >= 1 && buffer <= Count) slots_[buffer] = TSlot{};
}

std::vector<int> TRepetitionBuffers::ReleaseAll(uint64_t client) {
  std::vector<int> released;
  for (int b = 1; b <= Count; ++b) {
    if (!slots_[b].Used || slots_[b].Client != client) continue;
    slots_[b] = TSlot{};
    released.push_back(b);
  }
  return released;
}

// ---- Server --------------------------------------------------------------------------

struct TSocketcandServer::TClient {
  TClient(uint64_t id, int fd, bool sendingAllowed, size_t limit)
      : Id(id), Fd(fd), Session(sendingAllowed), Out(limit) {}
  uint64_t Id;
  int Fd;
  TSocketcandSession Session;
  TOutputQueue Out;
  SteadyTime::time_point HoldUntil{};
  bool Closing = false;  // write what is queued, then close
  bool Gone = false;
};

TSocketcandServer::TSocketcandServer(BusPort& link, TServerOptions options)
    : link_(link), options_(std::move(options)) {}

TSocketcandServer::~TSocketcandServer() {
  for (auto& c : clients_) close(c->Fd);
  if (listenFd_ >= 0) close(listenFd_);
}

bool TSocketcandServer::Listen(std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(options_.Port);
  if (const int r = getaddrinfo(options_.Address.c_str(), port.c_str(), &hints, &found); r != 0) {
    error = "cannot listen on " + options_.Address + ": " + gai_strerror(r);
    return false;
  }
  listenFd_ = socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, 0);
  const int yes = 1;
  if (listenFd_ >= 0) setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  const bool ok = listenFd_ >= 0 && bind(listenFd_, found->ai_addr, found->ai_addrlen) == 0 &&
                  listen(listenFd_, 16) == 0;
  freeaddrinfo(found);
  if (!ok) {
    error = "cannot listen on " + options_.Address + " port " + port + ": " + std::strerror(errno);
    return false;
  }
  SetNonBlocking(listenFd_);
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
  where_ = AddressText(bound);
  return true;
}

void TSocketcandServer::Accept() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    // A fixed send buffer: the system's growing one would let a client that
    // stops reading hold megabytes of the server's (kernel) memory.
    const int sendBuffer = int(ClientSendBuffer);
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    auto client = std::make_unique<TClient>(nextClient_++, fd, link_.Mode() != TBusMode::ListenOnly, options_.QueueLimit);
    if (clients_.size() >= options_.MaxClients) {
      client->Out.PushReply(" < error too many clients >");
      client->Closing = true;
    } else {
      client->Out.PushReply(Greeting);
    }
    WriteTo(*client);
    clients_.push_back(std::move(client));
  }
}

void TSocketcandServer::ReadFrom(TClient& c, std::vector<TBusFrame>& sends) {
  char buffer[ReadChunk];
  const ssize_t n = recv(c.Fd, buffer, sizeof buffer, 0);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    c.Gone = true;
    return;
  }
  if (n < 0 || c.Closing) return;
  const bool wasRaw = c.Session.RawMode();
  std::string replies;
  const bool keep = c.Session.Feed(std::string_view(buffer, size_t(n)), replies, sends);
  if (!c.Out.PushReply(replies)) c.Gone = true;
  if (!keep) c.Closing = true;
  ApplyPeriodic(c);
  if (!wasRaw && c.Session.RawMode()) {
    WriteTo(c);
    c.HoldUntil = SteadyTime::now() + RawModeHold;
    // A client that comes while the adapter is gone learns it at once.
    if (adapterLostReported_ && !c.Out.PushReply(AdapterLostMessage)) c.Gone = true;
  }
}

void TSocketcandServer::WriteTo(TClient& c) {
  if (c.Gone || SteadyTime::now() < c.HoldUntil) return;
  while (!c.Out.Pending().empty()) {
    const std::string_view pending = c.Out.Pending();
    const ssize_t n = send(c.Fd, pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      c.Out.Consume(size_t(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    c.Gone = true;
    return;
  }
  if (c.Closing) c.Gone = true;
}

// A client's periodic frames go to the adapter's repetition buffers; a
// change the adapter cannot take is answered with an error.
void TSocketcandServer::ApplyPeriodic(TClient& c) {
  using TKind = TPeriodicRequest::TKind;
  for (const TPeriodicRequest& r : c.Session.PeriodicRequests()) {
    const uint32_t canId = r.Frame.CanId;
    int buffer = buffers_.Find(c.Id, canId);
    const char* error = nullptr;
    if (r.Kind == TKind::Add) {
      buffer = buffers_.Claim(c.Id, canId);
      if (buffer == 0) {
        error = " < error all 15 repetition buffers of the adapter are in use >";
      } else if (!link_.SetRepetition(r.Frame, uint8_t(buffer), r.PeriodCode)) {
        buffers_.Release(buffer);
        error = " < error the adapter's repetition buffers are not available >";
      }
    } else if (buffer == 0) {
      error = " < error no periodic frame with this identifier >";
    } else if (r.Kind == TKind::Update) {
      link_.UpdateRepetition(r.Frame, uint8_t(buffer));
    } else {
      link_.SetRepetition(r.Frame, uint8_t(buffer), 0);
      buffers_.Release(buffer);
    }
    if (error != nullptr && !c.Out.PushReply(error)) c.Gone = true;
  }
  c.Session.PeriodicRequests().clear();
}

// Nothing a client set repeating outlives its connection.
void TSocketcandServer::StopRepetitions(TClient& c) {
  for (const int buffer : buffers_.ReleaseAll(c.Id)) link_.SetRepetition(TBusFrame{}, uint8_t(buffer), 0);
}

// Each frame is written once as text and queued to every client in raw
// mode, error frames (bus states included) as socketcand sends them.
void TSocketcandServer::Distribute(const std::vector<TBusFrame>& frames) {
  for (const TBusFrame& f : frames) {
    const std::string line = FrameMessage(f);
    for (auto& c : clients_)
      if (c->Session.RawMode() && !c->Closing) c->Out.PushFrame(line);
  }
}

void TSocketcandServer::Run(const std::atomic<bool>& stop) {
  while (!stop.load()) Step(PollTimeoutMs);
}

void TSocketcandServer::Step(int timeoutMs) {
  fds_.assign(1, pollfd{listenFd_, POLLIN, 0});
  for (auto& c : clients_) {
    const bool writing = !c->Out.Pending().empty() && SteadyTime::now() >= c->HoldUntil;
    fds_.push_back(pollfd{c->Fd, short(POLLIN | (writing ? POLLOUT : 0)), 0});
  }
  poll(fds_.data(), fds_.size(), timeoutMs);
  if (fds_[0].revents & POLLIN) Accept();
  for (size_t i = 1; i < fds_.size() && i - 1 < clients_.size(); ++i)
    if (fds_[i].revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(*clients_[i - 1], sends_);
  // Frames go to the adapter in the order the clients' commands arrived.
  if (!sends_.empty()) link_.Send(sends_);
  sends_.clear();
  frames_.clear();
  const bool readable = link_.Poll(frames_);
  // Every client hears of a lost adapter once, and the server goes on
  // serving: the clients decide whether to wait or to leave.
  if (!readable && !adapterLostReported_) {
    std::fprintf(stderr, "tarvo-bus: serve: the adapter does not answer\n");
    for (auto& c : clients_)
      if (!c->Out.PushReply(AdapterLostMessage)) c->Gone = true;
  }
  adapterLostReported_ = !readable;
  Distribute(frames_);
  for (auto& c : clients_) WriteTo(*c);
  std::erase_if(clients_, [this](const std::unique_ptr<TClient>& c) {
    if (!c->Gone) return false;
    StopRepetitions(*c);
    close(c->Fd);
    return true;
  });
}

}  // namespace tarvo::bus
