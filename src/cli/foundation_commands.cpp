// Command-line access to the data foundations and the settings store:
// entity escaping and decoding, line reading of text files, and reading and
// writing single settings.

#include "cli/command.h"
#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"

#include <charconv>
#include <optional>
#include <ostream>

namespace zelvon::cli {
namespace {

// Integers on the command line are strict: "12abc" or a number beyond the
// 32-bit range is a typing error, not something to guess at.
std::optional<int32_t> parseArgumentInt(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

int entitiesCommand(Context& context) {
    if (context.args.size() != 2)
        return kExitUsage;
    const std::string& operation = context.args[0];
    const std::u16string text = fromUtf8(context.args[1]);
    std::u16string result;
    if (operation == "escape-xml")
        result = EntityCodec::escapeXml(text);
    else if (operation == "escape-markup")
        result = EntityCodec::escapeMarkup(text);
    else if (operation == "unescape-markup")
        result = EntityCodec::unescapeMarkup(text);
    else if (operation == "decode")
        result = EntityCodec::decodeEntities(text);
    else
        return kExitUsage;
    context.out << toUtf8(result) << '\n';
    return 0;
}

int linesCommand(Context& context) {
    if (context.args.size() != 1)
        return kExitUsage;
    TextFile file;
    if (!file.open(fromUtf8(context.args[0]), TextFile::Mode::Read)) {
        context.err << "zelvon-cli: cannot read " << context.args[0] << '\n';
        return 1;
    }
    std::u16string line;
    while (file.readLine(line))
        context.out << '[' << toUtf8(line) << "]\n";
    file.close();
    return 0;
}

int reportNotStored(Context& context) {
    context.err << "zelvon-cli: could not store " << context.args[1] << '/' << context.args[2] << " in "
                << (context.settings.filePath().empty() ? std::string("the settings") : context.settings.filePath())
                << '\n';
    return 1;
}

int settingsCommand(Context& context) {
    if (context.args.size() != 4)
        return kExitUsage;
    const std::string& operation = context.args[0];
    const std::u16string section = fromUtf8(context.args[1]);
    const std::u16string key = fromUtf8(context.args[2]);
    const std::string& argument = context.args[3];
    if (operation == "get") {
        context.out << toUtf8(context.settings.readString(section, key, fromUtf8(argument))) << '\n';
        return 0;
    }
    if (operation == "set") {
        // The store's own answer, not a read back: a text longer than a
        // read returns (256 to 511 characters) cannot be checked that way,
        // and a full disk must not pass for success.
        if (!context.settings.writeString(section, key, fromUtf8(argument)))
            return reportNotStored(context);
        return 0;
    }
    const auto number = parseArgumentInt(argument);
    if (!number)
        return kExitUsage;
    if (operation == "get-int") {
        context.out << context.settings.readInt(section, key, *number) << '\n';
        return 0;
    }
    if (operation == "set-int") {
        if (!context.settings.writeInt(section, key, *number))
            return reportNotStored(context);
        return 0;
    }
    return kExitUsage;
}

CommandRegistration entitiesRegistration("entities", "escape-xml|escape-markup|unescape-markup|decode TEXT",
                                         &entitiesCommand, "escape or decode entities in a text as the program does");
CommandRegistration linesRegistration("lines", "FILE", &linesCommand,
                                      "print a text file's lines as the program's line reader sees them");
CommandRegistration settingsRegistration("settings", "get|set SECTION KEY TEXT  |  get-int|set-int SECTION KEY NUMBER",
                                         &settingsCommand, "read or write one stored setting");

} // namespace
} // namespace zelvon::cli
