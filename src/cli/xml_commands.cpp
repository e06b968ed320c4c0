// `zelvon-cli xml`: shows the element tree a markup file gives, as the
// program's own readers build it, so a damaged list file or script can be
// looked at the way the program sees it.

#include "cli/command.h"

#include "foundation/file_io.h"
#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"
#include "foundation/xml_outline.h"

#include <optional>
#include <ostream>

namespace zelvon::cli {
namespace {

constexpr int kExitLoadFailed = 1;
constexpr int kExitNotFound = 2;

struct XmlOptions {
    bool script = false;
    std::optional<std::string> findPath;
    std::string file;
};

std::optional<XmlOptions> parseOptions(const std::vector<std::string>& args) {
    XmlOptions options;
    bool haveFile = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--script" && !options.script) {
            options.script = true;
        } else if (arg == "--find" && i + 1 < args.size() && !options.findPath) {
            options.findPath = args[++i];
        } else if (arg.rfind("--", 0) == 0 || haveFile) {
            return std::nullopt;
        } else {
            options.file = arg;
            haveFile = true;
        }
    }
    if (!haveFile)
        return std::nullopt;
    return options;
}

// Reads the file into `doc` as the program would: the list-file reader loads
// it itself, the script reader is handed the decoded text.
bool readInto(const XmlOptions& options, XmlDocument& xml, ScriptXmlDocument& script, std::ostream& err) {
    const std::u16string path = fromUtf8(options.file);
    if (!options.script) {
        if (xml.load(path))
            return true;
        // load does not say why it failed; an unreadable file (missing, a
        // folder, no permission) is told apart from damaged markup.
        std::string bytes;
        if (!readFileBytes(path, bytes))
            err << "xml: cannot open " << options.file << '\n';
        else
            err << "xml: " << options.file << ": the markup is incomplete (a \"<\" without \">\", or no tag at all)\n";
        return false;
    }
    std::string bytes;
    if (!readFileBytes(path, bytes)) {
        err << "xml: cannot open " << options.file << '\n';
        return false;
    }
    if (script.parse(decodeFileText(bytes)))
        return true;
    err << "xml: " << options.file << ": the markup is incomplete (a \"<\" without \">\")\n";
    return false;
}

int xmlCommand(Context& context) {
    const std::optional<XmlOptions> options = parseOptions(context.args);
    if (!options)
        return kExitUsage;

    XmlDocument xml;
    ScriptXmlDocument script;
    const bool loaded = readInto(*options, xml, script, context.err);
    const XmlTree& tree = options->script ? static_cast<const XmlTree&>(script) : xml;

    const XmlNode* start = tree.root();
    if (options->findPath) {
        start = tree.findNode(fromUtf8(*options->findPath));
        if (start == nullptr)
            context.err << "xml: no element at " << *options->findPath << '\n';
    }
    context.out << toUtf8(xmlOutline(start));
    context.out.flush();
    // A failed read says more than a failed lookup in what was left.
    if (!loaded)
        return kExitLoadFailed;
    return start == nullptr && options->findPath ? kExitNotFound : 0;
}

CommandRegistration xmlRegistration("xml", "[--script] [--find PATH] FILE", &xmlCommand,
                                    "show the element tree the program reads from a markup file");

} // namespace
} // namespace zelvon::cli
