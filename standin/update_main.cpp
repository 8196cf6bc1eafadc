// update-standin: the update server on loopback for development and tests.
#include <cstdio>
#include <string>
#include <vector>

#include "standin/archive_source.h"
#include "standin/signal_stop.h"
#include "standin/update_server.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  standin::UpdateOptions options;
  std::string message;
  const int code = standin::exit_code_unless_run(standin::parse_update_options(args, options, message), message);
  if (code >= 0) return code;
  std::string error;
  standin::ArchiveSource archive = standin::ArchiveSource::generated(options.archive_size);
  if (!options.archive_path.empty() &&
      !standin::ArchiveSource::from_file(options.archive_path, archive, error)) {
    std::fprintf(stderr, "update-standin: %s\n", error.c_str());
    return 1;
  }
  standin::UpdateServer server(options, archive);
  int port = server.bind(options.port, error);
  if (port < 0) {
    std::fprintf(stderr, "update-standin: %s\n", error.c_str());
    return 1;
  }
  std::printf("update-standin: http://127.0.0.1:%d%s (version %s), archive of %llu bytes\n", port,
              standin::kVersionPagePath, options.version.c_str(),
              static_cast<unsigned long long>(archive.size()));
  std::fflush(stdout);
  standin::run_until_signalled([&] { server.run(); }, [&] { server.stop(); });
  return 0;
}
