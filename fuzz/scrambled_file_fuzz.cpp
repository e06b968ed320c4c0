// Scrambled engine files: scrambling is undone exactly, unscrambling any
// file and scrambling the result gives the file back, and the file-level
// read and scramble agree with the byte-level transforms.
#include "fuzz_support.h"

#include "engine/scrambled_blowfish.h"
#include "engine/scrambled_file.h"

using namespace zelvon;
using fuzz::require;

namespace {

fuzz::ScratchFolder& scratch() {
    static fuzz::ScratchFolder folder;
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(fuzz::bytesOf(data, size));
    const std::string_view magic = ScrambledFile::kMagic;

    const std::string scrambled = ScrambledFile::scrambleBytes(bytes);
    if (bytes.empty()) {
        require(scrambled.empty(), "empty content stays empty");
    } else {
        require(ScrambledFile::isScrambled(scrambled), "scrambled content carries the layout");
        require(scrambled.size() == bytes.size() + magic.size(), "scrambling adds only the magic");
        // The part after the last whole block is stored as it is.
        const size_t tail = bytes.size() % ScrambledFile::kBlockSize;
        require(scrambled.substr(scrambled.size() - tail) == bytes.substr(bytes.size() - tail),
                "the bytes after the last whole block stay plain");
        require(ScrambledFile::unscrambleBytes(scrambled) == bytes, "unscrambling undoes scrambling");
    }

    const std::string plain = ScrambledFile::unscrambleBytes(bytes);
    if (ScrambledFile::isScrambled(bytes)) {
        require(plain.size() + magic.size() == bytes.size(), "unscrambling drops only the magic");
        require(ScrambledFile::scrambleBytes(plain) == bytes, "scrambling the unscrambled file gives it back");
    } else {
        require(plain == bytes, "a file without the layout is read as it is");
    }

    // The file operations write atomically (with a flush to the disk), a
    // hundred times slower than the rest: one input in eight takes them.
    if (bytes.empty() || bytes[0] % 8 != 0)
        return 0;
    const auto source = scratch().path() / "source.txt";
    const auto target = scratch().path() / "target.txt";
    fuzz::writeFile(source, bytes);
    std::string read;
    require(ScrambledFile::read(fromUtf8(source.string()), read) && read == plain, "reading the file unscrambles it");
    require(ScrambledFile::scramble(fromUtf8(source.string()), fromUtf8(target.string())),
            "a readable file can be scrambled");
    require(fuzz::readFile(target) == scrambled, "the scrambled file holds the scrambled bytes");
    require(fuzz::readFile(source) == bytes, "scrambling to another file leaves the source alone");
    std::filesystem::remove(target);
    return 0;
}
