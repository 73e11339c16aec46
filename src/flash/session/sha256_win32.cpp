// Windows' CNG: BCrypt's SHA-256 provider, in bcrypt.dll since Vista.
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <stdexcept>

#include "flash/session/sha256.h"

namespace tarnwick::flash {

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0 ||
      BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0) != 0) {
    throw std::runtime_error("the system's SHA-256 (BCrypt) is not available");
  }
}

Sha256::~Sha256() {
  if (state_->hash != nullptr) BCryptDestroyHash(state_->hash);
  if (state_->algorithm != nullptr) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Sha256::update(const char* bytes, std::size_t count) {
  // BCryptHashData takes at most 4 GiB at once; the pieces here are 64 KiB.
  BCryptHashData(state_->hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes)),
                 static_cast<ULONG>(count), 0);
}

std::string Sha256::hexDigest() {
  unsigned char digest[32];
  BCryptFinishHash(state_->hash, digest, sizeof digest, 0);
  return hexDigits(digest, sizeof digest);
}

}  // namespace tarnwick::flash
