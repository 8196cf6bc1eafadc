#pragma once
// The interface translation's call: one text of a foreign window into
// Chinese, with the source language detected by the service.
#include <functional>
#include <optional>
#include <string>

namespace translate {

// Receives the translation as cut out of the answer, still escaped (for
// example the twelve characters \u6253\u5f00), before it is decoded.
using QuickTranslateSink = std::function<void(const std::string& escaped_cut)>;

// Connects the sink, normally once at start-up before any translation runs;
// an empty function disconnects it. Safe to call while translations run.
void set_quick_translate_sink(QuickTranslateSink sink);

// Sends one signed GET (from "auto" to "zh") to the translation service and
// returns the first translation of the answer in GBK, or the empty text when
// there is none: no connection, an error answer, an HTML page, an empty
// result. Only the first line's translation of a text with several lines is
// returned. Waits for a slot of the service pacer first (up to a second at
// the standard tier). Safe to call from several threads at once.
std::string quick_translate(const std::string& gbk_text);

// The same without waiting, for callers that must not stall (the crosshair
// preview on the user-interface thread): when the pacer has no free slot,
// sends nothing, leaves translation alone and returns false. Otherwise
// sends the request and returns true with its result in translation (the
// empty text when no translation came).
bool try_quick_translate(const std::string& gbk_text, std::string* translation);

// Told on a worker thread when a preview request has brought a translation.
using PreviewReady = std::function<void(const std::string& gbk_text, const std::string& translation)>;

// The crosshair preview's translation of one text, for a caller that must
// never wait (the user-interface thread). Gives the translation known now:
// the program's translation memory's (read, never written: a preview is no
// harvest), or the answer of a recent preview request. Otherwise gives
// nullopt and, unless a preview request is under way already, sends one on
// a worker when the pacer has a slot free at once; a translation it brings
// is handed to ready on that worker and known to later calls. The empty
// text is known to translate to the empty text.
std::optional<std::string> remembered_quick_translate(const std::string& gbk_text,
                                                      PreviewReady ready = {});

}  // namespace translate
