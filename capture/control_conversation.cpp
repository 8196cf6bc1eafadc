#include "capture/control_conversation.h"

#include <cstring>
#include <vector>

namespace capture {

bool ControlConversation::send(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(control_, message, wparam, lparam, SMTO_ABORTIFHUNG, timeout_ms_,
                           &answer)) {
    return false;
  }
  if (result) *result = static_cast<LRESULT>(answer);
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
  block.assign(kBlockBytes, 0);
  if (!memory_.read(0, block.data(), block.size())) return false;
  if (size) std::memcpy(structure, block.data(), size);
  const auto* chars = reinterpret_cast<const wchar_t*>(block.data() + kTextOffset);
  std::size_t length = 0;
  while (length < kTextChars && chars[length] != L'\0') ++length;
  text->assign(chars, length);
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
