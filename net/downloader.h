#pragma once
// Copies one remote file (HTTP, HTTPS or FTP) into a local file block by
// block through WinINet, reporting progress after every block, and can
// continue an interrupted copy: over HTTP with a byte range, over FTP by
// asking the server to restart at an offset.
//
// The local file is only ever built from bytes the server confirmed as the
// file itself: an error answer never reaches it, a server that ignores the
// range or the restart offset makes the file start over, and an incomplete
// transfer is reported as a failure that a later resumed call can continue.
//
// A transfer is bounded: its handles carry the time-outs of the program's
// other exchanges, and a transfer that receives no byte for its stall limit
// (platform::kDownloadStallMs) fails and keeps its part. Another thread may
// cancel it through a TransferControl.
#include <cstdint>
#include <functional>
#include <string>

#include "net/transfer_control.h"
#include "runtime/file_path.h"

namespace net {

// Progress after every block, on the downloading thread. The byte counters
// are 64-bit inside the downloader; the callback gets their low 32 bits.
//   total      size of the file being built, resumed part included. When the
//              server announces no length it is the bytes present so far,
//              so it never falls below done.
//   done       bytes present in the local file, resumed part included
//   elapsed_ms milliseconds since the first block was requested, never 0
//              (a measured 0 is passed as 10)
//   done_now   bytes received by this transfer (done minus the resume offset)
using DownloadProgress = std::function<void(std::int32_t total, std::int32_t done,
                                            std::int32_t elapsed_ms, std::int32_t done_now)>;

// Identifies one version of a remote file, so that a resumed copy continues
// only the file its first part came from.
struct FileValidator {
  std::string etag;           // the entity tag as the server sent it, quotes included
  std::string last_modified;  // the modification date as the server sent it
  std::int64_t size = -1;     // the whole file's size; -1 when not known
  bool empty() const { return etag.empty() && last_modified.empty() && size < 0; }
};

// What a resumed HTTP copy checks, and whom it tells which file it writes.
struct ResumeCheck {
  // The version the bytes already present came from. When it is known, the
  // request names it (If-Range), and an answer for any other version makes
  // the copy start over at byte 0. Empty: the present bytes are trusted.
  FileValidator part_of;
  // Told the version of the file being written once the answer has been
  // accepted, before the local file is touched.
  std::function<void(const FileValidator& file)> on_file;
};

// Results of Downloader::download_http.
enum HttpDownloadResult : int {
  kHttpComplete = 0,
  kHttpOpenInternetFailed = -1,
  kHttpOpenUrlFailed = -2,        // no connection, or no answer
  kHttpOpenLocalFileFailed = -3,
  kHttpReadFailed = -4,           // also: the answer ended before its announced length
  kHttpServerRefused = -5,        // status other than 2xx, or a range other than the one asked
                                  // for; the local file was not touched
  kHttpWriteLocalFileFailed = -6,
  kHttpTooLong = -7,              // more bytes came than the answer announced; the local
                                  // file keeps only the bytes it held before the transfer
  kHttpCancelled = -8,            // cancelled through its TransferControl; the part stays
};

// Results of Downloader::download_ftp.
enum FtpDownloadResult : int {
  kFtpComplete = 0,
  kFtpOpenInternetFailed = -1,
  kFtpConnectFailed = -2,         // no connection, or the login was refused
  kFtpRemoteFileNotFound = -3,
  kFtpReadFailed = -4,            // opening the remote file, a read, or fewer bytes than listed
  kFtpRestartRefused = -5,        // the server would not continue at the resume offset, or
                                  // sent bytes that neither continue the part nor begin the
                                  // file (the part is then dropped: it is not the file's)
  kFtpOpenLocalFileFailed = -6,
  kFtpWriteLocalFileFailed = -7,
  kFtpTooLong = -8,               // more bytes came than the listed size; the local file
                                  // keeps only the bytes it held before
  kFtpCancelled = -9,             // cancelled through its TransferControl; the part stays
};

class Downloader {
 public:

  // Copies url ("http://" or "https://", GBK) into the local file path.
  // Without resume the file is created or emptied. With resume and an offset
  // of bytes already present, the server is asked for the rest with
  // "Range:bytes=<offset>-" and the new bytes are written after the first
  // offset bytes of the file. Resuming with an offset below 1, an offset
  // beyond the local file's size, no local file at all, or a part longer
  // than the server's whole file starts a fresh copy from byte 0. A server
  // that answers the range with the whole file (status 200) makes the file
  // start over, and so does, with check.part_of known, an answer for another
  // version of the file. Returns an HttpDownloadResult.
  //
  // With control given, control->cancel() from any thread ends the transfer
  // (kHttpCancelled); the object must outlive the call.
  int download_http(const std::string& url, const runtime::FilePath& path,
                    const DownloadProgress& progress = {}, std::int64_t offset = 0,
                    bool resume = false, const ResumeCheck& check = {},
                    TransferControl* control = nullptr);

  // Copies "ftp://host[:port]/dir/name" into path; user and password default
  // to "Anonymous" and "GuestQ@" when empty. Resuming works as for HTTP:
  // the server is asked to restart a little before offset, and the bytes it
  // sends first must equal the end of the part; a server that ignored the
  // offset and sent the file from its start makes the file start over.
  // control as for download_http. Returns an FtpDownloadResult.
  int download_ftp(const std::string& url, const runtime::FilePath& path,
                   const std::string& user = {}, const std::string& password = {},
                   const DownloadProgress& progress = {}, std::int64_t offset = 0,
                   bool resume = false, TransferControl* control = nullptr);

  // The URL of the latest transfer.
  std::string url;
  // The handle value of the local file opened by the latest transfer; 0 when
  // opening it failed or no transfer opened one.
  std::intptr_t file_number = 0;
};

}  // namespace net
