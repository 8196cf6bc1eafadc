#pragma once
// One conversation with one control, possibly of another process: every
// message bounded by the time-out, and for the messages of common controls
// that carry pointers a block of memory in the control's own process (the
// system copies no structure for them across processes) holding the
// message's structure and its text buffer.
//
// A message that was not answered in time is still handled later, and
// writes through the pointers it carries: after a time-out the conversation
// sends nothing more (a later message would change the block under the
// late one), and the block is kept until the control has answered again.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/foreign_memory.h"

namespace capture {

// Longer texts are not read: no interface text is that long.
constexpr std::size_t kTextChars = 2048;
// The structure sits at the start of the block, the text buffer after it.
constexpr std::size_t kMaxStructureBytes = 256;
constexpr std::size_t kTextOffset = kMaxStructureBytes;
constexpr std::size_t kSingleBytes = kTextOffset + (kTextChars + 1) * sizeof(wchar_t);
// After them, room for a batch: many structures, each with a shorter text
// buffer of its own, copied in and out of the other process in one go. A
// copy costs as much as a message; one per text would cost most of a
// large list view.
constexpr std::size_t kBatchSlots = 128;
constexpr std::size_t kBatchStructureBytes = 128;
constexpr std::size_t kBatchTextChars = 255;
constexpr std::size_t kBatchStride = kBatchStructureBytes + (kBatchTextChars + 1) * sizeof(wchar_t);
constexpr std::size_t kBatchOffset = (kSingleBytes + 15) / 16 * 16;
constexpr std::size_t kBlockBytes = kBatchOffset + kBatchSlots * kBatchStride;

class ControlConversation {
 public:
  ControlConversation(HWND control, unsigned timeout_ms)
      : control_(control), timeout_ms_(timeout_ms) {}

  HWND control() const { return control_; }
  unsigned timeout_ms() const { return timeout_ms_; }

  // False when the control did not answer in time, now or before.
  bool send(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // The same for a message whose lparam points into buffer, memory of this
  // process (for messages whose structures the system copies between
  // processes, but not between threads of one).
  bool send_pointing(UINT message, WPARAM wparam, std::shared_ptr<void> buffer, LPARAM pointer,
                     LRESULT* result);

  // True once a message was not answered in time.
  bool unanswered() const { return unanswered_; }
  // After a time-out: waits, at most max_ms, until the control has handled
  // what it was sent (it answers a later message); the conversation may
  // then go on. False when it did not, or the harvest was asked to stop.
  bool wait_until_answered(unsigned max_ms);

  // The block in the control's process, made on first use.
  bool ensure_memory();
  LPARAM structure_address() const { return static_cast<LPARAM>(memory_.address()); }
  LPWSTR text_address() const { return reinterpret_cast<LPWSTR>(memory_.address(kTextOffset)); }

  // Asks for a text: the structure and an empty text buffer go into the
  // block in one copy, the message is sent with the structure's address,
  // and structure and text come back in one copy. The foreign process is
  // touched twice per text, which is what a control of a thousand items
  // costs most.
  template <typename Structure>
  bool ask(UINT message, WPARAM wparam, Structure& structure, std::wstring* text, LRESULT* result) {
    return exchange(message, wparam, &structure, sizeof structure, structure_address(), text,
                    result);
  }
  // The same for a message whose parameter is the text buffer itself.
  bool ask_text(UINT message, WPARAM wparam, std::wstring* text, LRESULT* result) {
    return exchange(message, wparam, nullptr, 0, reinterpret_cast<LPARAM>(text_address()), text,
                    result);
  }

  // Asks for up to kBatchSlots texts: every structure, its text pointer set
  // to a buffer of its own, goes into the block in one copy, the messages
  // are sent one after the other, and structures and texts come back in
  // one copy. A text of kBatchTextChars may have been cut: ask it alone.
  template <typename Structure>
  bool ask_many(UINT message, const WPARAM* wparams, Structure* structures, std::size_t count,
                std::wstring* texts, LRESULT* results) {
    static_assert(sizeof(Structure) <= kBatchStructureBytes, "fits its batch slot");
    for (std::size_t i = 0; i < count; ++i) {
      structures[i].pszText = batch_text_address(i);
      structures[i].cchTextMax = static_cast<int>(kBatchTextChars + 1);
    }
    return exchange_many(message, wparams, structures, sizeof(Structure), count, nullptr, texts,
                         results);
  }
  // Gives up to kBatchSlots texts of at most kBatchTextChars each, the same way.
  template <typename Structure>
  bool give_many(UINT message, const WPARAM* wparams, Structure* structures, std::size_t count,
                 const std::wstring* texts, LRESULT* results) {
    static_assert(sizeof(Structure) <= kBatchStructureBytes, "fits its batch slot");
    for (std::size_t i = 0; i < count; ++i) structures[i].pszText = batch_text_address(i);
    return exchange_many(message, wparams, structures, sizeof(Structure), count, texts, nullptr,
                         results);
  }
  LPWSTR batch_text_address(std::size_t i) const {
    return reinterpret_cast<LPWSTR>(
        memory_.address(kBatchOffset + i * kBatchStride + kBatchStructureBytes));
  }

  // Gives a text: structure and text go into the block in one copy.
  template <typename Structure>
  bool give(UINT message, WPARAM wparam, const Structure& structure, const std::wstring& text,
            LRESULT* result) {
    return put(&structure, sizeof structure, text) &&
           send(message, wparam, structure_address(), result);
  }
  bool give_text(UINT message, WPARAM wparam, const std::wstring& text, LRESULT* result) {
    return put(nullptr, 0, text) &&
           send(message, wparam, reinterpret_cast<LPARAM>(text_address()), result);
  }

 private:
  bool exchange(UINT message, WPARAM wparam, void* structure, std::size_t size, LPARAM address,
                std::wstring* text, LRESULT* result);
  bool put(const void* structure, std::size_t size, const std::wstring& text);
  // Texts given (to_give) or asked for (asked) for count structures of size bytes.
  bool exchange_many(UINT message, const WPARAM* wparams, void* structures, std::size_t size,
                     std::size_t count, const std::wstring* to_give, std::wstring* asked,
                     LRESULT* results);

  HWND control_;
  unsigned timeout_ms_;
  bool unanswered_ = false;
  platform::ForeignMemory memory_;
};

}  // namespace capture
