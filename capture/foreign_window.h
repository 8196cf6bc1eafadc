#pragma once
// Texts of windows that may belong to another thread or process. Every
// message is bounded: a window whose thread does not answer within the
// time-out (or that the system already considers hung) is given up on, so
// that a frozen program cannot freeze the caller.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

namespace capture {

// Generous: a busy program gets time to answer, a frozen one does not hold
// the caller for ever.
constexpr unsigned kForeignMessageTimeoutMs = 5000;

// The most of a foreign window's text that is ever read, in UTF-16 units
// (a buffer of 1 MiB): a window may report any length, and its own count
// is not a reason to allocate gigabytes.
constexpr std::size_t kMaxForeignTextUnits = std::size_t(1) << 19;

struct WindowText {
  bool answered = false;  // false: no window, or no answer within the time-out
  std::string text;       // GBK; empty when the window has no text
  // False when text is not the window's text as it stands: it has
  // characters GBK cannot hold (they read as "?"), or it is longer than
  // kMaxForeignTextUnits, or the window gave more than the length it
  // reported. Such a text must not be translated and written back.
  bool whole = true;
};

// Reads the whole text with WM_GETTEXTLENGTH and WM_GETTEXT, at most
// kMaxForeignTextUnits of it. With max_bytes > 0 only WM_GETTEXT is sent
// and the text is cut to at most max_bytes bytes, never inside a two-byte
// character (the cut alone does not clear whole).
WindowText query_window_text(HWND window, unsigned timeout_ms = kForeignMessageTimeoutMs,
                             std::size_t max_bytes = 0);

// The window's whole text, or the empty text when the handle is no window,
// the window has no text or does not answer in time.
std::string read_window_text(HWND window, unsigned timeout_ms = kForeignMessageTimeoutMs);

enum class WriteOutcome {
  kAccepted,    // the window took the text
  kRejected,    // the window answered but refused it (for example too long)
  kUnanswered,  // no window, or no answer within the time-out (nothing written)
  kChanged,     // it no longer shows the text that was read: its program's own
  kLate,        // the text went out but no answer came in time: a sent message
                // is not withdrawn, so the window may take it yet
};

// Sends WM_SETTEXT (wParam 0) with the text.
WriteOutcome write_window_text(HWND window, const std::string& text,
                               unsigned timeout_ms = kForeignMessageTimeoutMs);

// Reads the window's text again just before writing, and writes only while
// it still shows expected (whole). A window that already shows text is left
// as it is and counts as accepted.
WriteOutcome write_window_text_if(HWND window, const std::string& expected,
                                  const std::string& text,
                                  unsigned timeout_ms = kForeignMessageTimeoutMs);

// SendMessageTimeoutW, for a message whose lparam is pointer, pointing into
// buffer (or null when it points nowhere). Across processes the system
// copies such texts, but a window of this process on another thread gets
// the pointer itself and may use it after a time-out: buffer is then kept
// until the window has answered a later message, and while this process
// already holds as many such buffers as allowed nothing is sent. *sent,
// when given, tells whether the message went out.
bool send_bounded(HWND window, UINT message, WPARAM wparam, std::shared_ptr<void> buffer,
                  LPARAM pointer, unsigned timeout_ms, DWORD_PTR* result, bool* sent = nullptr);

}  // namespace capture
