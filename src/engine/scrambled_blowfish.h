#pragma once
// The block cipher behind scrambled files, kept apart from the file layout
// so it can be checked against published Blowfish vectors. nettle stays
// inside the .cpp file.

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace zelvon::ScrambledFile {

inline constexpr size_t kBlockSize = 8;

// Blowfish in electronic code book mode: every 8-byte block on its own,
// each half read and written most significant byte first.
class BlowfishCipher {
public:
    // Keys of 8 to 56 bytes.
    explicit BlowfishCipher(std::string_view key);
    ~BlowfishCipher();
    BlowfishCipher(const BlowfishCipher&) = delete;
    BlowfishCipher& operator=(const BlowfishCipher&) = delete;

    // False for a key of unusable length; such a cipher leaves data alone.
    bool isUsable() const { return usable_; }
    // nettle's verdict: the key's S-boxes repeat a value. Such a key still
    // enciphers by the standard schedule.
    bool isWeak() const { return weak_; }

    // `length` is rounded down to whole blocks; bytes after them are not touched.
    void encryptBlocks(unsigned char* data, size_t length) const;
    void decryptBlocks(unsigned char* data, size_t length) const;

private:
    struct State;
    std::unique_ptr<State> state_;
    bool usable_ = false;
    bool weak_ = false;
};

// The fixed key every scrambled file uses, in both directions.
std::array<unsigned char, 8> scrambleKey();

} // namespace zelvon::ScrambledFile
