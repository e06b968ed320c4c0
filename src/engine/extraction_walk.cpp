#include "engine/extraction_walk.h"

#include "engine/extraction_script.h"
#include "foundation/blank_text.h"

#include <algorithm>

namespace zelvon {
namespace {

constexpr size_t kNotFound = std::u16string_view::npos;

enum class Action { MoveTo, Extract, StartLoop, EndLoop, Other };

Action classify(std::u16string_view action) {
    if (action == kActionMoveTo)
        return Action::MoveTo;
    if (action == kActionExtract)
        return Action::Extract;
    if (action == kActionStartLoop)
        return Action::StartLoop;
    if (action == kActionEndLoop)
        return Action::EndLoop;
    return Action::Other;
}

class PageWalk {
public:
    PageWalk(std::u16string_view page, const std::vector<ScriptItem>& items, const std::vector<LoopSpan>& loops,
             ExtractedEntries& entries, std::u16string& errorText)
        : page_(page), items_(items), loops_(loops), entries_(entries), errorText_(errorText),
          actions_(items.size()), names_(items.size()), loopAtStart_(items.size(), -1), memo_(items.size()) {
        // Each cutting item's name is kept once; its entries share it.
        for (size_t i = 0; i < items.size(); ++i) {
            actions_[i] = classify(items[i].action);
            if (actions_[i] == Action::Extract)
                names_[i] = entries.keepName(items[i].variable);
        }
        for (size_t k = 0; k < loops.size(); ++k)
            if (loops[k].startIndex >= 0 && static_cast<size_t>(loops[k].startIndex) < items.size())
                loopAtStart_[loops[k].startIndex] = static_cast<int>(k);
    }

    bool run() {
        const int count = static_cast<int>(items_.size());
        for (int i = 0; i < count; ++i) {
            const bool fine = open_.empty() ? stepAtTop(i) : stepInLoop(i);
            if (!fine)
                return false;
        }
        return true;
    }

private:
    struct OpenLoop {
        int loop;          // index into the loop list
        size_t passStart;  // cursor when the current pass began
    };

    int depth() const { return static_cast<int>(open_.size()); }
    const LoopSpan& topLoop() const { return loops_[open_.back().loop]; }
    // The end marker of the innermost open loop: the token of its "[EndLoop]".
    const std::u16string& endToken() const { return items_[topLoop().endIndex].token; }

    // First occurrence of item `index`'s token at or after the cursor.
    // Remembered per item: the cursor only moves forward, so a position
    // found earlier stays the first one while it is not behind the cursor,
    // and a token missing after an earlier cursor stays missing. Without
    // this, every item of every pass would search a large table's whole
    // remainder for the loop's end marker.
    size_t find(int index) {
        const std::u16string& token = items_[index].token;
        if (token.empty())
            return cursor_;
        Memo& memo = memo_[index];
        if (!memo.known || (memo.position != kNotFound && memo.position < cursor_)) {
            memo.position = page_.find(token, cursor_);
            memo.known = true;
        }
        return memo.position;
    }

    bool fail(std::u16string_view what, std::u16string_view token) {
        errorText_ += u"\nCould not find ";
        errorText_ += what;
        errorText_ += u":  ";
        errorText_ += token;
        return false;
    }

    // Records what item `index` cuts, from the cursor up to `to`.
    void record(int index, size_t to, int depth) {
        entries_.add(names_[index], cutTextInto(page_, cursor_, to, entries_), depth);
    }
    void recordPassEnd() { entries_.addPassEnd(depth() - 1); }

    bool stepAtTop(int& i) {
        const ScriptItem& item = items_[i];
        switch (actions_[i]) {
        case Action::StartLoop: {
            const size_t p = find(i);
            if (p == kNotFound)
                return fail(kActionMoveTo, item.token);
            return enterLoop(i, p);
        }
        case Action::MoveTo: {
            const size_t p = find(i);
            if (p == kNotFound)
                return fail(kActionMoveTo, item.token);
            cursor_ = p + item.token.size();
            return true;
        }
        case Action::Extract: {
            const size_t p = find(i);
            if (p == kNotFound)
                return fail(kActionExtract, item.token);
            record(i, p, 0);
            cursor_ = p + item.token.size();
            return true;
        }
        default:
            return true;
        }
    }

