#pragma once
// How the fuzzers read their input: the first byte picks options (numbers,
// flags), the rest is cut into texts at "\xFF\xFF". Neither GBK nor UTF-8
// holds that pair, so every text can still carry any other byte, a lone
// 0xFF included.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

struct Input {
  unsigned options = 0;
  // Exactly as many texts as asked for; missing ones are empty and the last
  // keeps the rest of the input, separators included.
  std::vector<std::string> texts;
};

inline Input read_input(const std::uint8_t* data, std::size_t size, std::size_t text_count) {
  Input input;
  if (size > 0) input.options = data[0];
  const std::string rest = size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1)
                                    : std::string();
  std::size_t from = 0;
  for (std::size_t i = 0; i + 1 < text_count; ++i) {
    const std::size_t at = rest.find("\xFF\xFF", from);
    if (at == std::string::npos) {
      input.texts.push_back(rest.substr(std::min(from, rest.size())));
      from = rest.size() + 1;
      continue;
    }
    input.texts.push_back(rest.substr(from, at - from));
    from = at + 2;
  }
  input.texts.push_back(from < rest.size() ? rest.substr(from) : std::string());
  return input;
}

// Every byte of 0x80 or more is followed by a byte that can end a GBK
// character. Some properties hold only for such texts: a stray lead byte
// takes the byte after it (a CR, a separator) as its second byte, and that
// byte is then no longer seen on its own.
inline bool is_well_formed_gbk(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x80) continue;
    if (i + 1 == text.size() || static_cast<unsigned char>(text[i + 1]) < 0x40) return false;
    ++i;
  }
  return true;
}

// A property every input must keep; a broken one is a finding like a crash.
[[noreturn]] inline void property_broken(const char* property, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
  std::abort();
}

}  // namespace fuzz

#define FUZZ_EXPECT(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzz::property_broken(#condition, __FILE__, __LINE__))
