#include "capture/foreign_window.h"

#include <algorithm>
#include <vector>

#include "platform/foreign_memory_held.h"
#include "runtime/codepage.h"
#include "runtime/text.h"

namespace capture {
namespace {

// SMTO_ABORTIFHUNG returns at once for a window the system already
// considers hung instead of waiting out the whole time-out again.
constexpr UINT kSendFlags = SMTO_ABORTIFHUNG;

// The longest prefix of text of at most max_bytes bytes that does not end
// on the first byte of a two-byte character.
std::string cut_to_bytes(const std::string& text, std::size_t max_bytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + static_cast<std::size_t>(runtime::char_length_at(text, end));
    if (next > max_bytes) break;
    end = next;
  }
  return text.substr(0, end);
}

}  // namespace

bool send_bounded(HWND window, UINT message, WPARAM wparam, std::shared_ptr<void> buffer,
                  LPARAM pointer, unsigned timeout_ms, DWORD_PTR* result, bool* sent) {
  if (sent) *sent = false;
  const bool own = buffer && platform::window_of_this_process(window) &&
                   GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId();
  if (own && !platform::release_answered_blocks(GetCurrentProcessId())) return false;
  if (sent) *sent = true;
  if (SendMessageTimeoutW(window, message, wparam, pointer, kSendFlags, timeout_ms, result)) {
    return true;
  }
  if (own) platform::hold_until_answered(window, std::move(buffer));
  return false;
}

WindowText query_window_text(HWND window, unsigned timeout_ms, std::size_t max_bytes) {
  WindowText result;
  if (!window || !IsWindow(window)) return result;

  // In UTF-16 units, terminator included. One unit more than the reported
  // length: a window that fills it has more text than it said, and the text
  // read may be cut anywhere.
  std::size_t capacity = 0;
  std::size_t reported = 0;
  if (max_bytes > 0) {
    // A GBK byte never stands for less than one UTF-16 unit.
    capacity = std::min(max_bytes, kMaxForeignTextUnits) + 1;
    reported = capacity - 1;
  } else {
    DWORD_PTR length = 0;
    if (!send_bounded(window, WM_GETTEXTLENGTH, 0, nullptr, 0, timeout_ms, &length)) return result;
    // The answer is an LRESULT: a negative one is no length.
    const auto signed_length = static_cast<LRESULT>(length);
    if (signed_length <= 0) {
      result.answered = true;
      return result;
    }
    if (static_cast<std::size_t>(signed_length) > kMaxForeignTextUnits) {
      result.whole = false;
      reported = kMaxForeignTextUnits;
    } else {
      reported = static_cast<std::size_t>(signed_length);
    }
    capacity = reported + 2;
  }

  auto held = std::make_shared<std::vector<wchar_t>>(capacity, L'\0');
  const std::vector<wchar_t>& buffer = *held;
  DWORD_PTR copied = 0;
  if (!send_bounded(window, WM_GETTEXT, capacity, held,
                    reinterpret_cast<LPARAM>(held->data()), timeout_ms, &copied)) {
    return result;
  }
  result.answered = true;
  // The count a window reports is not trusted beyond its own buffer.
  std::size_t length = 0;
  while (length < capacity - 1 && length < copied && buffer[length] != L'\0') ++length;
  if (length > reported) {
    result.whole = false;
    length = reported;
  }
  const std::wstring_view wide(buffer.data(), length);
  if (!runtime::narrow_exactly(wide, result.text)) {
    result.whole = false;
    result.text = runtime::narrow(wide);
  }
  if (max_bytes > 0 && result.text.size() > max_bytes) {
    result.text = cut_to_bytes(result.text, max_bytes);
  }
  return result;
}

std::string read_window_text(HWND window, unsigned timeout_ms) {
  return query_window_text(window, timeout_ms).text;
}

WriteOutcome write_window_text(HWND window, const std::string& text, unsigned timeout_ms) {
  if (!window || !IsWindow(window)) return WriteOutcome::kUnanswered;
  auto wide = std::make_shared<std::wstring>(runtime::widen(text));
  DWORD_PTR result = 0;
  bool sent = false;
  if (!send_bounded(window, WM_SETTEXT, 0, wide, reinterpret_cast<LPARAM>(wide->c_str()),
                    timeout_ms, &result, &sent)) {
    return sent ? WriteOutcome::kLate : WriteOutcome::kUnanswered;
  }
  // TRUE when set; FALSE, or a negative error such as CB_ERR, when refused.
  return static_cast<LRESULT>(result) > 0 ? WriteOutcome::kAccepted : WriteOutcome::kRejected;
}

WriteOutcome write_window_text_if(HWND window, const std::string& expected,
                                  const std::string& text, unsigned timeout_ms) {
  const WindowText now = query_window_text(window, timeout_ms);
  if (!now.answered) return WriteOutcome::kUnanswered;
  if (now.whole && now.text == text) return WriteOutcome::kAccepted;
  if (!now.whole || now.text != expected) return WriteOutcome::kChanged;
  return write_window_text(window, text, timeout_ms);
}

}  // namespace capture
