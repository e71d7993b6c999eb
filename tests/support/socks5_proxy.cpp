#include "support/socks5_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace mozhou::testing {
namespace {

constexpr int kPollMs = 50;

// Reads exactly n bytes, giving up when the peer closes or the proxy stops.
bool readExact(int fd, void* buffer, std::size_t n, const std::atomic<bool>& stopping) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (n > 0) {
    pollfd pfd{fd, POLLIN, 0};
    if (stopping) return false;
    int r = ::poll(&pfd, 1, kPollMs);
    if (r < 0) return false;
    if (r == 0) continue;
    ssize_t got = ::recv(fd, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

bool writeAll(int fd, const void* buffer, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(buffer);
  while (n > 0) {
    ssize_t put = ::send(fd, p, n, MSG_NOSIGNAL);
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

int connectLocal(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Socks5Proxy::Socks5Proxy(int targetPort, std::string user, std::string password)
    : targetPort_(targetPort), user_(std::move(user)), password_(std::move(password)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(listener_);
    throw std::runtime_error("cannot listen for the test proxy");
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

Socks5Proxy::~Socks5Proxy() {
  stopping_ = true;
  acceptor_.join();
  for (auto& w : workers_) w.join();
  ::close(listener_);
}

std::vector<std::string> Socks5Proxy::destinations() const {
  std::lock_guard lock(mutex_);
  return destinations_;
}

void Socks5Proxy::acceptLoop() {
  while (!stopping_) {
    pollfd pfd{listener_, POLLIN, 0};
    if (::poll(&pfd, 1, kPollMs) <= 0) continue;
    int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard lock(mutex_);
    workers_.emplace_back([this, client] {
      serve(client);
      ::close(client);
    });
  }
}

void Socks5Proxy::serve(int client) {
  // Greeting: version, method count, methods.
  unsigned char head[2];
  if (!readExact(client, head, 2, stopping_) || head[0] != 5) return;
  std::string methods(head[1], '\0');
  if (!readExact(client, methods.data(), methods.size(), stopping_)) return;
  const unsigned char wanted = user_.empty() ? 0x00 : 0x02;
  if (methods.find(static_cast<char>(wanted)) == std::string::npos) {
    ++refusals_;  // counted before the client can see the answer
    const unsigned char none[2] = {5, 0xFF};
    writeAll(client, none, 2);
    return;
  }
  const unsigned char chosen[2] = {5, wanted};
  if (!writeAll(client, chosen, 2)) return;

  if (wanted == 0x02) {
    unsigned char ver[2];
    if (!readExact(client, ver, 2, stopping_) || ver[0] != 1) return;
    std::string user(ver[1], '\0');
    unsigned char plen = 0;
    if (!readExact(client, user.data(), user.size(), stopping_) ||
        !readExact(client, &plen, 1, stopping_))
      return;
    std::string pass(plen, '\0');
    if (!readExact(client, pass.data(), pass.size(), stopping_)) return;
    const bool ok = user == user_ && pass == password_;
    if (!ok) ++refusals_;  // counted before the client can see the answer
    const unsigned char status[2] = {1, static_cast<unsigned char>(ok ? 0 : 1)};
    if (!writeAll(client, status, 2) || !ok) return;
  }

  // Request: version, command, reserved, address type, address, port.
  unsigned char req[4];
  if (!readExact(client, req, 4, stopping_) || req[0] != 5 || req[1] != 1) return;
  std::string host;
  if (req[3] == 3) {
    unsigned char n = 0;
    if (!readExact(client, &n, 1, stopping_)) return;
    host.assign(n, '\0');
    if (!readExact(client, host.data(), n, stopping_)) return;
  } else if (req[3] == 1) {
    unsigned char ip[4];
    if (!readExact(client, ip, 4, stopping_)) return;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, ip, text, sizeof text);
    host = text;
  } else {
    return;
  }
  unsigned char portBytes[2];
  if (!readExact(client, portBytes, 2, stopping_)) return;
  {
    std::lock_guard lock(mutex_);
    destinations_.push_back(host + ":" + std::to_string(portBytes[0] << 8 | portBytes[1]));
  }

  int upstream = connectLocal(targetPort_);
  const unsigned char reply[10] = {5, static_cast<unsigned char>(upstream < 0 ? 5 : 0), 0, 1};
  if (!writeAll(client, reply, sizeof reply) || upstream < 0) {
    if (upstream >= 0) ::close(upstream);
    return;
  }

  // Relay until either side closes.
  char buffer[16384];
  while (!stopping_) {
    pollfd fds[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
    if (::poll(fds, 2, kPollMs) <= 0) continue;
    bool open = true;
    for (int i = 0; i < 2 && open; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t got = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
      open = got > 0 && writeAll(i == 0 ? upstream : client, buffer, static_cast<std::size_t>(got));
    }
    if (!open) break;
  }
  ::close(upstream);
}

}  // namespace mozhou::testing
