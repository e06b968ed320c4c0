#include "engine/scrambled_file.h"

#include "engine/scrambled_blowfish.h"
#include "foundation/file_io.h"

namespace zelvon::ScrambledFile {
namespace {

const BlowfishCipher& fileCipher() {
    // Built once; the key schedule costs more than a typical script file.
    static const BlowfishCipher cipher([] {
        const auto key = scrambleKey();
        return std::string(reinterpret_cast<const char*>(key.data()), key.size());
    }());
    return cipher;
}

} // namespace

bool isScrambled(std::string_view bytes) {
    return bytes.size() > kMagic.size() && bytes.substr(0, kMagic.size()) == kMagic;
}

std::string scrambleBytes(std::string_view plain) {
    if (plain.empty())
        return {};
    std::string out;
    out.reserve(kMagic.size() + plain.size());
    out.append(kMagic);
    out.append(plain);
    // Whole blocks are enciphered in place; the tail of length % 8 bytes
    // after them stays as it is.
    fileCipher().encryptBlocks(reinterpret_cast<unsigned char*>(out.data() + kMagic.size()), plain.size());
    return out;
}

std::string unscrambleBytes(std::string_view scrambled) {
    if (!isScrambled(scrambled))
        return std::string(scrambled);
    std::string content(scrambled.substr(kMagic.size()));
    fileCipher().decryptBlocks(reinterpret_cast<unsigned char*>(content.data()), content.size());
    return content;
}

bool read(std::u16string_view path, std::string& content) {
    content.clear();
    std::string bytes;
    if (!readFileBytes(path, bytes))
        return false;
    content = unscrambleBytes(bytes);
    return true;
}

bool scramble(std::u16string_view source, std::u16string_view destination) {
    std::string bytes;
    if (!readFileBytes(source, bytes))
        return false;
    if (bytes.empty())
        return true;
    // Written beside the target and renamed over it, so a failed write
    // (full disk, missing folder) leaves the source whole even in place.
    return writeFileAtomically(destination.empty() ? source : destination, scrambleBytes(bytes));
}

} // namespace zelvon::ScrambledFile
