#include "platform/user_secret.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "platform/unique_handle.h"

namespace platform {
namespace {

// Memory the data-protection calls hand out, freed with LocalFree.
struct LocalMemoryTraits {
  using Handle = BYTE*;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { LocalFree(h); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

constexpr DWORD kBase64OneLine = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;

DATA_BLOB blob_of(std::string_view bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()),
                   reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

bool to_base64(const BYTE* bytes, DWORD size, std::string* base64) {
  DWORD length = 0;
  if (!CryptBinaryToStringA(bytes, size, kBase64OneLine, nullptr, &length)) return false;
  std::string text(length, '\0');
  if (!CryptBinaryToStringA(bytes, size, kBase64OneLine, text.data(), &length)) return false;
  text.resize(length);
  // Some versions end the text with a line break despite the flag.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) {
    text.pop_back();
  }
  *base64 = std::move(text);
  return true;
}

bool from_base64(std::string_view base64, std::vector<BYTE>* bytes) {
  if (base64.empty()) return false;
  const DWORD length = static_cast<DWORD>(base64.size());
  DWORD size = 0;
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                            nullptr)) {
    return false;
  }
  bytes->assign(size, 0);
  return CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, bytes->data(), &size,
                              nullptr, nullptr) != FALSE;
}

}  // namespace

bool protect_for_user(std::string_view secret, std::string* base64) {
  DATA_BLOB in = blob_of(secret);
  DATA_BLOB out{};
  if (!CryptProtectData(&in, L"moqiao", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                        &out)) {
    return false;
  }
  const LocalMemory owned(out.pbData);
  return to_base64(out.pbData, out.cbData, base64);
}

bool unprotect_for_user(std::string_view base64, std::string* secret) {
  std::vector<BYTE> encrypted;
  if (!from_base64(base64, &encrypted)) return false;
  DATA_BLOB in{static_cast<DWORD>(encrypted.size()), encrypted.data()};
  DATA_BLOB out{};
  if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out)) {
    return false;
  }
  const LocalMemory owned(out.pbData);
  secret->assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
  SecureZeroMemory(out.pbData, out.cbData);
  return true;
}

}  // namespace platform
