#include "cli/terminal_flow_ui.h"

#include "foundation/text_codec.h"

#include <istream>
#include <ostream>
#include <string>
#include <unistd.h>

namespace zelvon::cli {

std::string paneTextAsPlainText(std::u16string_view html) {
    std::u16string text;
    for (size_t i = 0; i < html.size(); ++i) {
        if (html[i] == u'<') {
            const size_t close = html.find(u'>', i);
            if (close == std::u16string_view::npos)
                break;
            std::u16string tag(html.substr(i + 1, close - i - 1));
            for (auto& c : tag)
                if (c >= u'A' && c <= u'Z')
                    c = static_cast<char16_t>(c - u'A' + u'a');
            if (tag == u"br" || tag == u"br/" || tag == u"br /" || tag == u"p")
                text += u'\n';
            i = close;
        } else {
            text += html[i];
        }
    }
    const std::pair<std::u16string_view, std::u16string_view> entities[] = {
        {u"&lt;", u"<"}, {u"&gt;", u">"}, {u"&quot;", u"\""}, {u"&#039;", u"'"}, {u"&nbsp;", u" "}, {u"&amp;", u"&"}};
    for (const auto& [entity, plain] : entities) {
        for (size_t at = text.find(entity); at != std::u16string::npos; at = text.find(entity, at + plain.size()))
            text.replace(at, entity.size(), plain);
    }
    return toUtf8(text);
}

std::string causeLine(const Failure& failure) { return "Cause: " + toUtf8(describeFailure(failure)) + "."; }

TerminalFlowUi::TerminalFlowUi(std::istream& in, std::ostream& out, std::ostream& err, bool interactive)
    : in_(in), out_(out), err_(err), interactive_(interactive) {}

bool TerminalFlowUi::stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

void TerminalFlowUi::showMessage(std::u16string_view text, std::u16string_view caption) {
    if (!caption.empty())
        out_ << toUtf8(caption) << ": ";
    out_ << toUtf8(text) << '\n';
    out_.flush();
}

void TerminalFlowUi::showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) {
    // The engine's texts end in line feeds meant for a box; here the cause
    // follows on the very next line, without blank lines between.
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.remove_suffix(1);
    showMessage(text, caption);
    if (failure.failed()) {
        out_ << causeLine(failure) << '\n';
        out_.flush();
    }
}

bool TerminalFlowUi::askYesNo(std::u16string_view text, std::u16string_view caption) {
    if (!interactive_)
        return false;
    if (!caption.empty())
        out_ << toUtf8(caption) << ": ";
    out_ << toUtf8(text) << " [y/N] ";
    out_.flush();
    std::string answer;
    if (!std::getline(in_, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

std::optional<size_t> TerminalFlowUi::pickItem(const std::vector<std::u16string>& names) {
    if (!interactive_ || names.empty())
        return std::nullopt;
    out_ << "Multiple Matches:  Select a Product\n";
    for (size_t i = 0; i < names.size(); ++i)
        out_ << "  " << (i + 1) << ") " << toUtf8(names[i]) << '\n';
    out_ << "Number (empty to cancel): ";
    out_.flush();
    std::string answer;
    if (!std::getline(in_, answer) || answer.empty() || answer.size() > 6)
        return std::nullopt;
    size_t chosen = 0;
    for (const char c : answer) {
        if (c < '0' || c > '9')
            return std::nullopt;
        chosen = chosen * 10 + static_cast<size_t>(c - '0');
    }
    if (chosen < 1 || chosen > names.size())
        return std::nullopt;
    return chosen - 1;
}

void TerminalFlowUi::showPaneText(std::u16string_view html) {
    out_ << paneTextAsPlainText(html) << '\n';
    out_.flush();
}

void TerminalFlowUi::setStatusText(std::u16string_view text) {
    err_ << toUtf8(text) << '\n';
}

} // namespace zelvon::cli
