#include "toolkit/fonts.h"

#include "runtime/codepage.h"

namespace toolkit {

HFONT FontCache::get(const FontSpec& spec) {
  if (spec.face.empty()) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto& font = fonts_[{spec.face, spec.height}];
  if (!font) {
    font.reset(CreateFontW(spec.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, runtime::widen(spec.face).c_str()));
  }
  return font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace toolkit
