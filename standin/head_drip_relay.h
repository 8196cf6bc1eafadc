#pragma once
// A server that crawls before its answer has even begun: in front of a
// stand-in's HTTP server, on the port clients use, each connection is
// passed through to the server on a free port, and the status line and
// headers of every answer go out one byte every drip_ms, the body after
// them at once. A client that bounds only its wait for the body, or whose
// receive time-out restarts with every byte, stays caught in the headers.
//
// With drip_ms 0 there is no relay: the server binds the clients' port
// itself and runs alone.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace standin {

class HeadDripRelay {
 public:
  explicit HeadDripRelay(int drip_ms) : drip_ms_(drip_ms) {}
  HeadDripRelay(const HeadDripRelay&) = delete;
  HeadDripRelay& operator=(const HeadDripRelay&) = delete;
  ~HeadDripRelay();

  // bind_server(port) binds the server and returns its port or -1. Without
  // a relay it binds port; with one it binds a free port and the relay
  // binds 127.0.0.1:port (0: any free port). Returns the port clients use,
  // or -1 with error set.
  int bind(int port, const std::function<int(int)>& bind_server, std::string& error);
  // Runs serve (the server's blocking loop) and, beside it, the relay, until
  // stop(). Each relayed connection has a thread of its own.
  void run(const std::function<void()>& serve);
  // Ends the relay and every connection through it; the server is stopped
  // by its owner.
  void stop();

 private:
  void accept_loop();
  void relay(int client) const;

  const int drip_ms_;
  int listener_ = -1;
  int server_port_ = -1;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::vector<std::thread> connections_;
};

}  // namespace standin
