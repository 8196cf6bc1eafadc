#pragma once
// The fonts of one form: the default GUI font, or a face with a character
// height (weight 400, GB2312 character set), each created once.
#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "platform/unique_handle.h"
#include "toolkit/layout.h"

namespace toolkit {

class FontCache {
 public:
  HFONT get(const FontSpec& spec);

 private:
  std::map<std::pair<std::string, int>, platform::GdiObject<HFONT>> fonts_;
};

}  // namespace toolkit
