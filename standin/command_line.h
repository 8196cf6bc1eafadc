#pragma once
// A small "--name value" / "--name=value" option reader shared by the
// stand-in programs.
#include <map>
#include <string>
#include <vector>

namespace standin {

// What a stand-in's command line asks for.
enum class StartChoice { run, show_help, bad_arguments };

struct OptionSpec {
  std::string name;        // without the leading "--"
  bool takes_value;        // false for switches such as --no-length
  std::string value_name;  // shown in the usage text, e.g. "PORT"
  std::string help;
};

class CommandLine {
 public:
  explicit CommandLine(std::vector<OptionSpec> specs) : specs_(std::move(specs)) {}

  // Reads argv; false (with error()) on an unknown option or a missing value.
  bool parse(int argc, const char* const* argv);
  bool parse(const std::vector<std::string>& args);

  bool has(const std::string& name) const { return values_.count(name) != 0; }
  std::string text(const std::string& name, const std::string& fallback) const;
  // False (with error()) when the value is present but not a whole number in range.
  bool integer(const std::string& name, long long low, long long high, long long& out);
  bool number(const std::string& name, double low, double high, double& out);

  const std::string& error() const { return error_; }
  std::string usage(const std::string& program, const std::string& summary) const;

  // parse, then the common answers of every stand-in: --help gives
  // show_help with the usage in message, a bad option bad_arguments with the
  // error and the usage; otherwise run, and the caller reads the values.
  StartChoice start(const std::vector<std::string>& args, const std::string& program,
                    const std::string& summary, std::string& message);

 private:
  const OptionSpec* find(const std::string& name) const;

  std::vector<OptionSpec> specs_;
  std::map<std::string, std::string> values_;
  std::string error_;
};

// What main does with a choice other than run: prints message where it
// belongs and gives the exit code (0 for help, 2 for bad arguments); -1
// for run.
int exit_code_unless_run(StartChoice choice, const std::string& message);

}  // namespace standin
