#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexon::standin {

// A piece of a raw answer: `bytes` sent as they stand, then `pause`; done `repeat`
// times, or for as long as the client listens when `repeat` is 0.
struct RawStep {
  std::string bytes;
  std::chrono::milliseconds pause{0};
  int repeat = 1;
};

// An answer written byte for byte, for what no HTTP library would send: headers a
// line at a time, a body without end, an absurd length, silence. The connection
// closes after the last step.
struct RawScript {
  std::vector<RawStep> steps;
};

// A status line and headers every few `interval`, without ever ending the head.
RawScript TrickledHead(std::chrono::milliseconds interval);
// A 200 answer of `contentType` without a length whose body never ends.
RawScript EndlessBody(std::string_view contentType);
// A connection that is accepted and never answered.
RawScript Silence();
// `head` (status line and header lines, without the blank line) and `body`.
RawScript Answer(std::string_view head, std::string_view body);

// What a request to the fault server asked for.
struct RawRequest {
  std::string target;
  std::string range;  // the Range header's value
};

// The stand-in's server of hostile answers, on a loopback port of its own: each
// connection reads one request head and plays the script set for its path (404
// for others).
class FaultServer final {
 public:
  FaultServer();
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  bool Start();
  // Ends every pause, closes every connection and joins the threads.
  void Stop();

  int Port() const;
  std::string Url(std::string_view target) const;
  // The answer to every request for `path`.
  void SetScript(const std::string& path, RawScript script);
  // The answers to the requests for `path` in turn, from the first again when set
  // again; the last one answers every later request.
  void SetScripts(const std::string& path, std::vector<RawScript> scripts);
  std::vector<RawRequest> Requests() const;
  // Connections whose script is still playing.
  int openConnections() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vexon::standin
