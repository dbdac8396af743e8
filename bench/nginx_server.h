#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench_process.h"

namespace vexon::bench {

// nginx serving `root` on a free loopback port, with a configuration, logs and
// temporary folders of its own under `dir`; stopped when this object goes.
class NginxServer {
 public:
  static constexpr const char* kBinary = "/usr/sbin/nginx";

  NginxServer(const std::filesystem::path& dir, const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    if (!fs::exists(kBinary)) return;
    port_ = FreePort();
    fs::create_directories(dir / "tmp");
    const fs::path config = dir / "nginx.conf";
    std::ofstream out(config);
    out << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
        << "error_log " << (dir / "error.log").string() << ";\npid " << (dir / "nginx.pid").string() << ";\n"
        << "events { worker_connections 64; }\nhttp {\n  access_log off;\n  sendfile on;\n  tcp_nopush on;\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
      out << "  " << kind << "_temp_path " << (dir / "tmp").string() << ";\n";
    }
    out << "  server { listen 127.0.0.1:" << port_ << "; root " << root.string() << "; }\n}\n";
    out.close();
    pid_ = Spawn({kBinary, "-p", dir.string(), "-e", (dir / "error.log").string(), "-c", config.string()}, "/dev/null");
    for (int i = 0; i < 200 && pid_ > 0 && !Accepts(port_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ok_ = pid_ > 0 && Accepts(port_);
  }

  ~NginxServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  bool ok() const { return ok_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }

  // A port the kernel just handed out and nobody holds.
  static int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
  }

  static bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    const bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return accepted;
  }

  int port_ = 0;
  pid_t pid_ = -1;
  bool ok_ = false;
};

}  // namespace vexon::bench
