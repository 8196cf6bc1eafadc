// Splitting an FTP address into host, port, folder and file name.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "net/ftp_url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::string name = net::ftp_file_name(url);
  FUZZ_EXPECT(name.size() <= url.size() && url.compare(url.size() - name.size(), name.size(), name) == 0);
  const net::FtpLocation location = net::parse_ftp_url(url);
  FUZZ_EXPECT(!location.dir.empty() && location.dir.front() == '/' && location.dir.back() == '/');
  return 0;
}
