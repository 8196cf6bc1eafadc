#include "tests/support/translate_standin.h"

#include <fstream>

#include "build_constants.h"

namespace test_support {
namespace {

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::vector<std::string> read_lines(const std::string& unix_path) {
  std::ifstream in(to_windows_path(unix_path), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

void append_utf8(unsigned long code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The JSON string starting at text[at] (its opening quote), decoded.
std::string json_string_at(const std::string& text, size_t at) {
  std::string value;
  for (size_t i = at + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') return value;
    if (c != '\\' || i + 1 >= text.size()) {
      value += c;
      continue;
    }
    const char escaped = text[++i];
    switch (escaped) {
      case 'n': value += '\n'; break;
      case 'r': value += '\r'; break;
      case 't': value += '\t'; break;
      case 'b': value += '\b'; break;
      case 'f': value += '\f'; break;
      case 'u': {
        unsigned long code = std::stoul(text.substr(i + 1, 4), nullptr, 16);
        i += 4;
        if (code >= 0xD800 && code < 0xDC00 && text.compare(i + 1, 2, "\\u") == 0) {
          const unsigned long low = std::stoul(text.substr(i + 3, 4), nullptr, 16);
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          i += 6;
        }
        append_utf8(code, value);
        break;
      }
      default: value += escaped;
    }
  }
  return value;
}

}  // namespace

std::string TranslateStandin::logged_param(const std::string& line, const std::string& name) {
  const size_t params = line.find("\"params\":[");
  if (params == std::string::npos) return "";
  const size_t entry = line.find("[\"" + name + "\",\"", params);
  if (entry == std::string::npos) return "";
  return json_string_at(line, entry + name.size() + 4);
}

long long TranslateStandin::logged_time_ms(const std::string& line) {
  const std::string key = "\"time_ms\":";
  const size_t at = line.find(key);
  return at == std::string::npos ? -1 : std::stoll(line.substr(at + key.size()));
}

bool TranslateStandin::start(const std::string& extra_options) {
  stop();
  log_path_ = scratch_dir_unix("translate-standin") + "/requests.jsonl";
  const std::string program = standin_dir_unix() + "/standin/translate-standin";
  return process_.start("exec " + quoted(program) + " --port " + std::to_string(port()) +
                        " --app-id " + moqiao::build::kAppId + " --secret-key " +
                        moqiao::build::kSecretKey + " --log " + quoted(log_path_) + " " +
                        extra_options) &&
         wait_for_port(port(), 15000);
}

// Outright: its log is flushed with every request, and a polite stop waits
// for the keep-alive of the last connection (about 5 s).
void TranslateStandin::stop() { process_.kill(); }

std::vector<std::string> TranslateStandin::log_lines(size_t count, int timeout_ms) const {
  std::vector<std::string> lines;
  wait_until([&] { return (lines = read_lines(log_path_)).size() >= count; }, timeout_ms);
  return lines;
}

int TranslateStandin::port() { return test_port(kPortOffset); }

}  // namespace test_support
