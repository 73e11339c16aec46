#include <nettle/sha2.h>

#include "flash/session/sha256.h"

namespace tarnwick::flash {

struct Sha256::State {
  sha256_ctx context;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  sha256_init(&state_->context);
}

Sha256::~Sha256() = default;

void Sha256::update(const char* bytes, std::size_t count) {
  sha256_update(&state_->context, count, reinterpret_cast<const std::uint8_t*>(bytes));
}

std::string Sha256::hexDigest() {
  unsigned char digest[SHA256_DIGEST_SIZE];
  sha256_digest(&state_->context, sizeof digest, digest);
  return hexDigits(digest, sizeof digest);
}

}  // namespace tarnwick::flash
