// Command-line access to the data foundations and the settings store:
// entity escaping and decoding, line reading of text files, and reading and
// writing single settings.

#include "cli/command.h"
#include "cli/word_choice.h"
#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"

#include <CLI/CLI.hpp>

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

struct {
    std::string operation;
    std::string text;
} entitiesArgs;

void declareEntities(CLI::App& command) {
    oneWordOf(command.add_option("OPERATION", entitiesArgs.operation, "what to do with the text"),
              {"escape-xml", "escape-markup", "unescape-markup", "decode"})
        ->required();
    command.add_option("TEXT", entitiesArgs.text, "the text")->required();
}

int entitiesCommand(Context& context) {
    const std::string& operation = entitiesArgs.operation;
    const std::u16string text = fromUtf8(entitiesArgs.text);
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

std::string linesFile;

void declareLines(CLI::App& command) { command.add_option("FILE", linesFile, "a text file")->required(); }

int linesCommand(Context& context) {
    TextFile file;
    if (!file.open(fromUtf8(linesFile), TextFile::Mode::Read)) {
        context.err << "zelvon-cli: cannot read " << linesFile << '\n';
        return 1;
    }
    std::u16string line;
    while (file.readLine(line))
        context.out << '[' << toUtf8(line) << "]\n";
    file.close();
    return 0;
}

struct {
    std::string operation;
    std::string section;
    std::string key;
    std::string value; // the default of a read, or the value to write
} settingsArgs;

void declareSettings(CLI::App& command) {
    oneWordOf(command.add_option("OPERATION", settingsArgs.operation, "get or set a text, get-int or set-int a number"),
              {"get", "set", "get-int", "set-int"})
        ->required();
    command.add_option("SECTION", settingsArgs.section, "the settings section")->required();
    command.add_option("KEY", settingsArgs.key, "the key")->required();
    command.add_option("VALUE", settingsArgs.value, "the default of a read, the value of a write")->required();
}

int reportNotStored(Context& context) {
    context.err << "zelvon-cli: could not store " << settingsArgs.section << '/' << settingsArgs.key << " in "
                << (context.settings.filePath().empty() ? std::string("the settings") : context.settings.filePath())
                << '\n';
    return 1;
}

int settingsCommand(Context& context) {
    const std::string& operation = settingsArgs.operation;
    const std::u16string section = fromUtf8(settingsArgs.section);
    const std::u16string key = fromUtf8(settingsArgs.key);
    const std::string& argument = settingsArgs.value;
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

CommandRegistration entitiesRegistration("entities", "escape or decode entities in a text as the program does",
                                         &declareEntities, &entitiesCommand);
CommandRegistration linesRegistration("lines", "print a text file's lines as the program's line reader sees them",
                                      &declareLines, &linesCommand);
CommandRegistration settingsRegistration("settings", "read or write one stored setting", &declareSettings,
                                         &settingsCommand);

} // namespace
} // namespace zelvon::cli
