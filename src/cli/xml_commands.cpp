// `zelvon-cli xml`: shows the element tree a markup file gives, as the
// program's own readers build it, so a damaged list file or script can be
// looked at the way the program sees it.

#include "cli/command.h"

#include "foundation/file_io.h"
#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"
#include "foundation/xml_outline.h"

#include <CLI/CLI.hpp>

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

XmlOptions xmlArgs;
std::string xmlFindPath;
const CLI::Option* xmlFindOption = nullptr;

void declareXml(CLI::App& command) {
    command.add_flag("--script", xmlArgs.script, "read it as an extraction script is read");
    xmlFindOption = command.add_option("--find", xmlFindPath, "show only the element at this path")->type_name("PATH");
    command.add_option("FILE", xmlArgs.file, "the markup file")->required();
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
    if (xmlFindOption->count() > 0)
        xmlArgs.findPath = xmlFindPath;
    const XmlOptions* options = &xmlArgs;

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

CommandRegistration xmlRegistration("xml", "show the element tree the program reads from a markup file", &declareXml,
                                    &xmlCommand);

} // namespace
} // namespace zelvon::cli
