// translate-standin: the translation service on loopback for development and tests.
#include <cstdio>
#include <string>
#include <vector>

#include "standin/command_line.h"
#include "standin/glossary.h"
#include "standin/signal_stop.h"
#include "standin/translate_server.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  standin::TranslateOptions options;
  std::string message;
  const int code = standin::exit_code_unless_run(standin::parse_translate_options(args, options, message), message);
  if (code >= 0) return code;
  std::string glossary_path =
      options.glossary_path.empty() ? standin::default_glossary_path() : options.glossary_path;
  standin::Glossary glossary;
  std::string error;
  if (!glossary.load_file(glossary_path, error)) {
    std::fprintf(stderr, "translate-standin: %s\n", error.c_str());
    return 1;
  }
  standin::TranslateServer server(options, glossary);
  int port = server.bind(options.port, error);
  if (port < 0) {
    std::fprintf(stderr, "translate-standin: %s\n", error.c_str());
    return 1;
  }
  std::printf("translate-standin: http://127.0.0.1:%d%s (%zu glossary entries from %s)\n", port,
              standin::kTranslatePath, glossary.size(), glossary_path.c_str());
  std::fflush(stdout);
  standin::run_until_signalled([&] { server.run(); }, [&] { server.stop(); });
  return 0;
}
