#pragma once
// A plain socketcand client over TCP for the server's tests and benchmark:
// it connects, sends texts as they stand, and reads what the server sends into
// one buffer. Every wait is bounded. What has been waited for or consumed is
// passed over by later waits; Unread() is the rest.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>

namespace tarvo::test {

class SocketcandClient {
 public:
  SocketcandClient() = default;
  // "host:port" as the server gives it.
  explicit SocketcandClient(const std::string& where) { Connect(where); }
  ~SocketcandClient() {
    if (fd_ >= 0) close(fd_);
  }
  SocketcandClient(const SocketcandClient&) = delete;
  SocketcandClient& operator=(const SocketcandClient&) = delete;

  bool Connect(const std::string& where) {
    const size_t colon = where.rfind(':');
    if (colon == std::string::npos) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(std::stoi(where.substr(colon + 1))));
    if (inet_pton(AF_INET, where.substr(0, colon).c_str(), &a.sin_addr) != 1) return false;
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    return connected_;
  }
  bool Connected() const { return connected_; }

  // True when the whole text went out.
  bool Send(std::string_view text) {
    return send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == ssize_t(text.size());
  }

  // Reads until text has arrived after what was consumed (true; the text is
  // then consumed) or the time is up or the server closed (false).
  bool WaitFor(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received_.find(text, read_) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadOnce(int(left.count()))) return false;
    }
    read_ = received_.find(text, read_) + text.size();
    return true;
  }

  // The greeting, "can0" opened and raw mode, each answered as it must be.
  bool OpenRawMode() {
    return WaitFor("< hi >") && Send("< open can0 >") && WaitFor("< ok >") && Send("< rawmode >") &&
           WaitFor("< ok >");
  }

  // One read of what the server has sent, waiting at most timeoutMs; false
  // when nothing came or the server closed.
  bool ReadOnce(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    char buffer[65536];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) closed_ = true;
    if (n <= 0) return false;
    received_.append(buffer, size_t(n));
    return true;
  }
  // True once a read found the connection closed by the server.
  bool Closed() const { return closed_; }

  // Everything received so far, and the part not yet consumed.
  const std::string& Received() const { return received_; }
  std::string_view Unread() const { return std::string_view(received_).substr(read_); }
  // Consumes n bytes of Unread(); the buffer drops what was consumed once it
  // grows, so a client reading a loaded bus for long keeps little memory.
  void Consume(size_t n) {
    read_ += n;
    if (read_ > (1u << 20)) {
      received_.erase(0, read_);
      read_ = 0;
    }
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  std::string received_;
  size_t read_ = 0;
};

}  // namespace tarvo::test
