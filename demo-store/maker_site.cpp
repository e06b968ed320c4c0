#include "maker_site.h"

#include "html_text.h"

#include <fstream>
#include <iterator>

namespace zelvon::demo {
namespace {

std::string slashed(std::string_view destination) {
    std::string out(destination);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string fileUrl(std::string_view storeBase, const ScriptSetFile& file) {
    return std::string(storeBase) + kScriptUpdatePath + "v" + std::to_string(kPublishedScriptSet) + "/" +
           slashed(file.destination);
}

// The four entities the program decodes in engine and update files; an
// ampersand stays as it is, because "&amp;" would not be decoded.
std::string escapeAttribute(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\'': out += "&#039;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

const std::vector<ScriptSetFile>& publishedScriptSet() {
    static const std::vector<ScriptSetFile> files = {
        {"Script catalogue", "scripts\\scripts.txt", {"scripts/scripts.txt"}},
        {"Product detail script", "scripts\\productDetail.nrt", {"scripts/productDetail.nrt", "scrambled/productDetail.nrt"}},
        {"Name search script", "scripts\\nameSearch.nrt", {"scripts/nameSearch.nrt"}},
        {"What's New script", "scripts\\whatsNew.nrt", {"scripts/whatsNew.nrt"}},
        {"What's New extraction", "data\\whatsNew.xml", {"data/whatsNew.xml"}},
        {"Best Selling script", "scripts\\bestSelling.nrt", {"scripts/bestSelling.nrt"}},
        {"Version history script", "scripts\\versionHistory.nrt", {"scripts/versionHistory.nrt"}},
    };
    return files;
}

std::string renderMakerHome(std::string_view storeBase) {
    const std::string info = std::string(storeBase) + kScriptUpdatePath + kScriptInfoName;
    std::string html;
    html += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
            "<title>Orvalis - Software for handhelds</title>\n</head>\n"
            "<body style=\"font-family: Verdana, Arial, sans-serif; font-size: 13px;\">\n"
            "<h1>Orvalis</h1>\n<p>Small, useful programs for handheld computers.</p>\n"
            "<h2>Zelvon</h2>\n"
            "<p>Zelvon watches the programs you bought on the Wareloft store and tells you when a new version "
            "comes out. It reads the store's pages with parsing scripts that we keep up to date: when the "
            "store changes its pages, choose <b>Options &gt; Check for Parsing Scripts...</b> in Zelvon to "
            "fetch the current set.</p>\n"
            "<p>Current parsing-script set: <b>";
    html += std::to_string(kPublishedScriptSet);
    html += "</b> (<a href=\"" + escapeHtml(info) + "\">description</a>)</p>\n"
            "<h2>Support</h2>\n<p>Zelvon is not made by Wareloft. If something does not work, write to us and "
            "we will look into it.</p>\n</body>\n</html>\n";
    return html;
}

std::string renderScriptInfo(std::string_view storeBase) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    xml += "<root version=\"" + std::to_string(kPublishedScriptSet) + "\">\n";
    for (const ScriptSetFile& file : publishedScriptSet())
        xml += "    <scriptFile name=\"" + escapeAttribute(file.label) + "\" url=\"" +
               escapeAttribute(fileUrl(storeBase, file)) + "\" destination=\"" + escapeAttribute(file.destination) + "\"/>\n";
    xml += "</root>\n";
    return xml;
}

std::optional<std::string> loadScriptSetFile(std::string_view appDataDir, std::string_view slashDestination,
                                             std::string_view storeBase) {
    for (const ScriptSetFile& file : publishedScriptSet()) {
        if (slashed(file.destination) != slashDestination)
            continue;
        for (const std::string& candidate : file.candidates) {
            std::string bytes;
            if (!readWholeFile(std::string(appDataDir) + "/" + candidate, bytes))
                continue;
            if (bytes.rfind("ENCMARLO", 0) == 0)
                return bytes;
            return replaceAll(std::move(bytes), kFixedStoreBase, storeBase);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty())
        return text;
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

} // namespace zelvon::demo
