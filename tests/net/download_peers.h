#pragma once
// The servers the downloader is tested against, all on 127.0.0.1: nginx for
// static files with ranges, pyftpdlib for FTP, and a small in-process HTTP
// server that records each request and answers with scripted bytes (for
// answers no well-behaved server gives: no length, a cut connection).
#include <winsock2.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_environment.h"

namespace test_support {

// nginx serving folder_unix on port (ranges honoured) and, when
// no_range_port is not 0, the same folder on no_range_port with byte ranges
// switched off (every answer is the whole file with status 200). Every
// request is logged as "<uri> <status> <Range header> <body bytes>".
class NginxPeer {
 public:
  bool start(const std::string& folder_unix, int port, int no_range_port = 0);
  void stop() { process_.stop(); }
  std::string access_log() const;

 private:
  std::string scratch_unix_;
  UnixProcess process_;
};

// pyftpdlib on port, read-only on folder_unix, with the users
// "Anonymous"/"GuestQ@" and "tester"/"secret". With ignore_rest it accepts
// a restart offset and then sends the whole file anyway.
class FtpPeer {
 public:
  bool start(const std::string& folder_unix, int port, bool ignore_rest = false);
  void stop() { process_.stop(); }

 private:
  UnixProcess process_;
};

// One connection at a time: reads a request up to its blank line (and the
// body its Content-Length announces), records it, sends what the responder
// returns and closes the connection.
class ScriptedHttpPeer {
 public:
  using Responder = std::function<std::string(const std::string& request)>;

  ScriptedHttpPeer() = default;
  ScriptedHttpPeer(const ScriptedHttpPeer&) = delete;
  ScriptedHttpPeer& operator=(const ScriptedHttpPeer&) = delete;
  ~ScriptedHttpPeer() { stop(); }

  bool start(int port, Responder responder);
  void stop();
  std::vector<std::string> requests() const;

 private:
  void serve();

  SOCKET listener_ = INVALID_SOCKET;
  Responder responder_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace test_support
