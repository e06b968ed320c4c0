// Extraction runs over saved pages: a large version table walked by a loop
// (the time must grow in step with the page, not with its square) and a
// store-list page of typical size.

#include "engine/extraction_runner.h"
#include "scratch_app_folder.h"
#include "foundation/text_codec.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace zelvon;

using bench::ScratchAppFolder;

const ScratchAppFolder& appFolder() {
    static const ScratchAppFolder folder;
    return folder;
}

// About 100 bytes a row, so 10,000 rows make a page of about 1 MB.
std::string tablePage(int rows) {
    std::string page = "<html><head><title>Versions</title></head><body><h1>Version history</h1>\n<table>\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        std::string notes = "notes for release " + n;
        notes.resize(56, '.');
        page += "<tr title=\"" + notes + "\"><td>Product " + n + "</td><td>1." + n + "</td></tr>\n";
    }
    return page + "</table>\n<p>end</p></body></html>\n";
}

const char* const kTableScript = "<extraction><source url='' cache='table.htm'/>"
                                 "<item action='[StartLoop]' token='&lt;table&gt;' variable=''/>"
                                 "<item action='[MoveTo]' token='&lt;td&gt;' variable=''/>"
                                 "<item action='[Extract]' token='&lt;/td&gt;' variable='productName'/>"
                                 "<item action='[MoveTo]' token='&lt;td&gt;' variable=''/>"
                                 "<item action='[Extract]' token='&lt;/td&gt;' variable='productVersion'/>"
                                 "<item action='[EndLoop]' token='&lt;/table&gt;' variable=''/>"
                                 "</extraction>";

void BM_TableLoop(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const std::string page = tablePage(rows);
    appFolder().savePage("table.htm", page);
    ExtractionRunner runner(appFolder().folder());
    const std::u16string script = u16(kTableScript);
    for (auto _ : state) {
        if (!runner.runScriptText(script, true, u"")) {
            state.SkipWithError("run failed");
            break;
        }
        benchmark::DoNotOptimize(runner.findEntry(u"productVersion", -1));
    }
    // Three entries a row (name, version, pass marker): the last row's name
    // must be the last name.
    const int lastName = 3 * (rows - 1);
    if (runner.entryValue(lastName) != u16("Product " + std::to_string(rows - 1)) || runner.findEntry(u"productName", lastName) != -1)
        state.SkipWithError("unexpected entries");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.SetComplexityN(rows);
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_TableLoop)->Arg(2500)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// A What's New style list of about 100 KB: one block per product with its
// link, name, maker, version and a short description.
std::string storeListPage() {
    std::string page = "<html><head><title>What's New</title></head><body>\n"
                       "<div class=\"menu\"><a href=\"/\">Home</a> | <a href=\"/new.asp\">New</a></div>\n"
                       "<div id=\"list\">\n";
    for (int i = 0; page.size() < 100 * 1024; ++i) {
        const std::string n = std::to_string(1000 + i);
        page += "<div class=\"product\">\n  <a href=\"/product.asp?id=" + n + "\">Pocket Tool " + n +
                "</a>\n  <span class=\"maker\">Maker " + std::to_string(i % 37) + "</span>\n" +
                "  <span class=\"version\">" + std::to_string(i % 9) + "." + std::to_string(i % 13) +
                "</span>\n  <p>A handy program for everyday tasks, release " + n + ".</p>\n</div>\n";
    }
    return page + "</div><!--list-->\n<div class=\"footer\">Wareloft</div></body></html>\n";
}

const char* const kStoreListScript = "<extraction><source url='' cache='list.htm'/>"
                                     "<item action='[MoveTo]' token='&lt;div id=&quot;list&quot;&gt;' variable=''/>"
                                     "<item action='[StartLoop]' token='&lt;div class=&quot;product&quot;&gt;' variable=''/>"
                                     "<item action='[MoveTo]' token='?id=' variable=''/>"
                                     "<item action='[Extract]' token='&quot;&gt;' variable='productID'/>"
                                     "<item action='[Extract]' token='&lt;/a&gt;' variable='productName'/>"
                                     "<item action='[MoveTo]' token='&quot;maker&quot;&gt;' variable=''/>"
                                     "<item action='[Extract]' token='&lt;/span&gt;' variable='productCompany'/>"
                                     "<item action='[MoveTo]' token='&quot;version&quot;&gt;' variable=''/>"
                                     "<item action='[Extract]' token='&lt;/span&gt;' variable='productVersion'/>"
                                     "<item action='[MoveTo]' token='&lt;p&gt;' variable=''/>"
                                     "<item action='[Extract]' token='&lt;/p&gt;' variable='productDescription'/>"
                                     "<item action='[EndLoop]' token='&lt;/div&gt;&lt;!--list--&gt;' variable=''/>"
                                     "</extraction>";

void BM_StoreListPage(benchmark::State& state) {
    const std::string page = storeListPage();
    appFolder().savePage("list.htm", page);
    ExtractionRunner runner(appFolder().folder());
    const std::u16string script = u16(kStoreListScript);
    for (auto _ : state) {
        if (!runner.runScriptText(script, true, u"")) {
            state.SkipWithError("run failed");
            break;
        }
        benchmark::DoNotOptimize(runner.kelpoText());
    }
    if (runner.entryValue(runner.findEntry(u"productID", -1)) != u"1000")
        state.SkipWithError("unexpected entries");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_StoreListPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
