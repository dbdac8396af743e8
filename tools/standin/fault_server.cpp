#include "standin/fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "text/strings.h"

namespace vexon::standin {
namespace {

constexpr size_t kMaxRequestHead = 64 * 1024;
constexpr int kPollMs = 50;

bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string HeaderValue(std::string_view head, std::string_view name) {
  size_t pos = head.find("\r\n");
  while (pos != std::string_view::npos && pos + 2 < head.size()) {
    const size_t end = head.find("\r\n", pos + 2);
    const std::string_view line = head.substr(pos + 2, end == std::string_view::npos ? end : end - pos - 2);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && text::EqualsNoCase(text::Trim(line.substr(0, colon)), name)) {
      return std::string(text::Trim(line.substr(colon + 1)));
    }
    pos = end;
  }
  return {};
}

}  // namespace

RawScript TrickledHead(std::chrono::milliseconds interval) {
  return RawScript{{{"HTTP/1.1 200 OK\r\n", interval, 1}, {"X-Still-Coming: 1\r\n", interval, 0}}};
}

RawScript EndlessBody(std::string_view contentType) {
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentType) +
                           "\r\nLast-Modified: Thu, 04 May 2006 03:02:01 GMT\r\nConnection: close\r\n\r\n";
  return RawScript{
      {{head, std::chrono::milliseconds(0), 1}, {std::string(64 * 1024, 'x'), std::chrono::milliseconds(0), 0}}};
}

RawScript Silence() {
  return RawScript{{{"", std::chrono::hours(24), 1}}};
}

RawScript Answer(std::string_view head, std::string_view body) {
  return RawScript{{{std::string(head) + "\r\n\r\n" + std::string(body), std::chrono::milliseconds(0), 1}}};
}

class FaultServer::Impl {
 public:
  ~Impl() { Stop(); }

  bool Start() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 128) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ::close(listener_);
      listener_ = -1;
      return false;
    }
    port_ = ntohs(address.sin_port);
    stopping_ = false;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      for (int fd : open_) ::shutdown(fd, SHUT_RDWR);
    }
    wake_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> connections;
    {
      std::lock_guard lock(mutex_);
      connections.swap(connections_);
    }
    for (std::thread& t : connections) t.join();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
  }

  int port() const { return port_; }

  void SetScripts(const std::string& path, std::vector<RawScript> scripts) {
    std::lock_guard lock(mutex_);
    scripts_[path] = Turns{std::move(scripts), 0};
  }

  std::vector<RawRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  int openConnections() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(open_.size());
  }

 private:
  bool Stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
  }

  void AcceptLoop() {
    while (!Stopping()) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, kPollMs) <= 0) continue;
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard lock(mutex_);
      if (stopping_) {
        ::close(fd);
        break;
      }
      open_.push_back(fd);
      connections_.emplace_back([this, fd] { Serve(fd); });
    }
  }

  // The request head, or empty when the client left or the server stops first.
  std::string ReadHead(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHead) {
      if (Stopping()) return {};
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, kPollMs) <= 0) continue;
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return {};
      head.append(buffer, static_cast<size_t>(n));
    }
    return head;
  }

  // Pauses unless the server stops first.
  bool Pause(std::chrono::milliseconds pause) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, pause, [&] { return stopping_; });
  }

  void Play(int fd, const RawScript& script) {
    for (const RawStep& step : script.steps) {
      for (int i = 0; step.repeat == 0 || i < step.repeat; ++i) {
        if (Stopping() || (!step.bytes.empty() && !SendAll(fd, step.bytes))) return;
        if (step.pause.count() > 0 && !Pause(step.pause)) return;
      }
    }
  }

  void Serve(int fd) {
    const std::string head = ReadHead(fd);
    if (!head.empty()) {
      RawRequest request;
      const size_t sp1 = head.find(' ');
      const size_t sp2 = sp1 == std::string::npos ? sp1 : head.find(' ', sp1 + 1);
      if (sp2 != std::string::npos) request.target = head.substr(sp1 + 1, sp2 - sp1 - 1);
      request.range = HeaderValue(head, "Range");
      const std::string path = request.target.substr(0, request.target.find('?'));
      RawScript script = Answer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close", "");
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        const auto it = scripts_.find(path);
        if (it != scripts_.end() && !it->second.scripts.empty()) {
          Turns& turns = it->second;
          script = turns.scripts[std::min(turns.next, turns.scripts.size() - 1)];
          ++turns.next;
        }
      }
      Play(fd, script);
    }
    std::lock_guard lock(mutex_);
    std::erase(open_, fd);
    ::close(fd);
  }

  int listener_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread acceptor_;
  std::vector<std::thread> connections_;
  std::vector<int> open_;
  // The answers for one path, and which of them the next request gets.
  struct Turns {
    std::vector<RawScript> scripts;
    size_t next = 0;
  };
  std::map<std::string, Turns> scripts_;
  std::vector<RawRequest> requests_;
};

FaultServer::FaultServer() : impl_(std::make_unique<Impl>()) {}
FaultServer::~FaultServer() = default;
bool FaultServer::Start() {
  return impl_->Start();
}
void FaultServer::Stop() {
  impl_->Stop();
}
int FaultServer::Port() const {
  return impl_->port();
}
std::string FaultServer::Url(std::string_view target) const {
  return "http://127.0.0.1:" + std::to_string(impl_->port()) + std::string(target);
}
void FaultServer::SetScript(const std::string& path, RawScript script) {
  std::vector<RawScript> scripts;
  scripts.push_back(std::move(script));
  impl_->SetScripts(path, std::move(scripts));
}
void FaultServer::SetScripts(const std::string& path, std::vector<RawScript> scripts) {
  impl_->SetScripts(path, std::move(scripts));
}
std::vector<RawRequest> FaultServer::Requests() const {
  return impl_->Requests();
}
int FaultServer::openConnections() const {
  return impl_->openConnections();
}

}  // namespace vexon::standin
