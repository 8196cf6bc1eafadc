#pragma once
// The parts of a transfer that HTTP and FTP share: where in the local file a
// transfer starts, opening the local file for it, and the block loop.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "net/downloader.h"
#include "net/transfer_control.h"
#include "platform/unique_handle.h"

namespace net::detail {

constexpr DWORD kBlockSize = 10240;

// The byte at which a transfer into path starts: offset when resuming and
// the local file holds at least offset bytes, otherwise 0 (a fresh copy).
std::int64_t resume_position(const runtime::FilePath& path, std::int64_t offset, bool resume);

// Opens path for writing at position: 0 creates or empties the file; a
// later position keeps the first `position` bytes and drops the rest.
platform::FileHandle open_local_file(const runtime::FilePath& path, std::int64_t position);

// Cuts the open file back to its first `position` bytes.
bool cut_file_at(HANDLE file, std::int64_t position);

enum class CopyOutcome { kComplete, kReadFailed, kEndedEarly, kTooLong, kWriteFailed, kCancelled };

// One read of the bytes that have arrived, at most size of them; 0 at the
// end of the data. A read that asks for more waits, under Wine, until its
// whole buffer is full, and a trickling server would keep it from seeing a
// cancel or reporting progress for that long.
bool read_some(HINTERNET source, char* buffer, DWORD size, DWORD* count);

// Reads source in blocks of at most kBlockSize until it ends, writing each
// block to control's file as it arrives and reporting progress. start is
// the byte the transfer began at, present the bytes the file holds before
// the first block (start, or more when the transfer wrote some already);
// expected_total the size of the finished file, or -1 when the server did
// not say. Every write runs inside
// control.unless_cancelled, so nothing is written once the transfer was
// cancelled. A block that would take the file past expected_total is not
// written (kTooLong): those bytes are not the file's, and neither were the
// ones before them.
CopyOutcome copy_blocks(HINTERNET source, TransferControl& control, std::int64_t start,
                        std::int64_t present, std::int64_t expected_total,
                        const DownloadProgress& progress);

// Up to count bytes of the local file from position on; fewer at its end.
std::string read_local_bytes(const runtime::FilePath& path, std::int64_t position, std::int64_t count);

// Digits only, no sign; -1 for anything else (and for an empty text).
std::int64_t parse_byte_count(std::wstring_view digits);

}  // namespace net::detail
