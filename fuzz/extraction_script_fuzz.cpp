// Extraction scripts, read and run over a fixed store page: loops pair
// exactly when their starts and ends balance, every value cut out is a
// trimmed piece of the page on one line, the entry count stays bounded by
// the page and the script, the kelpo output reads back with the values in
// order, and a run from the saved page agrees with the walk itself and
// never reads a file outside the page folder.
#include "engine_folder.h"

#include "engine/extraction_output.h"
#include "engine/extraction_script.h"
#include "engine/extraction_walk.h"
#include "foundation/blank_text.h"
#include "foundation/entity_codec.h"
#include "foundation/xml_document.h"

using namespace zelvon;
using fuzz::require;

namespace {

std::u16string normalisedPage(std::u16string_view page) {
    std::u16string out;
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == u'\r' && i + 1 < page.size() && page[i + 1] == u'\n') {
            out += u' ';
            ++i;
        } else if (page[i] == u'\n') {
            out += u' ';
        } else if (page[i] == u'\t') {
            out += u"    ";
        } else {
            out += page[i];
        }
    }
    return out;
}

void collectItems(const XmlNode* node, std::vector<const XmlNode*>& items) {
    for (const auto& child : node->children) {
        if (child->name == u"item")
            items.push_back(child.get());
        collectItems(child.get(), items);
    }
}

bool plainForMarkup(std::u16string_view text) { return text.find_first_of(u"&\r\n\t") == std::u16string_view::npos; }

void checkKelpoOutput(const std::vector<ExtractedEntry>& entries) {
    const std::u16string kelpo = kelpoTextOf(entries);
    XmlDocument document;
    require(document.parse(kelpo) && document.root() != nullptr && document.root()->name == u"kelpo",
            "the kelpo output reads back", toUtf8(kelpo));
    std::vector<const XmlNode*> items;
    collectItems(document.root(), items);
    size_t next = 0;
    for (const ExtractedEntry& entry : entries) {
        if (entry.name == kDepthCountName)
            continue;
        require(next < items.size(), "every value has its item in the kelpo output", toUtf8(kelpo));
        const XmlNode* item = items[next++];
        if (plainForMarkup(entry.value))
            require(EntityCodec::unescapeMarkup(XmlTree::getAttribute(item, u"value")) == entry.value,
                    "a value reads back from the kelpo output", toUtf8(kelpo));
        if (plainForMarkup(entry.name) && entry.name.find_first_of(u"<>'\"") == std::u16string::npos)
            require(XmlTree::getAttribute(item, u"name") == entry.name, "a name reads back from the kelpo output",
                    toUtf8(kelpo));
    }
    require(next == items.size(), "the kelpo output holds no item of its own", toUtf8(kelpo));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EngineFolder& folder = fuzz::engineFolder();
    static const std::u16string page = normalisedPage(folder.page);
    const std::u16string text = decodeFileText(fuzz::bytesOf(data, size));

    const ExtractionScript script = readExtractionScript(text);
    int open = 0;
    size_t ends = 0;
    bool balanced = true;
    for (const ScriptItem& item : script.items) {
        if (item.action == kActionStartLoop)
            ++open;
        if (item.action == kActionEndLoop) {
            ++ends;
            balanced = balanced && open > 0;
            --open;
        }
    }
    balanced = balanced && open == 0;

    std::vector<LoopSpan> loops;
    std::u16string errorText;
    const bool paired = pairLoops(script.items, loops, errorText);
    require(paired == balanced, "loops pair exactly when starts and ends balance", toUtf8(text));
    require(paired == errorText.empty(), "a pairing failure says why", toUtf8(text));
    std::vector<ExtractedEntry> entries;
    bool walked = false;
    if (paired) {
        require(loops.size() == ends, "one loop per end", toUtf8(text));
        for (const LoopSpan& loop : loops)
            require(loop.startIndex < loop.endIndex && script.items[loop.startIndex].action == kActionStartLoop &&
                        script.items[loop.endIndex].action == kActionEndLoop,
                    "a loop runs from a start to a later end", toUtf8(text));
        walked = walkPage(folder.page, script.items, loops, entries, errorText);
        require(walked == errorText.empty(), "a walk that fails says why", toUtf8(text));
        require(entries.size() <= (script.items.size() + 1) * (folder.page.size() + 2),
                "the entries are bounded by the page and the script", toUtf8(text));
        for (const ExtractedEntry& entry : entries) {
            if (entry.name == kDepthCountName)
                continue;
            require(entry.value.find_first_of(u"\t\n") == std::u16string::npos, "a value is one line without tabs",
                    toUtf8(entry.value));
            require(trimBlanks(entry.value).size() == entry.value.size(), "a value is trimmed", toUtf8(entry.value));
            require(page.find(entry.value) != std::u16string::npos, "a value is a piece of the page",
                    toUtf8(entry.value));
        }
        checkKelpoOutput(entries);
    }

    // The same script run from the saved page, through the runner.
    ExtractionRunner runner(folder.appFolder());
    runner.setWorkspacePath(fromUtf8((folder.app / "workspace.htm").string()));
    const bool ran = runner.runScriptText(text, true, {});
    require(ran == runner.ok() && ran == runner.errorText().empty(), "a run that fails says why",
            toUtf8(runner.errorText()));
    if (script.cacheName == u"whatsnew.htm") {
        require(ran == (paired && walked), "a run from the saved page agrees with the walk", toUtf8(text));
        if (ran) {
            const auto got = runner.entries();
            require(got.size() == entries.size(), "a run from the saved page finds the same entries", toUtf8(text));
            for (size_t i = 0; i < got.size(); ++i)
                require(got[i].name == entries[i].name && got[i].value == entries[i].value &&
                            got[i].depth == entries[i].depth,
                        "a run from the saved page finds the same entries", toUtf8(text));
        }
    }
    for (const ExtractedEntry& entry : runner.entries())
        require(toUtf8(entry.value).find(fuzz::kOutsideMarker) == std::string::npos,
                "no run reads a file outside the page folder", toUtf8(text));
    return 0;
}
