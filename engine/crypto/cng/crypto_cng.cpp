// The crypto primitives over Windows' own crypto library, CNG (bcrypt.dll): hashes and
// HMACs through BCryptCreateHash, AES through a symmetric key with the chaining mode set on
// the algorithm provider. Every handle is closed on every path; nothing is kept between calls.
#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <memory>

#include "engine/crypto/crypto_primitives.h"

namespace qv::crypto {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

struct AlgorithmClose {
  void operator()(BCRYPT_ALG_HANDLE h) const { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashClose {
  void operator()(BCRYPT_HASH_HANDLE h) const { BCryptDestroyHash(h); }
};
struct KeyClose {
  void operator()(BCRYPT_KEY_HANDLE h) const { BCryptDestroyKey(h); }
};
using Algorithm = std::unique_ptr<void, AlgorithmClose>;
using HashObject = std::unique_ptr<void, HashClose>;
using KeyObject = std::unique_ptr<void, KeyClose>;

// CNG takes ULONG lengths: larger inputs are refused rather than truncated.
bool FitsUlong(size_t n) { return n <= ULONG_MAX; }

Algorithm Open(const wchar_t* algorithm, ULONG flags) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, flags))) return Algorithm();
  return Algorithm(handle);
}

// Digest (no key) or HMAC (with a key) of the concatenated parts.
std::optional<Bytes> HashParts(Hash hash, const ByteSpan* key, std::initializer_list<ByteSpan> parts) {
  const wchar_t* name = hash == Hash::Sha1 ? BCRYPT_SHA1_ALGORITHM : BCRYPT_SHA512_ALGORITHM;
  const Algorithm algorithm = Open(name, key != nullptr ? BCRYPT_ALG_HANDLE_HMAC_FLAG : 0);
  if (!algorithm) return std::nullopt;
  if (key != nullptr && !FitsUlong(key->size())) return std::nullopt;
  // A null object buffer lets CNG allocate the hash object itself (Windows 7 and later).
  BCRYPT_HASH_HANDLE handle = nullptr;
  PUCHAR secret = key != nullptr ? const_cast<PUCHAR>(key->data()) : nullptr;
  const ULONG secretBytes = key != nullptr ? static_cast<ULONG>(key->size()) : 0;
  if (!Succeeded(BCryptCreateHash(algorithm.get(), &handle, nullptr, 0, secret, secretBytes, 0))) return std::nullopt;
  const HashObject object(handle);
  for (const ByteSpan part : parts) {
    if (part.empty()) continue;
    if (!FitsUlong(part.size())) return std::nullopt;
    if (!Succeeded(BCryptHashData(handle, const_cast<PUCHAR>(part.data()), static_cast<ULONG>(part.size()), 0))) {
      return std::nullopt;
    }
  }
  Bytes out(DigestBytes(hash));
  if (!Succeeded(BCryptFinishHash(handle, out.data(), static_cast<ULONG>(out.size()), 0))) return std::nullopt;
  return out;
}

}  // namespace

bool Available() { return true; }

std::optional<Bytes> Digest(Hash hash, std::initializer_list<ByteSpan> parts) { return HashParts(hash, nullptr, parts); }

std::optional<Bytes> Hmac(Hash hash, ByteSpan key, ByteSpan data) { return HashParts(hash, &key, {data}); }

std::optional<Bytes> Aes(Direction direction, CipherMode mode, ByteSpan key, ByteSpan iv, ByteSpan data) {
  if ((key.size() != 16 && key.size() != 24 && key.size() != 32) || data.size() % 16 != 0 ||
      (mode == CipherMode::Cbc && iv.size() != 16) || !FitsUlong(data.size())) {
    return std::nullopt;
  }
  const Algorithm algorithm = Open(BCRYPT_AES_ALGORITHM, 0);
  if (!algorithm) return std::nullopt;
  const wchar_t* chaining = mode == CipherMode::Cbc ? BCRYPT_CHAIN_MODE_CBC : BCRYPT_CHAIN_MODE_ECB;
  const ULONG chainingBytes = static_cast<ULONG>((wcslen(chaining) + 1) * sizeof(wchar_t));
  if (!Succeeded(BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                                   reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)), chainingBytes, 0))) {
    return std::nullopt;
  }
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!Succeeded(BCryptGenerateSymmetricKey(algorithm.get(), &handle, nullptr, 0, const_cast<PUCHAR>(key.data()),
                                            static_cast<ULONG>(key.size()), 0))) {
    return std::nullopt;
  }
  const KeyObject keyObject(handle);
  if (data.empty()) return Bytes();
  // CNG updates the chaining value in place: it works on a copy of the caller's.
  Bytes chainingValue(iv.begin(), iv.end());
  PUCHAR ivBuffer = mode == CipherMode::Cbc ? chainingValue.data() : nullptr;
  const ULONG ivBytes = mode == CipherMode::Cbc ? static_cast<ULONG>(chainingValue.size()) : 0;
  Bytes out(data.size());
  ULONG written = 0;
  PUCHAR input = const_cast<PUCHAR>(data.data());
  const ULONG inputBytes = static_cast<ULONG>(data.size());
  // No padding flag: the data is whole blocks, and the output is exactly as long.
  const NTSTATUS status =
      direction == Direction::Encrypt
          ? BCryptEncrypt(handle, input, inputBytes, nullptr, ivBuffer, ivBytes, out.data(), inputBytes, &written, 0)
          : BCryptDecrypt(handle, input, inputBytes, nullptr, ivBuffer, ivBytes, out.data(), inputBytes, &written, 0);
  if (!Succeeded(status) || written != inputBytes) return std::nullopt;
  return out;
}

}  // namespace qv::crypto
