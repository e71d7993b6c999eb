#pragma once
// Every page the program reads from the web comes through here (libcurl underneath).
// Fetches block the calling thread; on a thread with a wait hook (app/wait_hook.h) the hook
// runs every few tens of milliseconds while the transfer waits.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::engine {

// The HTTP client settings of the settings file, section proxyset, as text values.
struct FetchConfig {
  std::string useproxy = "0";
  std::string proxytype = "1";  // "0" SOCKS5, "1" HTTP proxy with basic authentication
  std::string proxyserver = "";
  std::string proxyport = "";  // 1 to 65535, blanks around it allowed
  std::string proxyuser = "";
  std::string proxypass = "";
};

// Installed by the main thread whenever the proxy settings change; read whole by fetches.
void setFetchConfig(FetchConfig config);
FetchConfig fetchConfig();

inline constexpr int kDefaultReadTimeoutMs = 30000;
// Largest response body accepted (pages, pictures, rule files); larger transfers fail.
inline constexpr std::size_t kMaxResponseBytes = 32u * 1024 * 1024;

struct HttpResult {
  bool ok = false;
  long status = 0;
  std::string body;  // raw bytes
  std::string error;
};

// A configured client for one request: redirects followed, no User-Agent header, read
// timeout (timeoutMs <= 0 means the default), proxy from the FetchConfig. nullopt when the
// configuration is unusable (a proxy port that is not a whole number).
class HttpClient;
std::optional<HttpClient> creathttp(int timeoutMs);

class HttpClient {
 public:
  // GET, or POST of `form` (lines "name=value", encoded in the legacy code page) when the
  // form's text is not empty. The address goes out in its legacy form, with bytes a request
  // line cannot carry percent-encoded. Never throws.
  HttpResult request(std::string_view address,
                     const std::vector<std::string>* form = nullptr) const;

  int timeoutMs() const { return timeoutMs_; }

 private:
  friend std::optional<HttpClient> creathttp(int timeoutMs);
  HttpClient() = default;
  int timeoutMs_ = kDefaultReadTimeoutMs;
  FetchConfig config_;
  long proxyPort_ = 0;
};

// Page text: the body decoded from the legacy code page with every LF, then every CR,
// removed; empty text on any failure. baseFlag 1 sets the page base to getup(address)
// before the request is sent.
std::string opurl(std::string_view address, const std::vector<std::string>* form = nullptr,
                  int timeoutMs = 0, int baseFlag = 1);

// Raw bytes of an address (pictures, the rule file); nullopt on any failure.
std::optional<std::string> fetchBytes(std::string_view address, int timeoutMs = 0);

// Form encoding of one value: bytes of its legacy form, letters and digits kept, space "+",
// everything else "%XX" upper-case.
std::string formEncode(std::string_view utf8);

// The body POSTed for a form: per line the name (text before the first "=", sent as it is),
// "=" and the encoded value; with two or more fields every field is followed by "&".
std::string formBody(const std::vector<std::string>& form);

// Base path of an address: up to and including its last "/", "\" or ":".
std::string getup(std::string_view address);

// Value of one query parameter ("?name=" first, then "&name="); empty when absent.
std::string geturlcans(std::string_view address, std::string_view name);

// A text file of the program read whole, lines ended by CR LF; empty on any failure.
std::string readtxt(const std::filesystem::path& path);

// A pause that keeps the thread's wait hook running; rounded up to 100 ms steps.
void Delayx(int ms);

}  // namespace mozhou::engine
