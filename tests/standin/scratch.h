#pragma once
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace standin_test {

// A fresh file path in this test run's own temporary folder.
inline std::string scratch_path(const std::string& name) {
  static const std::string folder = [] {
    char pattern[] = "/tmp/standin_tests.XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return folder + "/" + name;
}

inline std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

}  // namespace standin_test
