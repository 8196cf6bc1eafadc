#include "capture/control_conversation.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "capture/foreign_window.h"
#include "capture/harvest.h"
#include "platform/foreign_memory_held.h"

namespace capture {

bool ControlConversation::send(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  return send_pointing(message, wparam, nullptr, lparam, result);
}

bool ControlConversation::send_pointing(UINT message, WPARAM wparam, std::shared_ptr<void> buffer,
                                        LPARAM pointer, LRESULT* result) {
  if (unanswered_) return false;
  DWORD_PTR answer = 0;
  if (!send_bounded(control_, message, wparam, std::move(buffer), pointer, timeout_ms_, &answer)) {
    unanswered_ = true;
    memory_.hold_until_answered(control_);
    return false;
  }
  if (result) *result = static_cast<LRESULT>(answer);
  return true;
}

bool ControlConversation::wait_until_answered(unsigned max_ms) {
  if (!unanswered_) return true;
  // In short steps, so that a harvest asked to stop does not wait it out.
  constexpr unsigned kStepMs = 500;
  const DWORD start = GetTickCount();
  for (;;) {
    if (!IsWindow(control_) || harvest_should_stop()) return false;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= max_ms) return false;
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutW(control_, WM_NULL, 0, 0, SMTO_NORMAL,
                            std::min<unsigned>(kStepMs, max_ms - elapsed), &ignored)) {
      break;
    }
  }
  unanswered_ = false;
  DWORD process_id = 0;
  GetWindowThreadProcessId(control_, &process_id);
  platform::release_answered_blocks(process_id);
  return true;
}

bool ControlConversation::ensure_memory() {
  if (!memory_.valid()) memory_ = platform::ForeignMemory::for_window(control_, kBlockBytes);
  return memory_.valid();
}

bool ControlConversation::exchange(UINT message, WPARAM wparam, void* structure, std::size_t size,
                                   LPARAM address, std::wstring* text, LRESULT* result) {
  std::vector<unsigned char> block(kTextOffset + sizeof(wchar_t), 0);
  if (size) std::memcpy(block.data(), structure, size);
  if (!memory_.write(0, block.data(), block.size())) return false;
  if (!send(message, wparam, address, result)) return false;
  block.assign(kSingleBytes, 0);
  if (!memory_.read(0, block.data(), block.size())) return false;
  if (size) std::memcpy(structure, block.data(), size);
  const auto* chars = reinterpret_cast<const wchar_t*>(block.data() + kTextOffset);
  std::size_t length = 0;
  while (length < kTextChars && chars[length] != L'\0') ++length;
  text->assign(chars, length);
  return true;
}

bool ControlConversation::exchange_many(UINT message, const WPARAM* wparams, void* structures,
                                        std::size_t size, std::size_t count,
                                        const std::wstring* to_give, std::wstring* asked,
                                        LRESULT* results) {
  if (count == 0) return true;
  if (count > kBatchSlots || size > kBatchStructureBytes) return false;
  auto* bytes = static_cast<unsigned char*>(structures);
  // Text buffers start empty, so that nothing of an earlier batch is read
  // as a text the control did not write.
  std::vector<unsigned char> block(count * kBatchStride, 0);
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char* slot = block.data() + i * kBatchStride;
    std::memcpy(slot, bytes + i * size, size);
    if (!to_give) continue;
    if (to_give[i].size() > kBatchTextChars) return false;
    std::memcpy(slot + kBatchStructureBytes, to_give[i].c_str(),
                (to_give[i].size() + 1) * sizeof(wchar_t));
  }
  if (!memory_.write(kBatchOffset, block.data(), block.size())) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const LPARAM address = static_cast<LPARAM>(memory_.address(kBatchOffset + i * kBatchStride));
    if (!send(message, wparams[i], address, &results[i])) return false;
  }
  if (!asked) return true;
  if (!memory_.read(kBatchOffset, block.data(), block.size())) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* slot = block.data() + i * kBatchStride;
    std::memcpy(bytes + i * size, slot, size);
    const auto* chars = reinterpret_cast<const wchar_t*>(slot + kBatchStructureBytes);
    std::size_t length = 0;
    while (length < kBatchTextChars && chars[length] != L'\0') ++length;
    asked[i].assign(chars, length);
  }
  return true;
}

bool ControlConversation::put(const void* structure, std::size_t size, const std::wstring& text) {
  if (text.size() > kTextChars) return false;
  std::vector<unsigned char> block(kTextOffset + (text.size() + 1) * sizeof(wchar_t), 0);
  if (size) std::memcpy(block.data(), structure, size);
  std::memcpy(block.data() + kTextOffset, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return memory_.write(0, block.data(), block.size());
}

}  // namespace capture
