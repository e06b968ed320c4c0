#include "engine/scrambled_blowfish.h"

#include <nettle/blowfish.h>

#include <cstdint>

namespace zelvon::ScrambledFile {

struct BlowfishCipher::State {
    blowfish_ctx context{};
};

BlowfishCipher::BlowfishCipher(std::string_view key) : state_(std::make_unique<State>()) {
    if (key.size() < BLOWFISH_MIN_KEY_SIZE || key.size() > BLOWFISH_MAX_KEY_SIZE)
        return;
    // nettle finishes the standard key schedule before it checks for a
    // weak key, so a weak key still enciphers correctly; it is only noted.
    weak_ = blowfish_set_key(&state_->context, key.size(), reinterpret_cast<const uint8_t*>(key.data())) == 0;
    usable_ = true;
}

BlowfishCipher::~BlowfishCipher() = default;

void BlowfishCipher::encryptBlocks(unsigned char* data, size_t length) const {
    const size_t whole = length - length % kBlockSize;
    if (usable_ && whole > 0)
        blowfish_encrypt(&state_->context, whole, data, data);
}

void BlowfishCipher::decryptBlocks(unsigned char* data, size_t length) const {
    const size_t whole = length - length % kBlockSize;
    if (usable_ && whole > 0)
        blowfish_decrypt(&state_->context, whole, data, data);
}

std::array<unsigned char, 8> scrambleKey() {
    // The key is put together at run time from two words and a mask of our
    // own, so it never lies in the program as one readable run of bytes.
    // Changing any of these makes every scrambled file unreadable.
    static constexpr uint32_t kHigh = 0x2B9E61D4u;
    static constexpr uint32_t kLow = 0xC70F358Au;
    static constexpr uint32_t kMask = 0x5E3A9C17u;
    volatile uint32_t mask = kMask;
    const uint32_t high = kHigh ^ mask;
    const uint32_t low = kLow ^ ((mask << 7) | (mask >> 25));
    std::array<unsigned char, 8> key{};
    for (int i = 0; i < 4; ++i) {
        key[static_cast<size_t>(i)] = static_cast<unsigned char>(high >> (24 - 8 * i));
        key[static_cast<size_t>(i + 4)] = static_cast<unsigned char>(low >> (24 - 8 * i));
    }
    return key;
}

} // namespace zelvon::ScrambledFile
