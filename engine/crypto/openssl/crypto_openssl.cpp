// The crypto primitives over OpenSSL's libcrypto (EVP interfaces).
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>

#include "engine/crypto/crypto_primitives.h"

namespace qv::crypto {
namespace {

const EVP_MD* Md(Hash hash) { return hash == Hash::Sha1 ? EVP_sha1() : EVP_sha512(); }

const EVP_CIPHER* Cipher(CipherMode mode, size_t keyBytes) {
  switch (keyBytes) {
    case 16: return mode == CipherMode::Ecb ? EVP_aes_128_ecb() : EVP_aes_128_cbc();
    case 24: return mode == CipherMode::Ecb ? EVP_aes_192_ecb() : EVP_aes_192_cbc();
    case 32: return mode == CipherMode::Ecb ? EVP_aes_256_ecb() : EVP_aes_256_cbc();
    default: return nullptr;
  }
}

struct MdCtxFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

}  // namespace

bool Available() { return true; }

std::optional<Bytes> Digest(Hash hash, std::initializer_list<ByteSpan> parts) {
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), Md(hash), nullptr) != 1) return std::nullopt;
  for (const ByteSpan part : parts) {
    if (!part.empty() && EVP_DigestUpdate(ctx.get(), part.data(), part.size()) != 1) return std::nullopt;
  }
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out.data(), &length) != 1) return std::nullopt;
  out.resize(length);
  return out;
}

std::optional<Bytes> Hmac(Hash hash, ByteSpan key, ByteSpan data) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (HMAC(Md(hash), key.data(), static_cast<int>(key.size()), data.data(), data.size(), out.data(), &length) ==
      nullptr) {
    return std::nullopt;
  }
  out.resize(length);
  return out;
}

std::optional<Bytes> Aes(Direction direction, CipherMode mode, ByteSpan key, ByteSpan iv, ByteSpan data) {
  const EVP_CIPHER* cipher = Cipher(mode, key.size());
  if (cipher == nullptr || data.size() % 16 != 0 || (mode == CipherMode::Cbc && iv.size() != 16)) return std::nullopt;
  if (data.size() > static_cast<size_t>(INT32_MAX)) return std::nullopt;
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), mode == CipherMode::Cbc ? iv.data() : nullptr,
                                direction == Direction::Encrypt ? 1 : 0) != 1) {
    return std::nullopt;
  }
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  Bytes out(data.size() + 16);
  int written = 0, last = 0;
  if (EVP_CipherUpdate(ctx.get(), out.data(), &written, data.data(), static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + written, &last) != 1) {
    return std::nullopt;
  }
  out.resize(static_cast<size_t>(written + last));
  return out;
}

}  // namespace qv::crypto
