#include "engine/fetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "app/files.h"
#include "app/wait_hook.h"
#include "engine/page_base.h"
#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any real site's chain of redirects, short enough to end a loop quickly.
constexpr long kMaxRedirects = 10;
// How long one wait for the sockets may last before the wait hook gets another turn.
constexpr int kPollMs = 30;

std::atomic<std::shared_ptr<const FetchConfig>>& configSlot() {
  static std::atomic<std::shared_ptr<const FetchConfig>> slot{
      std::make_shared<const FetchConfig>()};
  return slot;
}

void ensureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A proxy port as typed in the options: a decimal number in the range of ports.
bool parsePort(std::string_view text, long& port) {
  const std::string t = text::trim(text);
  if (t.empty() || t.size() > 5) return false;
  long value = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

// The address as it goes on the wire: its legacy bytes, with every byte that may not appear
// in a request line (non-ASCII, controls, space) percent-encoded. Escapes already present
// are left as they are.
std::string wireAddress(std::string_view address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text::toLegacy(address)) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// State one transfer shares with curl's callbacks.
struct Transfer {
  std::string body;
  std::size_t limit = kMaxResponseBytes;
  bool overflow = false;
  Clock::time_point lastActivity = Clock::now();
  curl_off_t uploaded = 0;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t len = size * count;
  t->lastActivity = Clock::now();
  if (len > t->limit - t->body.size()) {
    t->overflow = true;
    return CURL_WRITEFUNC_ERROR;
  }
  try {
    t->body.append(data, len);
  } catch (...) {
    return CURL_WRITEFUNC_ERROR;
  }
  return len;
}

std::size_t onHeader(char*, std::size_t size, std::size_t count, void* user) {
  static_cast<Transfer*>(user)->lastActivity = Clock::now();
  return size * count;
}

// A form being sent counts as activity too, so a slow upload is not taken for a stall.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
  auto* t = static_cast<Transfer*>(user);
  if (ulnow != t->uploaded) {
    t->uploaded = ulnow;
    t->lastActivity = Clock::now();
  }
  return 0;
}

struct EasyHandle {
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  curl_slist* headers = nullptr;
  bool added = false;
  EasyHandle() = default;
  EasyHandle(const EasyHandle&) = delete;
  EasyHandle& operator=(const EasyHandle&) = delete;
  ~EasyHandle() {
    if (added) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    if (headers) curl_slist_free_all(headers);
  }
};

void applyProxy(CURL* easy, const FetchConfig& config, long port) {
  if (config.useproxy != "1" || config.proxyserver.empty()) {
    // An empty proxy also keeps curl from picking one up from the environment.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    return;
  }
  curl_easy_setopt(easy, CURLOPT_PROXY, config.proxyserver.c_str());
  curl_easy_setopt(easy, CURLOPT_PROXYPORT, port);
  bool sendCredentials = false;
  if (config.proxytype == "0") {
    curl_easy_setopt(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_SOCKS5_HOSTNAME));
    sendCredentials = true;
  } else {
    curl_easy_setopt(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    if (config.proxytype == "1") {
      curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_BASIC));
      sendCredentials = true;
    }
  }
  if (sendCredentials && !config.proxyuser.empty()) {
    // curl copies option strings, so the converted temporaries may go at once.
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, text::toLegacy(config.proxyuser).c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, text::toLegacy(config.proxypass).c_str());
  }
}

HttpResult perform(std::string_view address, const std::vector<std::string>* form, int timeoutMs,
                   const FetchConfig& config, long proxyPort) {
  HttpResult result;
  ensureCurl();
  EasyHandle h;
  if (!h.easy || !h.multi) {
    result.error = "curl could not be initialised";
    return result;
  }
  CURL* easy = h.easy;
  char errorText[CURL_ERROR_SIZE] = {};
  Transfer transfer;
  const std::string url = wireAddress(address);
  const std::string body = form && !form->empty() ? formBody(*form) : std::string();

  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxResponseBytes));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  // Forms are small; waiting for "100 Continue" would only add a round trip or a stall.
  h.headers = curl_slist_append(nullptr, "Expect:");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, h.headers);
  applyProxy(easy, config, proxyPort);
  if (form && !form->empty()) {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body.c_str());
  }

  if (curl_multi_add_handle(h.multi, easy) != CURLM_OK) {
    result.error = "curl refused the transfer";
    return result;
  }
  h.added = true;

  const auto idleLimit = std::chrono::milliseconds(timeoutMs);
  transfer.lastActivity = Clock::now();
  bool finished = false;
  CURLcode code = CURLE_OK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(h.multi, &running) != CURLM_OK) {
      result.error = "curl transfer failed";
      return result;
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(h.multi, &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
        finished = true;
        code = msg->data.result;
      }
    }
    if (finished) break;
    if (running == 0) {
      result.error = "transfer ended without a result";
      return result;
    }
    if (Clock::now() - transfer.lastActivity > idleLimit) {
      result.error = "read timeout";
      return result;
    }
    if (curl_multi_poll(h.multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK) {
      result.error = "curl poll failed";
      return result;
    }
    // Any data that arrives while the hook runs is read by the next perform, before the
    // idle clock is looked at again.
    app::runWaitHook();
  }

  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
  if (transfer.overflow || code == CURLE_FILESIZE_EXCEEDED) {
    result.error = "response larger than the limit";
    return result;
  }
  if (code != CURLE_OK) {
    result.error = errorText[0] ? errorText : curl_easy_strerror(code);
    return result;
  }
  if (result.status >= 400) {
    result.error = "HTTP status " + std::to_string(result.status);
    return result;
  }
  result.ok = true;
  result.body = std::move(transfer.body);
  return result;
}

}  // namespace

