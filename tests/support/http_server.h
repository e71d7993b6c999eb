#pragma once
// A real HTTP (or HTTPS, with a freshly made self-signed certificate) server on 127.0.0.1,
// on a free port, served from its own thread. Register handlers, then start(); every request
// that reaches a handler is recorded with its headers and body before the handler runs.
#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace mozhou::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // as written on the request line
  std::string path;    // decoded, without the query
  httplib::Headers headers;
  std::string body;

  bool hasHeader(std::string_view name) const;
  std::string header(std::string_view name) const;  // empty when absent
};

// The bytes of a gzip stream holding `data`, for responses sent with Content-Encoding gzip.
std::string gzip(std::string_view data);

class HttpServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  enum class Tls { None, SelfSigned };

  explicit HttpServer(Tls tls = Tls::None);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Patterns are httplib's regular expressions over the decoded path; register before start().
  HttpServer& get(const std::string& pattern, Handler handler);
  HttpServer& post(const std::string& pattern, Handler handler);

  void start();
  // Ends serving; handlers that wait should watch stopping() so that this returns promptly.
  void stop();
  bool stopping() const { return stopping_; }

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" (or https) followed by `path`.
  std::string url(std::string_view path = "/") const;

  std::size_t requestCount() const;
  RecordedRequest lastRequest() const;  // a default one when none came yet
  std::vector<RecordedRequest> requests() const;

 private:
  Handler recorded(Handler handler);

  bool tls_ = false;
  std::unique_ptr<httplib::Server> server_;
  int port_ = -1;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
};

}  // namespace mozhou::testing
