#pragma once
// An SMTP server played from a script, on a loopback port of its own, for
// what real servers rarely do: refusals, odd replies, silence. It accepts
// one connection, sends the greeting, then answers each command received
// with the next reply of the script and records every command.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "update/winsock.h"

namespace test_support {

// One reply: its parts are sent one after another with a pause between, so
// that a reply can arrive in pieces. No parts: the peer stays silent.
using PeerReply = std::vector<std::string>;

// As the last part of a reply: the part before it is sent again and again,
// without pause, until the client stops taking it (a reply without end).
inline const std::string kRepeatForever = "\x01repeat forever";

// What the peer does once its script is played.
enum class AfterScript {
  kStaySilent,   // reads on, answers nothing
  kHangUp,       // closes the connection at the next command
  kStopReading,  // keeps the connection but reads nothing more, so that the
                 // client's sends stall once the buffers are full
};

class ScriptedSmtpPeer {
 public:
  // script[0] is the greeting; script[i] answers the i-th command. After a
  // reply starting with "354" the next command is the mail data up to and
  // including "\r\n.\r\n". After the script, see AfterScript.
  explicit ScriptedSmtpPeer(std::vector<PeerReply> script,
                            AfterScript after_script = AfterScript::kStaySilent,
                            int pause_ms = 300);
  ScriptedSmtpPeer(const ScriptedSmtpPeer&) = delete;
  ScriptedSmtpPeer& operator=(const ScriptedSmtpPeer&) = delete;
  ~ScriptedSmtpPeer();

  int port() const { return port_; }
  // The commands received so far, each without its final CRLF.
  std::vector<std::string> commands() const;

  // A loopback port on which nothing listens.
  static int closed_port();

 private:
  void serve();
  bool send_reply(SOCKET client, const PeerReply& reply);

  update::WinsockSession winsock_;
  update::Socket listener_;
  int port_ = 0;
  AfterScript after_script_;
  int pause_ms_;
  std::vector<PeerReply> script_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::thread thread_;
};

}  // namespace test_support
