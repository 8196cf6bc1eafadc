#pragma once
// How long one HTTP exchange through WinINet may keep the program waiting,
// and the two steps that make those limits hold on Windows and on Wine.
//
// Without them a server that takes the connection and never answers holds
// the caller for the library's default wait, which is long on Windows and
// endless on Wine. Measured on Wine: the send and receive time-outs are
// honoured when set on the connection or the request handle but not when
// set on the session alone (Windows hands a session's settings down); the
// connect time-out is not honoured at all; a closed handle does not end a
// read blocked in another thread; and a read asks for, and waits for, its
// whole buffer, so one that waits for a 16 KiB buffer sits through a slowly
// dripped body of any length. Hence every handle gets the time-outs, reads
// take only what has arrived, and callers bound the whole exchange with
// runtime::call_within(kWholeExchangeLimit, ...).
//
// Also measured on Wine: a receive time-out changed after the request was
// sent does not apply to that request; and once a read has timed out, the
// next ones report the end of the data, so a failed read must end the
// exchange rather than be retried.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

#include "build_constants.h"
#include "platform/internet_handle.h"

namespace platform {

// Build-time constants (a test build shortens them).
inline constexpr DWORD kConnectTimeoutMs = moqiao::build::kConnectTimeoutMs;
inline constexpr DWORD kSendTimeoutMs = moqiao::build::kSendTimeoutMs;
inline constexpr DWORD kReceiveTimeoutMs = moqiao::build::kReceiveTimeoutMs;
// Connecting plus receiving: the longest the caller of one exchange waits.
inline constexpr std::chrono::milliseconds kWholeExchangeLimit{kConnectTimeoutMs +
                                                               kReceiveTimeoutMs};

// The largest answer an exchange reads into memory: a server that sends more
// is no service the program talks to, and its answer counts as none.
// Downloads go to a file and have no such bound.
inline constexpr std::size_t kMaxAnswerBytes = 4 * 1024 * 1024;

// How long a download waits for its next byte before it fails: a download
// is long, and a pause that would end an answer need not end a transfer.
inline constexpr DWORD kDownloadStallMs = 30000;

// Sets the connect, send and receive time-outs on a session, connection or
// request handle. Wine applies the receive time-out as it stood when the
// request was sent, to the answer's head and to every read of its body.
inline void set_time_outs(HINTERNET handle, DWORD receive_ms = kReceiveTimeoutMs) {
  DWORD connect_ms = kConnectTimeoutMs;
  DWORD send_ms = kSendTimeoutMs;
  InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect_ms, sizeof connect_ms);
  InternetSetOptionW(handle, INTERNET_OPTION_SEND_TIMEOUT, &send_ms, sizeof send_ms);
  InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive_ms, sizeof receive_ms);
}

enum class BodyRead { kComplete, kFailed, kTimedOut, kTooLong };

// Appends the response body to body until its end, a failed read, the
// deadline, or more than kMaxAnswerBytes. Each read takes only the bytes
// that have arrived, so a server that drips its answer is given up at the
// deadline; a server that sends nothing is given up after the receive
// time-out. With owner given, reading stops (kFailed) once owner is closed.
inline BodyRead read_body_until(HINTERNET request, std::chrono::steady_clock::time_point deadline,
                                std::string* body, const InternetHandles* owner = nullptr) {
  std::array<char, 16384> buffer;
  for (;;) {
    if (std::chrono::steady_clock::now() >= deadline) return BodyRead::kTimedOut;
    if (owner && owner->closed()) return BodyRead::kFailed;
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request, &available, 0, 0)) return BodyRead::kFailed;
    if (available == 0) return BodyRead::kComplete;
    if (owner && owner->closed()) return BodyRead::kFailed;
    DWORD count = 0;
    const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer.size()));
    if (!InternetReadFile(request, buffer.data(), wanted, &count)) return BodyRead::kFailed;
    if (count == 0) return BodyRead::kComplete;
    if (body->size() + count > kMaxAnswerBytes) return BodyRead::kTooLong;
    body->append(buffer.data(), count);
  }
}

}  // namespace platform
