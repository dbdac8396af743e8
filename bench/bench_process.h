#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace vexon::bench {

// The build folder: the parent of the folder that holds this benchmark.
inline std::filesystem::path BuildDir() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
}

inline pid_t Spawn(const std::vector<std::string>& args, const std::string& stdoutPath) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// A number from /proc/PID/status ("Threads:", "VmRSS:"); -1 when gone.
inline long ProcStatus(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
  }
  return -1;
}

struct ProcessFigures {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long peakThreads = 0;
  long peakRssKb = 0;
  int exitStatus = -1;
};

// Runs a process to its end, sampling its thread count.
inline ProcessFigures RunMeasured(const std::vector<std::string>& args, const std::string& stdoutPath) {
  ProcessFigures f;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(args, stdoutPath);
  if (pid < 0) return f;
  int status = 0;
  rusage usage{};
  while (true) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    f.peakThreads = std::max(f.peakThreads, ProcStatus(pid, "Threads:"));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.peakRssKb = usage.ru_maxrss;
  f.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  f.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return f;
}

// The port a process wrote into `path`, waiting up to five seconds; empty if none.
inline std::string WaitForPortFile(const std::string& path) {
  std::string port;
  for (int i = 0; i < 200 && port.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::ifstream in(path);
    std::getline(in, port);
  }
  return port;
}

// Starts the stand-in on a free loopback port with `args` besides the port ones;
// "127.0.0.1:PORT", or empty when it did not start. `pid` is the process to stop.
// The stand-in writes what it serves to `stdoutPath`, and at its end how many
// requests it answered.
inline std::string StartStandin(const std::vector<std::string>& args, const std::string& portFile, pid_t& pid,
                                const std::string& stdoutPath = "/dev/null") {
  std::remove(portFile.c_str());
  std::vector<std::string> command = {(BuildDir() / "vexon-standin").string(), "--port", "0", "--port-file", portFile};
  command.insert(command.end(), args.begin(), args.end());
  pid = Spawn(command, stdoutPath);
  const std::string port = WaitForPortFile(portFile);
  return pid < 0 || port.empty() ? std::string() : "127.0.0.1:" + port;
}

}  // namespace vexon::bench
