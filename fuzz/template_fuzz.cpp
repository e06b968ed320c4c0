// Templates of CUSTOM transformers, expanded over the runners of a real run
// (the shipped What's New script and a one-field script over the saved
// page): text without tags comes out as it is, an expansion fails exactly
// when it says why, and the output stays bounded: by the size cap plus one
// step, and without loops by the tags times the longest value. Without
// loops the expansion also matches a plain reference.
#include "engine_folder.h"

#include "engine/template_expander.h"
#include "engine/template_tags.h"
#include "engine/template_text.h"

using namespace zelvon;
using fuzz::require;

namespace {

struct Runners {
    std::vector<NamedRunner> runners;
    size_t longestValue = 0;

    Runners() {
        fuzz::EngineFolder& folder = fuzz::engineFolder();
        const std::u16string shipped =
            decodeFileText(fuzz::readFile(std::filesystem::path(ZELVON_APPDATA) / "data" / "whatsNew.xml"));
        const std::u16string title = u"<extraction><source url='' cache='whatsnew.htm'/>"
                                     u"<item action='[MoveTo]' token='&lt;title&gt;' variable=''/>"
                                     u"<item action='[Extract]' token='&lt;/title&gt;' variable='title'/>"
                                     u"</extraction>";
        for (const auto& [name, script] : {std::pair{u"whatsNew.xml", shipped}, std::pair{u"page", title}}) {
            auto runner = std::make_unique<ExtractionRunner>(folder.appFolder());
            require(runner->runScriptText(script, true, {}), "the runners for the templates run",
                    toUtf8(runner->errorText()));
            for (const ExtractedEntry& entry : runner->entries())
                longestValue = std::max(longestValue, entry.value.size());
            runners.push_back({name, std::move(runner)});
        }
        require(runners[0].runner->entries().size() > 10, "the What's New run finds records");
    }
};

// Expansion of a template without loops as the language defines it: each
// "[vex:" up to the next ":vex]" (searched from the tag's own start) is a
// tag; "script:field" or "script:field:format" takes the first value of that
// field from the first runner of that name, in that format; any other tag
// writes nothing; a tag without its close ends the expansion with an error.
TemplateExpansion referenceExpansion(std::u16string_view text, const std::vector<NamedRunner>& runners) {
    TemplateExpansion result;
    size_t pos = 0;
    for (;;) {
        const size_t start = text.find(u"[vex:", pos);
        if (start == std::u16string_view::npos) {
            result.text.append(text.substr(pos));
            return result;
        }
        result.text.append(text.substr(pos, start - pos));
        const size_t close = text.find(u":vex]", start);
        if (close == std::u16string_view::npos) {
            result.success = false;
            return result;
        }
        const std::u16string_view content = close > start + 5 ? text.substr(start + 5, close - start - 5) : u"";
        pos = close + 5;
        const size_t first = content.find(u':');
        if (first == std::u16string_view::npos)
            continue;
        const size_t second = content.find(u':', first + 1);
        const std::u16string_view script = content.substr(0, first);
        const std::u16string_view field =
            content.substr(first + 1, second == std::u16string_view::npos ? std::u16string_view::npos : second - first - 1);
        const std::u16string_view format = second == std::u16string_view::npos ? u"" : content.substr(second + 1);
        std::u16string value;
        for (const auto& named : runners) {
            if (named.name != script)
                continue;
            for (const ExtractedEntry& entry : named.runner->entries())
                if (entry.name == field) {
                    value = entry.value;
                    break;
                }
            break;
        }
        result.text += formatFieldValue(value, format);
    }
}

size_t count(std::u16string_view text, std::u16string_view piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::u16string_view::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Runners fixture;
    const std::u16string text = decodeFileText(fuzz::bytesOf(data, size));
    std::u16string errorText;
    const TemplateExpansion expansion = expandTemplate(text, fixture.runners, errorText);

    require(expansion.success == errorText.empty(), "an expansion fails exactly when it says why", toUtf8(text));
    // A field value grows at most six times ("&quot;" for a quote).
    const size_t longestField = 6 * fixture.longestValue + 1;
    const size_t tags = count(text, u"[vex:");
    if (tags == 0)
        require(expansion.success && expansion.text == text, "text without tags comes out as it is", toUtf8(text));
    require(expansion.text.size() <= kMaxTemplateOutput + text.size() + longestField,
            "the output stays within the size cap", toUtf8(text));
    if (text.find(kStartLoopTag) == std::u16string::npos) {
        require(expansion.text.size() <= text.size() + tags * longestField,
                "without loops the output is bounded by the tags times the longest value", toUtf8(text));
        const TemplateExpansion expected = referenceExpansion(text, fixture.runners);
        require(expansion.success == expected.success && expansion.text == expected.text,
                "without loops the expansion matches the reference", toUtf8(text));
    }
    return 0;
}
