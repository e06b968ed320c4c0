// The settings file: every text survives the escape of each field, a file
// read and written unchanged keeps every byte, and setting one value makes
// it readable (also after the file is read again) while every other value
// stays as it was.
#include "fuzz_support.h"

#include "app/ini_escaping.h"
#include "app/ini_file.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace zelvon;
using fuzz::require;

namespace {

bool sameName(std::u16string_view a, std::u16string_view b) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
               return fold(x) == fold(y);
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::u16string section = fuzz::unitsOf(input.ConsumeRandomLengthString(64));
    const std::u16string key = fuzz::unitsOf(input.ConsumeRandomLengthString(64));
    const std::u16string value = fuzz::unitsOf(input.ConsumeRandomLengthString(256));
    const std::u16string otherSection = fuzz::unitsOf(input.ConsumeRandomLengthString(32));
    const std::u16string otherKey = fuzz::unitsOf(input.ConsumeRandomLengthString(32));
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    for (const auto field : {ini::Field::Section, ini::Field::Key, ini::Field::Value}) {
        for (const std::u16string* text : {&section, &key, &value}) {
            const std::string stored = ini::escape(*text, field);
            require(ini::unescape(stored) == *text, "a text comes back from its escape", stored);
            require(stored.find_first_of("\r\n") == std::string::npos, "an escaped text is one line", stored);
            if (field == ini::Field::Key)
                require(ini::findSeparator(stored) == std::string::npos, "an escaped key holds no separator", stored);
            if (field == ini::Field::Section)
                require(ini::findSectionEnd("[" + stored + "]") == stored.size() + 1,
                        "an escaped section name is closed by its own bracket", stored);
        }
    }

    IniFile file(bytes);
    const std::string expectedBytes = bytes.empty() || bytes.back() == '\n' ? bytes : bytes + "\n";
    require(file.bytes() == expectedBytes, "a file read and written unchanged keeps every byte", bytes);

    const auto otherBefore = file.value(otherSection, otherKey);
    file.setValue(section, key, value);
    require(file.value(section, key) == value, "a value set can be read", toUtf8(value));
    const IniFile reread(file.bytes());
    require(reread.value(section, key) == value, "a value set can be read from the written file", file.bytes());
    if (!(sameName(section, otherSection) && sameName(key, otherKey))) {
        require(file.value(otherSection, otherKey) == otherBefore, "setting a value leaves the others alone",
                file.bytes());
        require(reread.value(otherSection, otherKey) == otherBefore,
                "setting a value leaves the others alone in the written file", file.bytes());
    }
    return 0;
}
