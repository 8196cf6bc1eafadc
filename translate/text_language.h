#pragma once
// Which side of the harvest's language split a text belongs to. The service
// detects one source language per query, so a query mixing Chinese and
// English comes back untranslated as a whole.
#include <string>

namespace translate {

// True when the GBK text holds a CJK character: an ideograph, kana or
// bopomofo. GBK's punctuation and symbols ("…", "’", "–", full-width forms,
// "、。「」") do not count: "Options…" is English.
bool holds_cjk_characters(const std::string& gbk);

}  // namespace translate
