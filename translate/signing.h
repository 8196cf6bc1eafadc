#pragma once
// Authentication of requests to the translation service: a fresh salt of
// random digits and a signature, the lower-case hexadecimal MD5 of the UTF-8
// bytes of application id + query + salt + secret key. Every routine here is
// safe to call from several threads at once; the only thing kept between
// calls is the cryptographic provider's context.
#include <cstdint>
#include <string>
#include <string_view>

namespace translate {

// A random integer from min to max, both included; max 0 stands for
// 2147483647. Drawn from the processor's cycle counter, read afresh on every
// call, through one step of the classic linear congruential generator, so
// only 0 … 32767 can be added to min. Bounds given the wrong way round are
// swapped.
std::int32_t random_in_range(std::int32_t min, std::int32_t max = 0);

// count random decimal digits ("0" may come first); every request uses 10.
std::string random_digits(int count);

// The MD5 digest of the bytes as 32 upper-case hexadecimal digits, computed
// by the system's cryptographic provider (acquired once per process); the
// empty text when the provider fails at any step.
std::string md5_hex(std::string_view data);

// The "sign" parameter: 32 lower-case hexadecimal digits, or the empty text
// when no digest could be computed. With query_is_gbk the joined text is
// converted from GBK to UTF-8 first; otherwise the query is already UTF-8
// and the bytes are hashed as they are.
std::string request_sign(std::string_view app_id, std::string_view query, std::string_view salt,
                         std::string_view secret_key, bool query_is_gbk);

}  // namespace translate
