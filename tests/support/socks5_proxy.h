#pragma once
// A minimal SOCKS5 proxy on 127.0.0.1 (CONNECT only) that sends every connection, whatever
// destination the client names, to one local port, and records the destinations asked for.
// With a user name it insists on user/password authentication.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mozhou::testing {

class Socks5Proxy {
 public:
  explicit Socks5Proxy(int targetPort, std::string user = {}, std::string password = {});
  ~Socks5Proxy();
  Socks5Proxy(const Socks5Proxy&) = delete;
  Socks5Proxy& operator=(const Socks5Proxy&) = delete;

  int port() const { return port_; }
  // "host:port" as the clients named them, in arrival order.
  std::vector<std::string> destinations() const;
  // Connections turned away for wrong credentials or an unsupported method.
  int refusals() const { return refusals_; }

 private:
  void acceptLoop();
  void serve(int client);

  int targetPort_;
  std::string user_, password_;
  int listener_ = -1;
  int port_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<int> refusals_{0};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::string> destinations_;
  std::vector<std::thread> workers_;
};

}  // namespace mozhou::testing
