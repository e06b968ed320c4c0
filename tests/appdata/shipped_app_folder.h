#pragma once
// An application folder made from the data the build laid out in build/bin,
// pointed at a demo store running on an ephemeral port: the shipped files
// name the store's fixed address, so every text file of scripts/ and data/
// gets that address replaced, and the scrambled ones are deciphered,
// rewritten and scrambled again.

#include "engine/scrambled_file.h"
#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zelvon::test {

inline const std::filesystem::path kBuiltAppFolder = ZELVON_BIN_DIR;
inline const std::string kFixedStoreBase = "http://127.0.0.1:47815";

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string replaceAllText(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

inline bool isScrambled(const std::string& bytes) {
    return bytes.size() > ScrambledFile::kMagic.size() && bytes.rfind(std::string(ScrambledFile::kMagic), 0) == 0;
}

class ShippedAppFolder {
public:
    explicit ShippedAppFolder(const std::string& storeBase) {
        namespace fs = std::filesystem;
        for (const char* folder : {"scripts", "data", "help", "web"})
            fs::copy(kBuiltAppFolder / folder, dir_.path() / folder, fs::copy_options::recursive);
        fs::create_directories(dir_.path() / "cache");
        for (const char* folder : {"scripts", "data"})
            for (const auto& entry : fs::directory_iterator(dir_.path() / folder))
                pointAt(entry.path(), storeBase);
    }

    std::u16string path() const { return dir_.u16path(); }
    std::u16string file(const std::string& relative) const { return dir_.u16file(relative); }
    std::filesystem::path native(const std::string& relative) const { return dir_.path() / relative; }

private:
    static void pointAt(const std::filesystem::path& file, const std::string& storeBase) {
        const std::string bytes = readBytes(file);
        if (!isScrambled(bytes)) {
            writeBytes(file, replaceAllText(bytes, kFixedStoreBase, storeBase));
            return;
        }
        std::string plain;
        ASSERT_TRUE(ScrambledFile::read(fromUtf8(file.string()), plain));
        writeBytes(file, replaceAllText(plain, kFixedStoreBase, storeBase));
        ASSERT_TRUE(ScrambledFile::scramble(fromUtf8(file.string()), u""));
    }

    TempDir dir_;
};

// An attribute as the program's flows read it: the value decoded with the
// engine's four-entity decoder, as UTF-8.
inline std::string attribute(const XmlNode* node, const char* name) {
    return toUtf8(EntityCodec::unescapeMarkup(XmlTree::getAttribute(node, fromUtf8(name))));
}

// The children of `parent` named `name`, walked the way the flows walk them.
inline std::vector<const XmlNode*> childrenNamed(const XmlNode* parent, const char16_t* name) {
    std::vector<const XmlNode*> found;
    for (const XmlNode* n = XmlTree::firstChild(parent); n; n = XmlTree::nextSibling(n))
        if (n->name == name)
            found.push_back(n);
    return found;
}

} // namespace zelvon::test
