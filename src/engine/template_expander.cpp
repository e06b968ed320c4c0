#include "engine/template_expander.h"

#include "engine/extraction_runner.h"
#include "engine/loop_table.h"
#include "engine/template_tags.h"
#include "engine/template_text.h"

#include <map>
#include <utility>

namespace zelvon {
namespace {

std::u16string levelName(int level) {
    const std::string digits = std::to_string(level);
    return std::u16string(digits.begin(), digits.end());
}

// Outside loops a field is the first value its script recorded, at any
// depth; only the first runner carrying the script's name is asked.
std::u16string topLevelValue(const std::vector<NamedRunner>& runners, const FieldRef& ref) {
    for (const auto& named : runners) {
        if (named.name != ref.script)
            continue;
        if (!named.runner)
            return {};
        const int index = named.runner->findEntry(ref.field, -1);
        return index < 0 ? std::u16string{} : named.runner->entryValue(index);
    }
    return {};
}

// Collects the fields the body uses at its own level (not inside nested
// loops) and fills one row per value found at the loop's depth. Values at
// depth 0 take row slots too but are blanked at the end unless a loop value
// came after them. False when the body holds an unterminated tag.
bool buildLoopTable(int level, std::u16string_view body, const std::vector<NamedRunner>& runners,
                    std::u16string& errorText, LoopTable& table) {
    table.clear();
    table.name = levelName(level);
    bool wellFormed = true;
    int nesting = 0;
    size_t pos = 0;
    for (;;) {
        TemplateTag tag;
        const TagScan scan = findTag(body, pos, tag);
        if (scan == TagScan::None)
            break;
        if (scan == TagScan::Unterminated) {
            errorText += kUnterminatedTagMessage;
            wellFormed = false;
            break;
        }
        pos = tag.end;
        FieldRef ref;
        if (tag.content == kStartLoopContent)
            ++nesting;
        else if (tag.content == kEndLoopContent)
            --nesting;
        else if (nesting == 0 && parseFieldRef(tag.content, ref))
            table.addField(ref.key);
    }

    // Each runner's entries are walked once and sorted into their fields by
    // key; searching each field's entries one field at a time made a loop
    // with many fields quadratic. A field's values keep their page order,
    // runner after runner, and each runner fills its rows from the first.
    bool foundAtLevel = false;
    std::vector<size_t> nextRow;
    std::u16string key;
    for (const auto& named : runners) {
        if (!named.runner || table.fieldKeys.empty())
            continue;
        nextRow.assign(table.fieldKeys.size(), 0);
        for (const ExtractedEntry& entry : named.runner->entries()) {
            if (entry.depth != 0 && entry.depth != level)
                continue;
            key.assign(named.name);
            key += u':';
            key += entry.name;
            const int field = table.fieldIndex(key);
            if (field < 0)
                continue;
            if (entry.depth == level)
                foundAtLevel = true;
            const size_t slot = static_cast<size_t>(field);
            table.storeValue(slot, nextRow[slot]++, entry.value, entry.depth);
        }
    }
    if (foundAtLevel)
        table.finish();
    else
        table.clear();
    return wellFormed;
}

// The table lives in the cache of built tables; an open loop only walks it.
// One body at one level is never open twice at once.
struct OpenLoop {
    size_t bodyStart = 0;
    LoopTable* table = nullptr;
};

// A loop's table depends only on its body and its level, never on the record
// of the loop around it, so it is built once per StartLoop tag and level.
// Without this, an inner loop would read every entry of the run again for
// each outer record: a large table with a nested loop took quadratic time.
struct BuiltTable {
    LoopTable table;
    bool wellFormed = true;
};

// The output as it is produced, in pieces of about a megabyte. One growing
// string would, at each doubling, hold its old and its new buffer at once;
// for a large list that moment, beside the page's entries, was the run's
// peak. Joined once at the end, each piece freed as it is copied.
class PiecewiseText {
public:
    void append(std::u16string_view text) {
        if (current_.size() + text.size() > kPieceSize && !current_.empty()) {
            pieces_.push_back(std::move(current_));
            current_ = std::u16string();
        }
        if (current_.capacity() < kPieceSize)
            current_.reserve(kPieceSize);
        current_.append(text);
        size_ += text.size();
    }
    size_t size() const { return size_; }
    std::u16string join() {
        std::u16string text;
        text.reserve(size_);
        for (std::u16string& piece : pieces_) {
            text.append(piece);
            piece = std::u16string();
        }
        text.append(current_);
        pieces_.clear();
        current_ = std::u16string();
        size_ = 0;
        return text;
    }

private:
    static constexpr size_t kPieceSize = size_t{1} << 19; // characters
    std::vector<std::u16string> pieces_;
    std::u16string current_;
    size_t size_ = 0;
};

} // namespace

TemplateExpansion expandTemplate(std::u16string_view templateText, const std::vector<NamedRunner>& runners,
                                 std::u16string& errorText) {
    TemplateExpansion result;
    PiecewiseText out;
    std::vector<OpenLoop> open; // open.size() is the current loop level
    std::map<std::pair<size_t, int>, BuiltTable> built; // by body start and level
    size_t pos = 0;
    for (;;) {
        if (out.size() > kMaxTemplateOutput) {
            errorText += kOutputTooLargeMessage;
            result.success = false;
            break;
        }
        TemplateTag tag;
        const TagScan scan = findTag(templateText, pos, tag);
        if (scan == TagScan::None) {
            out.append(templateText.substr(pos));
            break;
        }
        out.append(templateText.substr(pos, tag.start - pos));
        if (scan == TagScan::Unterminated) {
            errorText += kUnterminatedTagMessage;
            result.success = false;
            break;
        }
        pos = tag.end;

        if (tag.content == kStartLoopContent) {
            size_t endLoopStart = 0;
            if (!findMatchingEndLoop(templateText, pos, endLoopStart)) {
                errorText += kMissingEndLoopMessage;
                result.success = false;
                break;
            }
            OpenLoop loop;
            loop.bodyStart = pos;
            const int level = static_cast<int>(open.size()) + 1;
            const auto [cached, isNew] = built.try_emplace({pos, level});
            if (isNew) {
                cached->second.wellFormed = buildLoopTable(level, templateText.substr(pos, endLoopStart - pos), runners,
                                                           errorText, cached->second.table);
            } else if (!cached->second.wellFormed) {
                errorText += kUnterminatedTagMessage; // as a fresh build of the body would report it
            }
            if (!cached->second.wellFormed)
                result.success = false; // reported; the expansion still goes on
            loop.table = &cached->second.table;
            if (loop.table->start())
                open.push_back(std::move(loop));
            else
                pos = endLoopStart + kEndLoopTag.size(); // no records: the loop writes nothing
        } else if (tag.content == kEndLoopContent) {
            if (open.empty())
                continue; // a stray EndLoop outside any loop is ignored
            if (open.back().table->advance())
                pos = open.back().bodyStart; // write the body again for the next record
            else
                open.pop_back();
        } else {
            FieldRef ref;
            if (!parseFieldRef(tag.content, ref))
                continue;
            if (open.empty())
                out.append(formatFieldValue(topLevelValue(runners, ref), ref.format));
            else
                out.append(formatFieldValue(open.back().table->value(ref.key), ref.format));
        }
    }
    result.text = out.join();
    return result;
}

} // namespace zelvon
