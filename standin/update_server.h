#pragma once
// The update server stand-in on 127.0.0.1: the version page (GBK) and the
// update archive, with byte ranges for resumed downloads.
#include <httplib.h>

#include <string>
#include <vector>

#include "standin/answer_pacing.h"
#include "standin/archive_source.h"
#include "standin/command_line.h"
#include "standin/head_drip_relay.h"
#include "standin/request_log.h"

namespace standin {

inline constexpr const char* kVersionPagePath = "/jiaoben/update/deverira.html";
inline constexpr const char* kArchivePathUtf8 = u8"/jiaoben/update/墨桥翻译.rar";
inline constexpr uint64_t kDefaultArchiveSize = 4 * 1024 * 1024;

struct UpdateOptions {
  int port = 8091;
  std::string version = "1.1";  // UTF-8; written into the page as GBK
  std::string archive_path;     // empty: a generated archive
  uint64_t archive_size = kDefaultArchiveSize;
  bool no_length = false;     // no Content-Length: chunked (HTTP/1.1) or until close (HTTP/1.0)
  bool ignore_range = false;  // always 200 with the whole archive
  int rate_limit_kbps = 0;    // KiB per second for the archive; 0: as fast as possible
  uint64_t stall_after = 0;   // each archive answer stops after this many body bytes and
                              // keeps the connection open; 0: never
  AnswerPacing pacing;        // the archive is held, never dripped
  std::string log_path;
};

using UpdateStartChoice = StartChoice;

UpdateStartChoice parse_update_options(const std::vector<std::string>& args, UpdateOptions& options,
                                       std::string& message);

// The version page in GBK: a small HTML page holding "版本号:" + version + "|".
// False when the version has no GBK form.
bool version_page_gbk(const std::string& version_utf8, std::string& page);

class UpdateServer {
 public:
  UpdateServer(const UpdateOptions& options, ArchiveSource archive);

  // Builds the page, opens the log and binds 127.0.0.1:port (0: any free
  // port). Returns the bound port, or -1 with error.
  int bind(int port, std::string& error);
  void run();
  void stop();
  bool is_running() const { return server_.is_running(); }

 private:
  void handle(const httplib::Request& request, httplib::Response& response);
  void serve_archive(const httplib::Request& request, httplib::Response& response);

  UpdateOptions options_;
  ArchiveSource archive_;
  std::string page_gbk_;
  std::string archive_path_gbk_;
  RequestLog log_;
  PacedAnswers paced_;
  httplib::Server server_;
  HeadDripRelay relay_;
};

}  // namespace standin
