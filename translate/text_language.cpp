#include "translate/text_language.h"

#include "runtime/codepage.h"

namespace translate {
namespace {

bool is_cjk(wchar_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) ||  // unified ideographs
         (c >= 0x3400 && c <= 0x4DBF) ||  // extension A
         (c >= 0xF900 && c <= 0xFAFF) ||  // compatibility ideographs
         (c >= 0x3040 && c <= 0x30FF) ||  // hiragana and katakana
         (c >= 0x3100 && c <= 0x312F);    // bopomofo
}

}  // namespace

bool holds_cjk_characters(const std::string& gbk) {
  // Plain ASCII needs no conversion, and most interface texts are.
  bool ascii = true;
  for (const char c : gbk) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return false;
  for (const wchar_t c : runtime::widen(gbk)) {
    if (is_cjk(c)) return true;
  }
  return false;
}

}  // namespace translate
