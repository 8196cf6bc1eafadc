#include "tests/update/smtp_peer_process.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace test_support {
namespace {

std::string read_unix_file(const std::string& unix_path) {
  std::ifstream in(to_windows_path(unix_path), std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool unix_file_exists(const std::string& unix_path) {
  return GetFileAttributesA(to_windows_path(unix_path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

SmtpPeer::SmtpPeer(int port, const std::string& user, const std::string& password,
                   const std::string& mechanisms, bool refuse_mail, int data_delay_ms)
    : port_(port), outdir_(scratch_dir_unix("smtp-peer")) {
  process_.start("exec /usr/bin/python3 '" + source_dir_unix() + "/tests/update/smtp_peer.py' --port " +
                 std::to_string(port_) + " --user '" + user + "' --password '" + password +
                 "' --outdir '" + outdir_ + "' --mechanisms " + mechanisms +
                 (refuse_mail ? " --refuse-mail" : "") + " --data-delay-ms " +
                 std::to_string(data_delay_ms) + " 2>'" + outdir_ + "/peer.log'");
}

bool SmtpPeer::ready() { return wait_for_port(port_, 15000); }

std::string SmtpPeer::auth_log() const { return read_unix_file(outdir_ + "/auth.log"); }

std::string SmtpPeer::mail_path(int n, const char* extension) const {
  return outdir_ + "/mail-" + std::to_string(n) + extension;
}

bool SmtpPeer::has_mail(int n) const { return unix_file_exists(mail_path(n, ".eml")); }

std::map<std::string, std::string> SmtpPeer::mail(int n) const {
  std::map<std::string, std::string> items;
  if (!wait_until([&] { return has_mail(n); }, 5000)) return items;
  const std::string summary = outdir_ + "/summary-" + std::to_string(n);
  if (run_unix("mkdir -p '" + summary + "' && /usr/bin/python3 '" + source_dir_unix() +
               "/tests/update/mail_summary.py' '" + mail_path(n, ".eml") + "' '" + summary +
               "'") != 0) {
    return items;
  }
  for (const char* name : {"subject", "body", "charset", "transfer_encoding", "date", "date_epoch",
                           "from", "to", "cc", "reply_to", "header_names", "defects"}) {
    items[name] = read_unix_file(summary + "/" + name);
  }
  items["envelope"] = read_unix_file(mail_path(n, ".envelope"));
  return items;
}

}  // namespace test_support
