#pragma once
// Owners of CryptoAPI provider contexts and hash objects. A hash object
// must be destroyed before the context it was created in is released.
#include <windows.h>
#include <wincrypt.h>

#include "platform/unique_handle.h"

namespace platform {

struct CryptContextTraits {
  using Handle = HCRYPTPROV;
  static Handle invalid() { return 0; }
  static bool valid(Handle h) { return h != 0; }
  static void close(Handle h) { CryptReleaseContext(h, 0); }
};
using CryptContext = UniqueHandle<CryptContextTraits>;

struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle invalid() { return 0; }
  static bool valid(Handle h) { return h != 0; }
  static void close(Handle h) { CryptDestroyHash(h); }
};
using CryptHash = UniqueHandle<CryptHashTraits>;

}  // namespace platform
