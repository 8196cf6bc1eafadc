#include "translate/memory_file_format.h"

#include <windows.h>

#include <algorithm>

#include "runtime/codepage.h"

namespace translate {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int kFieldCount = 4;

// Written in the program's own encoding and converted like every entry.
constexpr const char* kHeaderLines[] = {
    "# 墨桥窗口翻译的翻译记忆：界面翻译得到的译文都记在这里，同一文字不再向翻译服务请求。",
    "# 每行一条，四项之间用一个制表符（Tab）分隔：",
    "#   源语言<Tab>目标语言<Tab>原文<Tab>译文（界面翻译的语言是 auto 和 zh）",
    "# 文字中的制表符写作 \\t，换行写作 \\n，回车写作 \\r，反斜杠写作 \\\\。",
    "# 可以修改译文，也可以在末尾添加一行来更正：同一原文出现多次时，以最后一行为准。",
    "# 删除一行，该文字下次会重新翻译。以 # 开头的行是说明。文件用 UTF-8 保存，程序启动时读取。",
    "# 每行（包括最后一行）都以换行结束；没有换行的最后一行被当作没写完，会被忽略并删去。",
};

std::string escaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char c : field) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

bool unescaped(std::string_view field, std::string* out) {
  out->clear();
  out->reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      *out += field[i];
      continue;
    }
    if (++i == field.size()) return false;
    switch (field[i]) {
      case '\\': *out += '\\'; break;
      case 't': *out += '\t'; break;
      case 'n': *out += '\n'; break;
      case 'r': *out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

// Decodes well-formed UTF-8 by hand (the file is read on the program's
// start, and this is most of its cost). Characters above U+FFFF have no GBK
// form and fail here already, as do overlong forms and surrogates.
bool utf8_to_bmp(std::string_view utf8, std::wstring* wide) {
  wide->clear();
  wide->reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(utf8[at]); };
    const unsigned lead = byte(i);
    unsigned value = 0;
    size_t length = 0;
    unsigned minimum = 0;
    if (lead < 0x80) {
      value = lead, length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      value = lead & 0x1Fu, length = 2, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      value = lead & 0x0Fu, length = 3, minimum = 0x800;
    } else {
      return false;
    }
    if (i + length > utf8.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      value = (value << 6) | (byte(i + k) & 0x3Fu);
    }
    if (value < minimum || (value >= 0xD800 && value <= 0xDFFF)) return false;
    wide->push_back(static_cast<wchar_t>(value));
    i += length;
  }
  return true;
}

}  // namespace

bool gbk_to_utf8_strict(std::string_view gbk, std::string* utf8) {
  utf8->clear();
  if (gbk.empty()) return true;
  const int size = static_cast<int>(gbk.size());
  const int units = MultiByteToWideChar(runtime::kGbkCodePage, MB_ERR_INVALID_CHARS, gbk.data(),
                                        size, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(runtime::kGbkCodePage, MB_ERR_INVALID_CHARS, gbk.data(), size, wide.data(),
                      units);
  *utf8 = runtime::from_wide(wide, CP_UTF8);
  return !utf8->empty();
}

bool utf8_to_gbk_strict(std::string_view utf8, std::string* gbk) {
  gbk->clear();
  // ASCII is the same in both, and most texts of an interface are ASCII.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
    gbk->assign(utf8);
    return true;
  }
  thread_local std::wstring wide;
  if (!utf8_to_bmp(utf8, &wide)) return false;
  const int units = static_cast<int>(wide.size());
  // No character takes more than two bytes in GBK. A character without a
  // GBK form would come out as the default character: the conversion
  // reports that instead of guessing.
  gbk->resize(2 * wide.size());
  BOOL used_default = FALSE;
  const int bytes = WideCharToMultiByte(runtime::kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                        units, gbk->data(), 2 * units, nullptr, &used_default);
  if (bytes <= 0 || used_default) return false;
  gbk->resize(static_cast<size_t>(bytes));
  return true;
}

std::string memory_file_header() {
  std::string header = kByteOrderMark;
  for (const char* line : kHeaderLines) {
    std::string utf8;
    gbk_to_utf8_strict(line, &utf8);
    header += utf8 + "\r\n";
  }
  return header;
}

std::string memory_file_line(const MemoryLine& line) {
  std::string out;
  for (const std::string* field : {&line.from, &line.to, &line.text, &line.translation}) {
    std::string utf8;
    if (!gbk_to_utf8_strict(*field, &utf8)) return {};
    if (!out.empty() || field != &line.from) out += '\t';
    out += escaped(utf8);
  }
  return out + "\r\n";
}

bool read_memory_file_line(std::string_view utf8_line, MemoryLine* line, bool* damaged) {
  *damaged = false;
  if (!utf8_line.empty() && utf8_line.back() == '\r') utf8_line.remove_suffix(1);
  if (utf8_line.empty() || utf8_line.front() == '#') return false;
  *damaged = true;
  if (utf8_line.find('\0') != std::string_view::npos) return false;

  std::string* const fields[kFieldCount] = {&line->from, &line->to, &line->text,
                                            &line->translation};
  size_t start = 0;
  for (int i = 0; i < kFieldCount; ++i) {
    const size_t tab = utf8_line.find('\t', start);
    const bool last = i == kFieldCount - 1;
    // Exactly three tabs: the last field ends the line.
    if (last != (tab == std::string_view::npos)) return false;
    const size_t end = last ? utf8_line.size() : tab;
    // Reused from line to line: reading a file is mostly this loop.
    thread_local std::string utf8;
    if (!unescaped(utf8_line.substr(start, end - start), &utf8)) return false;
    if (!utf8_to_gbk_strict(utf8, fields[i])) return false;
    start = end + 1;
  }
  if (line->text.empty() || line->translation.empty()) return false;
  *damaged = false;
  return true;
}

}  // namespace translate
