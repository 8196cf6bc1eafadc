#include "translate/signing.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <mutex>

#include "platform/crypt_handle.h"
#include "runtime/text.h"
#include "translate/encodings.h"

namespace translate {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr DWORD kMd5Size = 16;

// A context without key containers is all hashing needs; a system that
// refuses it may still hand out the user's default container.
platform::CryptContext acquire_provider() {
  HCRYPTPROV provider = 0;
  if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
      CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, 0)) {
    return platform::CryptContext(provider);
  }
  return platform::CryptContext();
}

// Acquiring the provider costs far more than hashing a request, so the
// process keeps one context; each digest still gets its own hash object.
// The context is taken on first use (and again after a failed attempt) and
// used by one digest at a time.
class SharedProvider {
 public:
  // Runs digest(provider) under the lock; false when no provider could be
  // acquired.
  template <typename Digest>
  bool with_provider(Digest digest) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!context_) context_ = acquire_provider();
    if (!context_) return false;
    return digest(context_.get());
  }

 private:
  std::mutex mutex_;
  platform::CryptContext context_;
};

SharedProvider& shared_provider() {
  // Never destroyed: harvest threads may still sign while the program ends.
  static SharedProvider* const provider = new SharedProvider;
  return *provider;
}

bool hash_all(HCRYPTHASH hash, std::string_view data) {
  // One call for any text; larger data goes in pieces a DWORD can count.
  constexpr size_t kMaxPiece = 0x40000000;
  do {
    const size_t piece = std::min(data.size(), kMaxPiece);
    if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(piece), 0)) {
      return false;
    }
    data.remove_prefix(piece);
  } while (!data.empty());
  return true;
}

}  // namespace

std::string md5_hex(std::string_view data) {
  BYTE digest[kMd5Size] = {};
  DWORD digest_size = kMd5Size;
  const bool hashed = shared_provider().with_provider([&](HCRYPTPROV provider) {
    HCRYPTHASH raw_hash = 0;
    if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &raw_hash)) return false;
    const platform::CryptHash hash(raw_hash);  // destroyed on every path
    return hash_all(hash.get(), data) &&
           CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &digest_size, 0) != FALSE;
  });
  if (!hashed) return {};
  std::string hex;
  for (DWORD i = 0; i < digest_size && i < kMd5Size; ++i) {
    hex.push_back(kHexDigits[digest[i] >> 4]);
    hex.push_back(kHexDigits[digest[i] & 0x0F]);
  }
  return hex;
}

std::string request_sign(std::string_view app_id, std::string_view query, std::string_view salt,
                         std::string_view secret_key, bool query_is_gbk) {
  std::string joined;
  joined.reserve(app_id.size() + query.size() + salt.size() + secret_key.size());
  joined.append(app_id).append(query).append(salt).append(secret_key);
  const std::string bytes = query_is_gbk ? gbk_to_utf8(joined) : joined;
  return runtime::to_lower_ascii(md5_hex(bytes));
}

}  // namespace translate
