#include "support/http_server.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <chrono>
#include <stdexcept>

namespace mozhou::testing {
namespace {

// A throw-away P-256 key and a certificate for 127.0.0.1 signed by itself: valid for a day,
// trusted by nobody.
std::unique_ptr<httplib::Server> makeSelfSignedServer() {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
  std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
  if (!key || !cert) throw std::runtime_error("cannot make a test key");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0)
    throw std::runtime_error("cannot sign the test certificate");
  // The server's context takes its own references.
  auto server = std::make_unique<httplib::SSLServer>(cert.get(), key.get());
  if (!server->is_valid()) throw std::runtime_error("TLS server not usable");
  return server;
}

}  // namespace

std::string gzip(std::string_view data) {
  std::string out;
  httplib::detail::gzip_compressor compressor;
  const bool ok = compressor.compress(data.data(), data.size(), true, [&](const char* p, size_t n) {
    out.append(p, n);
    return true;
  });
  if (!ok) throw std::runtime_error("gzip failed");
  return out;
}

// Header maps compare names without regard to case.
bool RecordedRequest::hasHeader(std::string_view name) const {
  return headers.find(std::string(name)) != headers.end();
}

std::string RecordedRequest::header(std::string_view name) const {
  auto it = headers.find(std::string(name));
  return it == headers.end() ? std::string() : it->second;
}

HttpServer::HttpServer(Tls tls) : tls_(tls == Tls::SelfSigned) {
  server_ = tls_ ? makeSelfSignedServer() : std::make_unique<httplib::Server>();
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ < 0) throw std::runtime_error("cannot bind a test server");
}

HttpServer::~HttpServer() { stop(); }

HttpServer::Handler HttpServer::recorded(Handler handler) {
  return [this, handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({req.method, req.target, req.path, req.headers, req.body});
    }
    handler(req, res);
  };
}

HttpServer& HttpServer::get(const std::string& pattern, Handler handler) {
  server_->Get(pattern, recorded(std::move(handler)));
  return *this;
}

HttpServer& HttpServer::post(const std::string& pattern, Handler handler) {
  server_->Post(pattern, recorded(std::move(handler)));
  return *this;
}

void HttpServer::start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only works once the accept loop runs.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void HttpServer::stop() {
  if (stopping_.exchange(true)) return;
  // The listening socket is only closed when the accept loop ends, so a server that never
  // ran is started to be stopped.
  if (!thread_.joinable()) start();
  server_->stop();
  thread_.join();
}

std::string HttpServer::url(std::string_view path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
         std::string(path);
}

std::size_t HttpServer::requestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

RecordedRequest HttpServer::lastRequest() const {
  std::lock_guard lock(mutex_);
  return requests_.empty() ? RecordedRequest{} : requests_.back();
}

std::vector<RecordedRequest> HttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

}  // namespace mozhou::testing
