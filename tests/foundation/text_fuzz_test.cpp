// Random and mutated input for the decoders that read outside data: the
// entity decoder, the UTF-8 decoders and line reading. Beyond not crashing
// (the sanitizer build catches stray reads), each round checks a property
// that must hold for any input. Seeds are fixed so a failure repeats.

#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvon {
namespace {

const std::string kSeeds[] = {
    "<p>Caf&eacute; &amp; Bar &#8364;5 &lt;b&gt;&nbsp;&AMP;&#x27;&verylong;&</p>",
    "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 \xEF\xBB\xBF",
    "<vertrel>\r\n  <product name=\"a\"/>\n\n\t \r\n</vertrel>",
    "caf\xE9 \x80\x81\x9D\xFF\r\r\n",
};

std::string mutate(std::string bytes, std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> count(1, 8);
    for (int n = count(random); n > 0; --n) {
        const size_t at = bytes.empty() ? 0 : std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(random);
        switch (kind(random)) {
        case 0:
            if (!bytes.empty())
                bytes[at] = static_cast<char>(byte(random));
            break;
        case 1:
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size())),
                         static_cast<char>(byte(random)));
            break;
        case 2:
            if (!bytes.empty())
                bytes.erase(at, 1);
            break;
        default: { // splice in a piece of another seed
            const std::string& other = kSeeds[static_cast<size_t>(byte(random)) % std::size(kSeeds)];
            const size_t from = static_cast<size_t>(byte(random)) % other.size();
            bytes.insert(std::min(at, bytes.size()), other.substr(from, static_cast<size_t>(count(random))));
        }
        }
    }
    return bytes;
}

std::string randomBytes(std::mt19937& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(std::uniform_int_distribution<size_t>(0, 64)(random), '\0');
    for (char& b : bytes)
        b = static_cast<char>(byte(random));
    return bytes;
}

// Alternates pure noise with mutated realistic input.
std::string nextInput(std::mt19937& random, int round) {
    if (round % 2 == 0)
        return randomBytes(random);
    return mutate(kSeeds[static_cast<size_t>(round / 2) % std::size(kSeeds)], random);
}

TEST(TextFuzzTest, Utf8DecodersAgreeAndProduceWellFormedText) {
    std::mt19937 random(1);
    for (int round = 0; round < 20000; ++round) {
        const std::string bytes = nextInput(random, round);
        const std::u16string lenient = fromUtf8(bytes);
        std::u16string strict;
        if (decodeUtf8Strict(bytes, strict)) {
            ASSERT_EQ(strict, lenient);
            ASSERT_EQ(toUtf8(strict), bytes) << "valid UTF-8 decodes to text that encodes back to it";
        } else {
            ASSERT_NE(lenient.find(u'\uFFFD'), std::u16string::npos);
        }
        // Whatever came in, the lenient result is well-formed UTF-16.
        std::u16string again;
        ASSERT_TRUE(decodeUtf8Strict(toUtf8(lenient), again));
        ASSERT_EQ(again, lenient);
        ASSERT_LE(lenient.size(), bytes.size());
    }
}

TEST(TextFuzzTest, EntityCodecKeepsItsPromisesOnAnyText) {
    std::mt19937 random(2);
    for (int round = 0; round < 20000; ++round) {
        const std::u16string text = decodeFileText(nextInput(random, round));
        const std::u16string decoded = EntityCodec::decodeEntities(text);
        ASSERT_LE(decoded.size(), text.size());
        if (text.find(u'&') == std::u16string::npos) {
            ASSERT_EQ(decoded, text);
        }
        ASSERT_EQ(EntityCodec::decodeEntities(EntityCodec::escapeXml(text)), text);
        ASSERT_EQ(EntityCodec::escapeMarkup(text).find_first_of(u"<>'\""), std::u16string::npos);
        ASSERT_LE(EntityCodec::unescapeMarkup(text).size(), text.size());
    }
}

TEST(TextFuzzTest, LineReadingAccountsForEveryLineFeed) {
    test::TempDir dir;
    std::mt19937 random(3);
    const std::u16string path = dir.u16file("fuzz.txt");
    for (int round = 0; round < 300; ++round) {
        const std::string bytes = nextInput(random, round);
        dir.write("fuzz.txt", bytes);
        const std::u16string text = decodeFileText(bytes);
        TextFile file;
        ASSERT_TRUE(file.open(path, TextFile::Mode::Read));
        std::u16string line;
        size_t lines = 0;
        size_t characters = 0;
        while (file.readLine(line)) {
            ASSERT_EQ(line.find(u'\n'), std::u16string::npos);
            characters += line.size();
            ASSERT_LE(++lines, text.size()) << "every line consumes at least one character";
        }
        const size_t feeds = static_cast<size_t>(std::count(text.begin(), text.end(), u'\n'));
        const bool unterminatedLast = !text.empty() && text.back() != u'\n';
        ASSERT_EQ(lines, feeds + (unterminatedLast ? 1 : 0));
        ASSERT_LE(characters + feeds, text.size());
    }
}

} // namespace
} // namespace zelvon
