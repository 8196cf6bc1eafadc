#pragma once
// The parts of a transfer that HTTP and FTP share: where in the local file a
// transfer starts, opening the local file for it, and the block loop.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "net/downloader.h"
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

enum class CopyOutcome { kComplete, kReadFailed, kEndedEarly, kTooLong, kWriteFailed };

// Reads source in blocks of kBlockSize until it ends, writing each block to
// file as it arrives and reporting progress. start is the byte the transfer
// began at; expected_total the size of the finished file, or -1 when the
// server did not say. The file is reached through its owner for every block, so
// that closing it from the progress callback ends the transfer. A block that
// would take the file past expected_total is not written (kTooLong): those
// bytes are not the file's, and neither were the ones before them.
CopyOutcome copy_blocks(HINTERNET source, const platform::FileHandle& file, std::int64_t start,
                        std::int64_t expected_total, const DownloadProgress& progress);

// Digits only, no sign; -1 for anything else (and for an empty text).
std::int64_t parse_byte_count(std::wstring_view digits);

}  // namespace net::detail