    bool stepInLoop(int& i) {
        const ScriptItem& item = items_[i];
        const Action action = actions_[i];
        const size_t pT = find(i);

        if (action == Action::EndLoop) {
            const LoopSpan& loop = topLoop();
            i = loop.startIndex;
            if (pT == kNotFound)
                return fail(kActionEndLoop, item.token);
            recordPassEnd();
            // A pass that left the cursor where it began would be repeated
            // identically for ever (nothing else in the walk's state has
            // changed), so the loop is left here instead, as if its end
            // marker had been met: closing marker, cursor past the marker.
            if (cursor_ == open_.back().passStart) {
                leaveLoop(i, pT);
                return true;
            }
            open_.back().passStart = cursor_;
            return true;
        }

        const std::u16string& end = endToken();
        if (!end.empty()) {
            const size_t pE = find(topLoop().endIndex);
            if (pE == kNotFound)
                return fail(kActionEndLoop, end);
            // The item's token lies beyond the end marker (or nowhere): the
            // loop region is exhausted, and a cut runs up to the marker.
            if (pT == kNotFound || pE < pT) {
                if (action == Action::Extract)
                    record(i, pE, depth());
                leaveLoop(i, pE);
                return true;
            }
        }

        switch (action) {
        case Action::StartLoop:
            if (pT == kNotFound)
                return fail(kActionMoveTo, item.token);
            return enterLoop(i, pT);
        case Action::MoveTo:
            // Inside a loop a missing token is no error.
            if (pT != kNotFound)
                cursor_ = pT + item.token.size();
            return true;
        case Action::Extract:
            if (pT != kNotFound) {
                record(i, pT, depth());
                cursor_ = pT + item.token.size();
            }
            return true;
        default:
            return true;
        }
    }

    // "[StartLoop]" item `i` whose token was found at `p`.
    bool enterLoop(int& i, size_t p) {
        const int loopIndex = loopAtStart_[i];
        if (loopIndex < 0)
            return true; // not a paired start; pairLoops rules this out
        const LoopSpan& loop = loops_[loopIndex];
        open_.push_back({loopIndex, 0});
        const size_t e = find(loop.endIndex);
        if (e == kNotFound)
            return fail(kActionEndLoop, loop.endToken);
        if (e < p) {
            // The end marker comes before the start token: an empty loop.
            cursor_ = e + loop.endToken.size();
            open_.pop_back();
            i = loop.endIndex;
            return true;
        }
        cursor_ = p + items_[i].token.size();
        open_.back().passStart = cursor_;
        return true;
    }

    // Leaves the innermost loop; `endAt` is where its end marker was found.
    void leaveLoop(int& i, size_t endAt) {
        recordPassEnd();
        const LoopSpan& loop = topLoop();
        if (endAt != kNotFound)
            cursor_ = endAt + loop.endToken.size();
        i = loop.endIndex;
        open_.pop_back();
    }

    struct Memo {
        bool known = false;
        size_t position = kNotFound;
    };

    std::u16string_view page_;
    const std::vector<ScriptItem>& items_;
    const std::vector<LoopSpan>& loops_;
    ExtractedEntries& entries_;
    std::u16string& errorText_;
    std::vector<Action> actions_;
    std::vector<const std::u16string_view*> names_;
    std::vector<int> loopAtStart_;
    std::vector<Memo> memo_;
    std::vector<OpenLoop> open_;
    size_t cursor_ = 0;
};

} // namespace

namespace {

std::u16string_view trimmedPiece(std::u16string_view page, size_t from, size_t to) {
    if (from >= to || from >= page.size())
        return {};
    std::u16string_view text = page.substr(from, to - from);
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Walks the cleaned-up text of `text`, handing each piece to `put`.
template <typename Put>
void cleanText(std::u16string_view text, Put&& put) {
    for (size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == u'\t') {
            put(u"    ");
        } else if (c == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n') {
            put(u" ");
            ++k;
        } else if (c == u'\n') {
            put(u" ");
        } else {
            put(std::u16string_view(&text[k], 1));
        }
    }
}

// The cleaned text's length: a tab widens by three, a CR LF pair narrows by one.
size_t cleanLength(std::u16string_view text) {
    size_t length = text.size();
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == u'\t')
            length += 3;
        else if (text[k] == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n')
            --length;
    }
    return length;
}

} // namespace

std::u16string cutText(std::u16string_view page, size_t from, size_t to) {
    const std::u16string_view text = trimmedPiece(page, from, to);
    std::u16string out;
    out.reserve(cleanLength(text));
    cleanText(text, [&](std::u16string_view piece) { out += piece; });
    return out;
}

std::u16string_view cutTextInto(std::u16string_view page, size_t from, size_t to, ExtractedEntries& entries) {
    const std::u16string_view text = trimmedPiece(page, from, to);
    const size_t length = cleanLength(text);
    char16_t* const room = entries.allocate(length);
    char16_t* out = room;
    cleanText(text, [&](std::u16string_view piece) { out = std::copy(piece.begin(), piece.end(), out); });
    return {room, length};
}

bool walkPage(std::u16string_view page, const std::vector<ScriptItem>& items, const std::vector<LoopSpan>& loops,
              ExtractedEntries& entries, std::u16string& errorText) {
    return PageWalk(page, items, loops, entries, errorText).run();
}

} // namespace zelvon
