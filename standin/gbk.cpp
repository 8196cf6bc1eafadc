#include "standin/gbk.h"

#include <iconv.h>

namespace standin {

bool utf8_to_gbk(std::string_view utf8, std::string& gbk) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in(utf8);
  std::string out(in.size() * 2 + 8, '\0');
  char* in_pointer = in.data();
  size_t in_left = in.size();
  char* out_pointer = out.data();
  size_t out_left = out.size();
  size_t result = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || in_left != 0) return false;
  out.resize(out.size() - out_left);
  gbk = std::move(out);
  return true;
}

}  // namespace standin
