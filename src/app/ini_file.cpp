#include "app/ini_file.h"

#include "app/ini_escaping.h"

namespace zelvon {
namespace {

char16_t foldCase(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

IniFile::IniFile(std::string_view bytes) {
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        lines_.push_back(parse(std::string(bytes.substr(start, end - start))));
        start = end + 1;
    }
}

IniFile::Line IniFile::parse(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    std::string_view text = line.raw;
    if (!text.empty() && text.back() == '\r') // written on another system
        text.remove_suffix(1);
    text = trim(text);
    if (text.empty() || text.front() == ';' || text.front() == '#')
        return line;
    if (text.front() == '[') {
        const size_t close = ini::findSectionEnd(text);
        if (close != std::string_view::npos && trim(text.substr(close + 1)).empty()) {
            line.kind = Kind::Section;
            line.name = ini::unescape(text.substr(1, close - 1));
        }
        return line;
    }
    const size_t separator = ini::findSeparator(text);
    if (separator != std::string_view::npos) {
        line.kind = Kind::Entry;
        line.name = ini::unescape(trim(text.substr(0, separator)));
        line.value = ini::unescape(trim(text.substr(separator + 1)));
    }
    return line;
}

IniFile::Line IniFile::makeEntry(std::u16string_view key, std::u16string_view value) {
    Line line;
    line.kind = Kind::Entry;
    line.name = key;
    line.value = value;
    line.raw = ini::escape(key, ini::Field::Key) + "=" + ini::escape(value, ini::Field::Value);
    return line;
}

std::optional<std::u16string> IniFile::value(std::u16string_view section, std::u16string_view key) const {
    bool inSection = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == Kind::Entry && sameName(line.name, key))
            return line.value;
    }
    return std::nullopt;
}

void IniFile::setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    bool inSection = false;
    for (Line& line : lines_) {
        if (line.kind == Kind::Section) {
            inSection = sameName(line.name, section);
        } else if (inSection && line.kind == Kind::Entry && sameName(line.name, key)) {
            line = makeEntry(key, value);
            return;
        }
    }

    for (size_t header = 0; header < lines_.size(); ++header) {
        if (lines_[header].kind != Kind::Section || !sameName(lines_[header].name, section))
            continue;
        // Right after the block's last entry: blank lines and comments at
        // its end usually introduce what follows.
        size_t at = header + 1;
        for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
            if (lines_[i].kind == Kind::Entry)
                at = i + 1;
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), makeEntry(key, value));
        return;
    }

    if (!lines_.empty() && !trim(lines_.back().raw).empty())
        lines_.push_back(Line{}); // a blank line between sections
    Line header;
    header.kind = Kind::Section;
    header.name = section;
    header.raw = "[" + ini::escape(section, ini::Field::Section) + "]";
    lines_.push_back(std::move(header));
    lines_.push_back(makeEntry(key, value));
}

std::string IniFile::bytes() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.raw;
        out += '\n';
    }
    return out;
}

} // namespace zelvon
