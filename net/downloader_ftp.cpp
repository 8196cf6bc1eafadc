// Downloader::download_ftp: log in, look the file up for its size, ask the
// server to restart a little before the resume offset, check that what it
// sends continues the part, then read the file.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <string>

#include "net/downloader.h"
#include "net/downloader_transfer.h"
#include "net/ftp_url.h"
#include "platform/internet_handle.h"
#include "platform/internet_limits.h"
#include "runtime/codepage.h"
#include "runtime/text.h"

namespace net {
namespace {

constexpr char kDefaultUser[] = "Anonymous";
constexpr char kDefaultPassword[] = "GuestQ@";
// Bytes of the part asked for again on a resume. A server that ignores the
// restart offset sends the file from its start, and these bytes would not
// match the end of the part; the overlap shows it before anything is
// written.
constexpr std::int64_t kRestartOverlap = 4096;

// The remote size from a directory listing; -1 when the file is not there.
std::int64_t remote_file_size(platform::InternetHandles& handles, HINTERNET connection,
                              const std::wstring& remote_path) {
  WIN32_FIND_DATAW found{};
  // The find handle is closed before anything else happens on the
  // connection: WinINet runs one FTP operation per connection at a time.
  const HINTERNET find = handles.adopt(
      FtpFindFirstFileW(connection, remote_path.c_str(), &found, INTERNET_FLAG_RELOAD, 0));
  if (!find) return -1;
  handles.close(find);
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

// Reads count bytes (fewer only at the end of the data); false on a failed read.
bool read_exactly(HINTERNET source, std::int64_t count, std::string* bytes) {
  bytes->clear();
  char buffer[4096];
  while (static_cast<std::int64_t>(bytes->size()) < count) {
    const DWORD wanted =
        static_cast<DWORD>(std::min<std::int64_t>(count - static_cast<std::int64_t>(bytes->size()),
                                                  static_cast<std::int64_t>(sizeof buffer)));
    DWORD read = 0;
    if (!detail::read_some(source, buffer, wanted, &read)) return false;
    if (read == 0) break;
    bytes->append(buffer, read);
  }
  return true;
}

}  // namespace

int Downloader::download_ftp(const std::string& url_text, const runtime::FilePath& path,
                             const std::string& user, const std::string& password,
                             const DownloadProgress& progress, std::int64_t offset, bool resume,
                             TransferControl* given_control) {
  url = url_text;
  file_number = 0;
  TransferControl own_control;
  TransferControl& control = given_control ? *given_control : own_control;
  const auto failed = [&control](int result) {
    return control.cancelled() ? kFtpCancelled : result;
  };
  const std::string login_user = user.empty() ? kDefaultUser : user;
  const std::string login_password = password.empty() ? kDefaultPassword : password;
  const FtpLocation location = parse_ftp_url(url);
  const std::wstring remote_path = runtime::widen(location.dir + ftp_file_name(url));
  std::int64_t start = detail::resume_position(path, offset, resume);
  const DWORD receive_ms = static_cast<DWORD>(control.stall_limit.count());

  platform::InternetHandles& handles = control.handles();
  const HINTERNET session =
      handles.adopt(InternetOpenW(L"FTP CLIENT", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return failed(kFtpOpenInternetFailed);
  platform::set_time_outs(session, receive_ms);

  const HINTERNET connection = handles.adopt(InternetConnectW(
      session, runtime::widen(location.host).c_str(), static_cast<INTERNET_PORT>(location.port),
      runtime::widen(login_user).c_str(), runtime::widen(login_password).c_str(),
      INTERNET_SERVICE_FTP, 0, 0));
  if (!connection) return failed(kFtpConnectFailed);
  platform::set_time_outs(connection, receive_ms);

  const std::int64_t size = remote_file_size(handles, connection, remote_path);
  if (size < 0) return failed(kFtpRemoteFileNotFound);
  // A local part longer than the remote file belongs to some other file.
  if (start > size) start = 0;

  const std::int64_t overlap = std::min(start, kRestartOverlap);
  const std::int64_t restart = start - overlap;
  if (restart > 0 && !restart_at(connection, restart)) return failed(kFtpRestartRefused);

  const HINTERNET remote_file =
      handles.adopt(FtpOpenFileW(connection, remote_path.c_str(), GENERIC_READ,
                                 INTERNET_FLAG_RAW_DATA | FTP_TRANSFER_TYPE_BINARY, 0));
  if (!remote_file) return failed(kFtpReadFailed);

  // The first bytes must be the end of the part. When they are the start of
  // the part instead, the server sent the file from byte 0 whatever it was
  // asked: the file starts over with them. Otherwise nothing tells what
  // they are, and the part is no longer trusted either.
  std::string first_bytes;
  if (overlap > 0) {
    if (!read_exactly(remote_file, overlap, &first_bytes)) return failed(kFtpReadFailed);
    if (control.cancelled()) return kFtpCancelled;
    if (first_bytes != detail::read_local_bytes(path, restart, overlap)) {
      if (restart > 0 && first_bytes != detail::read_local_bytes(path, 0, overlap)) {
        control.unless_cancelled([&] { detail::open_local_file(path, 0); });
        return failed(kFtpRestartRefused);
      }
      start = 0;
    } else {
      first_bytes.clear();  // already in the part
    }
  }

  bool opened = false;
  bool written = false;
  if (!control.unless_cancelled([&] {
        control.set_file(detail::open_local_file(path, start));
        opened = control.file_open();
        if (!opened) return;
        file_number = reinterpret_cast<std::intptr_t>(control.file());
        DWORD count = 0;
        written = first_bytes.empty() ||
                  (WriteFile(control.file(), first_bytes.data(),
                             static_cast<DWORD>(first_bytes.size()), &count, nullptr) &&
                   count == first_bytes.size());
        if (!written) control.close_file();
      })) {
    return kFtpCancelled;
  }
  if (!opened) return kFtpOpenLocalFileFailed;
  if (!written) return failed(kFtpWriteLocalFileFailed);

  const std::int64_t present = start + static_cast<std::int64_t>(first_bytes.size());
  const detail::CopyOutcome outcome =
      detail::copy_blocks(remote_file, control, start, present, size, progress);
  control.unless_cancelled([&] {
    if (outcome == detail::CopyOutcome::kTooLong) detail::cut_file_at(control.file(), start);
    control.close_file();
  });
  switch (outcome) {
    case detail::CopyOutcome::kComplete: return kFtpComplete;
    case detail::CopyOutcome::kWriteFailed: return failed(kFtpWriteLocalFileFailed);
    case detail::CopyOutcome::kTooLong: return failed(kFtpTooLong);
    case detail::CopyOutcome::kCancelled: return kFtpCancelled;
    case detail::CopyOutcome::kReadFailed:
    case detail::CopyOutcome::kEndedEarly: break;
  }
  return failed(kFtpReadFailed);
}

}  // namespace net
