// Downloader::download_ftp: log in, look the file up for its size, ask the
// server to restart at the resume offset, then read the file.
#include <windows.h>
#include <wininet.h>

#include <string>

#include "net/downloader.h"
#include "net/downloader_transfer.h"
#include "net/ftp_url.h"
#include "platform/internet_handle.h"
#include "runtime/codepage.h"
#include "runtime/text.h"

namespace net {
namespace {

constexpr char kDefaultUser[] = "Anonymous";
constexpr char kDefaultPassword[] = "GuestQ@";

// The remote size from a directory listing; -1 when the file is not there.
std::int64_t remote_file_size(HINTERNET connection, const std::wstring& remote_path) {
  WIN32_FIND_DATAW found{};
  // The find handle is closed before anything else happens on the
  // connection: WinINet runs one FTP operation per connection at a time.
  platform::InternetHandle find(
      FtpFindFirstFileW(connection, remote_path.c_str(), &found, INTERNET_FLAG_RELOAD, 0));
  if (!find) return -1;
  return (static_cast<std::int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

bool send_command(HINTERNET connection, const std::string& command) {
  return FtpCommandW(connection, FALSE, FTP_TRANSFER_TYPE_BINARY, runtime::widen(command).c_str(),
                     0, nullptr) != FALSE;
}

// Asks the server to begin the next transfer at offset. InternetSetFilePointer
// cannot do this: it works on HTTP handles only (Wine's does nothing at
// all), which would append a whole copy to the part already present. Many
// servers accept a restart offset in binary mode only, so that comes first.
bool restart_at(HINTERNET connection, std::int64_t offset) {
  return send_command(connection, "TYPE I") &&
         send_command(connection, "REST " + runtime::int_to_text(offset));
}

}  // namespace

int Downloader::download_ftp(const std::string& url_text, const runtime::FilePath& path,
                             const std::string& user, const std::string& password,
                             const DownloadProgress& progress, std::int64_t offset, bool resume) {
  url = url_text;
  file_number = 0;
  const std::string login_user = user.empty() ? kDefaultUser : user;
  const std::string login_password = password.empty() ? kDefaultPassword : password;
  const FtpLocation location = parse_ftp_url(url);
  const std::wstring remote_path = runtime::widen(location.dir + ftp_file_name(url));
  std::int64_t start = detail::resume_position(path, offset, resume);

  platform::InternetHandle session(
      InternetOpenW(L"FTP CLIENT", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return kFtpOpenInternetFailed;

  platform::InternetHandle connection(InternetConnectW(
      session.get(), runtime::widen(location.host).c_str(),
      static_cast<INTERNET_PORT>(location.port), runtime::widen(login_user).c_str(),
      runtime::widen(login_password).c_str(), INTERNET_SERVICE_FTP, 0, 0));
  if (!connection) return kFtpConnectFailed;

  const std::int64_t size = remote_file_size(connection.get(), remote_path);
  if (size < 0) return kFtpRemoteFileNotFound;
  // A local part longer than the remote file belongs to some other file.
  if (start > size) start = 0;

  if (start > 0 && !restart_at(connection.get(), start)) return kFtpRestartRefused;

  platform::InternetHandle remote_file(
      FtpOpenFileW(connection.get(), remote_path.c_str(), GENERIC_READ,
                   INTERNET_FLAG_RAW_DATA | FTP_TRANSFER_TYPE_BINARY, 0));
  if (!remote_file) return kFtpReadFailed;

  local_file_ = detail::open_local_file(path, start);
  if (!local_file_) return kFtpOpenLocalFileFailed;
  file_number = reinterpret_cast<std::intptr_t>(local_file_.get());

  const detail::CopyOutcome outcome =
      detail::copy_blocks(remote_file.get(), local_file_, start, size, progress);
  if (outcome == detail::CopyOutcome::kTooLong) detail::cut_file_at(local_file_.get(), start);
  local_file_.reset();
  switch (outcome) {
    case detail::CopyOutcome::kComplete: return kFtpComplete;
    case detail::CopyOutcome::kWriteFailed: return kFtpWriteLocalFileFailed;
    case detail::CopyOutcome::kTooLong: return kFtpTooLong;
    case detail::CopyOutcome::kReadFailed:
    case detail::CopyOutcome::kEndedEarly: break;
  }
  return kFtpReadFailed;
}

}  // namespace net
