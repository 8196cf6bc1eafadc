#include "standin/command_line.h"

#include <cstdio>

#include <cerrno>
#include <cstdlib>

namespace standin {

const OptionSpec* CommandLine::find(const std::string& name) const {
  for (const OptionSpec& spec : specs_) {
    if (spec.name == name) return &spec;
  }
  return nullptr;
}

bool CommandLine::parse(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return parse(args);
}

bool CommandLine::parse(const std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      error_ = "unexpected argument: " + arg;
      return false;
    }
    std::string name = arg.substr(2);
    std::string value;
    bool has_inline_value = false;
    size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      has_inline_value = true;
    }
    const OptionSpec* spec = find(name);
    if (!spec) {
      error_ = "unknown option: --" + name;
      return false;
    }
    if (!spec->takes_value) {
      if (has_inline_value) {
        error_ = "option --" + name + " takes no value";
        return false;
      }
      values_[name] = "1";
      continue;
    }
    if (!has_inline_value) {
      if (i + 1 >= args.size()) {
        error_ = "option --" + name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    values_[name] = value;
  }
  return true;
}

std::string CommandLine::text(const std::string& name, const std::string& fallback) const {
  auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second;
}

bool CommandLine::integer(const std::string& name, long long low, long long high, long long& out) {
  auto it = values_.find(name);
  if (it == values_.end()) return true;
  const std::string& value = it->second;
  char* end = nullptr;
  errno = 0;
  long long parsed = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || errno != 0 || parsed < low || parsed > high) {
    error_ = "option --" + name + " needs a whole number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not \"" + value + "\"";
    return false;
  }
  out = parsed;
  return true;
}

bool CommandLine::number(const std::string& name, double low, double high, double& out) {
  auto it = values_.find(name);
  if (it == values_.end()) return true;
  const std::string& value = it->second;
  char* end = nullptr;
  errno = 0;
  double parsed = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || errno != 0 || !(parsed >= low && parsed <= high)) {
    error_ = "option --" + name + " needs a number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not \"" + value + "\"";
    return false;
  }
  out = parsed;
  return true;
}

std::string CommandLine::usage(const std::string& program, const std::string& summary) const {
  std::string text = "Usage: " + program + " [options]\n" + summary + "\n\nOptions:\n";
  for (const OptionSpec& spec : specs_) {
    std::string left = "  --" + spec.name;
    if (spec.takes_value) left += " " + spec.value_name;
    if (left.size() < 26)
      left.resize(26, ' ');
    else
      left += "\n" + std::string(26, ' ');
    text += left + spec.help + "\n";
  }
  return text;
}

StartChoice CommandLine::start(const std::vector<std::string>& args, const std::string& program,
                               const std::string& summary, std::string& message) {
  const std::string text = usage(program, summary);
  if (!parse(args)) {
    message = error() + "\n\n" + text;
    return StartChoice::bad_arguments;
  }
  if (has("help")) {
    message = text;
    return StartChoice::show_help;
  }
  return StartChoice::run;
}

int exit_code_unless_run(StartChoice choice, const std::string& message) {
  switch (choice) {
    case StartChoice::show_help:
      std::printf("%s", message.c_str());
      return 0;
    case StartChoice::bad_arguments:
      std::fprintf(stderr, "%s\n", message.c_str());
      return 2;
    case StartChoice::run:
      break;
  }
  return -1;
}

}  // namespace standin
