#include "engine/extraction_output.h"

#include "engine/extraction_runner.h"
#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"

#include <string>

namespace zelvon {
namespace {

void indent(std::u16string& out, int level) {
    for (int k = 0; k < level; ++k)
        out += u"    ";
}

} // namespace

std::u16string kelpoTextOf(const ExtractedEntries& entries) {
    std::u16string out = u"<kelpo>\n";
    int level = 0;
    for (const ExtractedEntry& entry : entries) {
        // One tag per level crossed, each at its own indent, so a pass that
        // begins inside an inner loop (two levels deeper at once) still
        // gives balanced records.
        while (level < entry.depth) {
            ++level;
            indent(out, level);
            out += u"<record>\n";
        }
        while (level > entry.depth && level > 0) {
            indent(out, level);
            out += u"</record>\n";
            --level;
        }
        if (entry.name() == kDepthCountName)
            continue;
        indent(out, level + 1);
        out += u"<item name='";
        out += EntityCodec::escapeMarkup(entry.name());
        out += u"' value='";
        out += EntityCodec::escapeMarkup(entry.value());
        out += u"'/>\n";
    }
    // A successful walk always ends outside every loop; this only guards
    // the balance of the text.
    while (level > 0) {
        indent(out, level);
        out += u"</record>\n";
        --level;
    }
    out += u"</kelpo>\n";
    return out;
}

std::u16string tildeTextOf(const ExtractedEntries& entries) {
    std::u16string out;
    for (const ExtractedEntry& entry : entries) {
        if (entry.name() == kDepthCountName)
            continue;
        out += entry.name();
        out += u'~';
        out += u16(std::to_string(entry.depth));
        out += u'~';
        out += entry.value();
        out += u'\n';
    }
    return out;
}

int ExtractionRunner::findEntry(std::u16string_view name, int after) const {
    if (!ok_)
        return -1;
    const int count = static_cast<int>(entries_.size());
    if (after >= count)
        return -1;
    for (int i = after < 0 ? 0 : after + 1; i < count; ++i)
        if (entries_[static_cast<size_t>(i)].name() == name)
            return i;
    return -1;
}

std::u16string ExtractionRunner::entryValue(int index) const {
    if (!ok_ || index < 0 || index >= static_cast<int>(entries_.size()))
        return {};
    return std::u16string(entries_[static_cast<size_t>(index)].value());
}

int ExtractionRunner::entryDepth(int index) const {
    if (!ok_ || index < 0 || index >= static_cast<int>(entries_.size()))
        return -1;
    return entries_[static_cast<size_t>(index)].depth;
}

std::u16string ExtractionRunner::kelpoText() const { return ok_ ? kelpoTextOf(entries_) : std::u16string(); }

std::u16string ExtractionRunner::tildeText() const { return ok_ ? tildeTextOf(entries_) : std::u16string(); }

} // namespace zelvon
