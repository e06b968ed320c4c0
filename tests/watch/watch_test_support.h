#pragma once
// Builds application folders for the watch tests: the folders the program
// expects, a script catalogue and a detail transformer that reads the small
// product pages served by the tests.

#include "support/temp_dir.h"

#include <string>

namespace zelvon::test {

// A store page in the layout the detail script below reads.
inline std::string productPage(const std::string& name, const std::string& company, const std::string& version,
                               const std::string& date = "2004-04-03", const std::string& description = "Edits text.") {
    return "<html><body>\n<h1>" + name + "</h1>\n<h2>" + company + "</h2>\n<h3>" + version + "</h3>\n<h4>" + date +
           "</h4>\n<h5>" + description + "</h5>\n</body></html>\n";
}

// A runtime-form CUSTOM transformer: one inline extraction script named
// "detail" that cuts the five fields out of productPage, and a template
// writing them as a `root` element with one `source` child. `ownUrl` is the
// page the script names itself, read when the caller passes no URL.
inline std::string detailTransformer(const std::string& ownUrl, bool withCompany = true) {
    std::string script =
        "~~~~~~KELPORUNTIME~~~~~~\n"
        "~~~~~~CUSTOM~~~~~~\n"
        "Product detail\n"
        "<extraction>\n"
        "<source url='" + ownUrl + "' cache='detail.htm'/>\n"
        "<item action='[MoveTo]' token='&lt;h1&gt;' variable=''/>\n"
        "<item action='[Extract]' token='&lt;/h1&gt;' variable='productName'/>\n"
        "<item action='[MoveTo]' token='&lt;h2&gt;' variable=''/>\n"
        "<item action='[Extract]' token='&lt;/h2&gt;' variable='productCompany'/>\n"
        "<item action='[MoveTo]' token='&lt;h3&gt;' variable=''/>\n"
        "<item action='[Extract]' token='&lt;/h3&gt;' variable='productVersion'/>\n"
        "<item action='[MoveTo]' token='&lt;h4&gt;' variable=''/>\n"
        "<item action='[Extract]' token='&lt;/h4&gt;' variable='productDate'/>\n"
        "<item action='[MoveTo]' token='&lt;h5&gt;' variable=''/>\n"
        "<item action='[Extract]' token='&lt;/h5&gt;' variable='productDescription'/>\n"
        "</extraction>\n"
        "[vex:endscript:detail]\n"
        "[vex:customstart]\n"
        "<root>\n"
        "<source productName=\"[vex:detail:productName:EXML:vex]\"";
    if (withCompany)
        script += " productCompany=\"[vex:detail:productCompany:EXML:vex]\"";
    script +=
        " productVersion=\"[vex:detail:productVersion:EXML:vex]\""
        " productDate=\"[vex:detail:productDate:EXML:vex]\""
        " productDescription=\"[vex:detail:productDescription:EXML:vex]\"/>\n"
        "</root>\n";
    return script;
}

inline std::string catalogueText(const std::string& detailPrefix, const std::string& detailScript = "detail.nrt") {
    return "<?xml version=\"1.0\"?>\n"
           "<root>\n"
           "  <wareloft>\n"
           "    <productDetail url=\"" + detailPrefix + "\" nrt=\"" + detailScript + "\"/>\n"
           "    <nameSearch url=\"http://127.0.0.1:1/search?q=\" nrt=\"search.nrt\"/>\n"
           "    <whatsNew url=\"http://127.0.0.1:1/new\" nrt=\"new.nrt\"/>\n"
           "    <bestSelling url=\"http://127.0.0.1:1/best\" nrt=\"best.nrt\"/>\n"
           "  </wareloft>\n"
           "</root>\n";
}

// An application folder with cache/ and scripts/ (catalogue and detail
// script) in place.
inline void stageAppFolder(const TempDir& app, const std::string& detailPrefix, const std::string& ownUrl,
                           bool withCompany = true) {
    app.write("scripts/scripts.txt", catalogueText(detailPrefix));
    app.write("scripts/detail.nrt", detailTransformer(ownUrl, withCompany));
    app.write("cache/.keep", "");
}

} // namespace zelvon::test
