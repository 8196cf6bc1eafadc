// chat-standin: an OpenAI-compatible chat-completions endpoint on loopback
// for development and tests.
#include <cstdio>
#include <string>
#include <vector>

#include "standin/chat_server.h"
#include "standin/command_line.h"
#include "standin/glossary.h"
#include "standin/signal_stop.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  standin::ChatOptions options;
  std::string message;
  const int code = standin::exit_code_unless_run(standin::parse_chat_options(args, options, message), message);
  if (code >= 0) return code;
  const std::string glossary_path =
      options.glossary_path.empty() ? standin::default_glossary_path() : options.glossary_path;
  standin::Glossary glossary;
  std::string error;
  if (!glossary.load_file(glossary_path, error)) {
    std::fprintf(stderr, "chat-standin: %s\n", error.c_str());
    return 1;
  }
  standin::ChatServer server(options, glossary);
  const int port = server.bind(options.port, error);
  if (port < 0) {
    std::fprintf(stderr, "chat-standin: %s\n", error.c_str());
    return 1;
  }
  std::printf("chat-standin: base URL http://127.0.0.1:%d/v1 (%zu glossary entries from %s)\n", port,
              glossary.size(), glossary_path.c_str());
  std::fflush(stdout);
  standin::run_until_signalled([&] { server.run(); }, [&] { server.stop(); });
  return 0;
}