void setFetchConfig(FetchConfig config) {
  configSlot().store(std::make_shared<const FetchConfig>(std::move(config)));
}

FetchConfig fetchConfig() { return *configSlot().load(); }

std::optional<HttpClient> creathttp(int timeoutMs) {
  try {
    HttpClient client;
    client.timeoutMs_ = timeoutMs > 0 ? timeoutMs : kDefaultReadTimeoutMs;
    client.config_ = fetchConfig();
    if (client.config_.useproxy == "1" && !parsePort(client.config_.proxyport, client.proxyPort_))
      return std::nullopt;
    return client;
  } catch (...) {
    return std::nullopt;
  }
}

HttpResult HttpClient::request(std::string_view address,
                               const std::vector<std::string>* form) const {
  try {
    return perform(address, form, timeoutMs_, config_, proxyPort_);
  } catch (const std::exception& e) {
    HttpResult failed;
    failed.error = e.what();
    return failed;
  } catch (...) {
    HttpResult failed;
    failed.error = "unexpected failure";
    return failed;
  }
}

std::string opurl(std::string_view address, const std::vector<std::string>* form, int timeoutMs,
                  int baseFlag) {
  try {
    if (baseFlag == 1) setPageBase(getup(address));
    auto client = creathttp(timeoutMs);
    if (!client) return {};
    HttpResult r = client->request(address, form);
    if (!r.ok) return {};
    std::string& bytes = r.body;
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\n'), bytes.end());
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    return text::fromLegacy(bytes);
  } catch (...) {
    return {};
  }
}

std::optional<std::string> fetchBytes(std::string_view address, int timeoutMs) {
  try {
    auto client = creathttp(timeoutMs);
    if (!client) return std::nullopt;
    HttpResult r = client->request(address);
    if (!r.ok) return std::nullopt;
    return std::move(r.body);
  } catch (...) {
    return std::nullopt;
  }
}

std::string formEncode(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = text::toLegacy(utf8);
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char c : bytes) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string formBody(const std::vector<std::string>& form) {
  std::string out;
  for (const std::string& line : form) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      out += line;
      out += '=';
    } else {
      out.append(line, 0, eq + 1);
      out += formEncode(std::string_view(line).substr(eq + 1));
    }
    if (form.size() > 1) out += '&';
  }
  return out;
}

std::string getup(std::string_view address) {
  const std::size_t cut = address.find_last_of("/\\:");
  if (cut == std::string_view::npos) return {};
  std::string base(address.substr(0, cut + 1));
  std::replace(base.begin(), base.end(), '\\', '/');
  return base;
}

std::string geturlcans(std::string_view address, std::string_view name) {
  for (const char lead : {'?', '&'}) {
    std::string key(1, lead);
    key.append(name);
    key += '=';
    const std::size_t at = address.find(key);
    if (at == std::string_view::npos) continue;
    const std::size_t start = at + key.size();
    const std::size_t end = address.find('&', start);
    return std::string(address.substr(start, end == std::string_view::npos ? end : end - start));
  }
  return {};
}

std::string readtxt(const std::filesystem::path& path) {
  try {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return {};
    return app::readTextFile(path).value_or(std::string());
  } catch (...) {
    return {};
  }
}

void Delayx(int ms) {
  for (long long counted = 0; counted < ms; counted += 100) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    try {
      app::runWaitHook();
    } catch (...) {
      // The pause itself must go on; a failing hook is the hook's affair.
    }
  }
}

}  // namespace mozhou::engine
