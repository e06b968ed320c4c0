#pragma once
// A FlowUi for tests: records every call in order and answers questions and
// Select Item choices from scripted queues (No and Cancel when a queue is
// empty).

#include "foundation/text_codec.h"
#include "watch/flow_ui.h"

#include <deque>
#include <string>
#include <vector>

namespace zelvon::test {

class RecordingFlowUi : public FlowUi {
public:
    struct Message {
        std::u16string text;
        std::u16string caption;
    };

    void showMessage(std::u16string_view text, std::u16string_view caption) override {
        messages.push_back({std::u16string(text), std::u16string(caption)});
        events.push_back(u"message:" + std::u16string(caption) + u":" + std::u16string(text));
    }
    // The box as showMessage records it; the cause beside it in `failures`.
    void showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) override {
        showMessage(text, caption);
        failures.push_back(failure);
    }
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override {
        questions.push_back({std::u16string(text), std::u16string(caption)});
        events.push_back(u"question:" + std::u16string(caption) + u":" + std::u16string(text));
        if (yesNoAnswers.empty())
            return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    std::optional<size_t> pickItem(const std::vector<std::u16string>& names) override {
        pickOffers.push_back(names);
        events.push_back(u"pick");
        if (pickAnswers.empty())
            return std::nullopt;
        const std::optional<size_t> answer = pickAnswers.front();
        pickAnswers.pop_front();
        return answer;
    }
    void showPaneText(std::u16string_view html) override {
        paneTexts.emplace_back(html);
        events.push_back(u"pane:" + std::u16string(html));
    }
    void setStatusText(std::u16string_view text) override {
        statusTexts.emplace_back(text);
        events.push_back(u"status:" + std::u16string(text));
    }
    void beginWait() override { ++waitDepth; ++waitsBegun; }
    void endWait() override { --waitDepth; }

    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<size_t>> pickAnswers;

    std::vector<Message> messages;
    std::vector<Failure> failures;
    std::vector<Message> questions;
    std::vector<std::vector<std::u16string>> pickOffers;
    std::vector<std::u16string> paneTexts;
    std::vector<std::u16string> statusTexts;
    std::vector<std::u16string> events;
    int waitDepth = 0;
    int waitsBegun = 0;
};

} // namespace zelvon::test
