// Template expansion over a large run: a list of groups, each with a few
// items, written by a template whose loop holds a nested loop. The time must
// grow in step with the number of entries, also when the nested loop finds
// no records of its own and so writes nothing.

#include "engine/extraction_runner.h"
#include "engine/template_expander.h"
#include "scratch_app_folder.h"
#include "foundation/text_codec.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zelvon;

std::string groupsPage(int groups) {
    std::string page = "<html><body><list>\n";
    for (int i = 0; i < groups; ++i) {
        const std::string n = std::to_string(i);
        page += "<g><h>Group " + n + "</h><ul><li>first " + n + "</li><li>second " + n + "</li></ul></g>\n";
    }
    return page + "</list></body></html>\n";
}

// Group names at depth 1, their items at depth 2.
const char* const kGroupsScript = "<extraction><source url='' cache='groups.htm'/>"
                                  "<item action='[StartLoop]' token='&lt;list&gt;' variable=''/>"
                                  "<item action='[MoveTo]' token='&lt;h&gt;' variable=''/>"
                                  "<item action='[Extract]' token='&lt;/h&gt;' variable='group'/>"
                                  "<item action='[StartLoop]' token='&lt;ul&gt;' variable=''/>"
                                  "<item action='[MoveTo]' token='&lt;li&gt;' variable=''/>"
                                  "<item action='[Extract]' token='&lt;/li&gt;' variable='entry'/>"
                                  "<item action='[EndLoop]' token='&lt;/ul&gt;' variable=''/>"
                                  "<item action='[EndLoop]' token='&lt;/list&gt;' variable=''/>"
                                  "</extraction>";

// The nested loop asks for a field no entry carries, so it has no records:
// its cost is all in finding that out, once per group record.
const char16_t* const kTemplate = u"<root>\n[vex:StartLoop:vex]<group name='[vex:g:group:EXML:vex]'>"
                                  u"[vex:StartLoop:vex]<note>[vex:g:note:vex]</note>[vex:EndLoop:vex]"
                                  u"</group>\n[vex:EndLoop:vex]</root>\n";

void BM_NestedTemplateLoop(benchmark::State& state) {
    const int groups = static_cast<int>(state.range(0));
    const bench::ScratchAppFolder page;
    page.savePage("groups.htm", groupsPage(groups));
    std::vector<NamedRunner> runners;
    runners.push_back({u"g", std::make_unique<ExtractionRunner>(page.folder())});
    if (!runners[0].runner->runScriptText(fromUtf8(kGroupsScript), true, u"")) {
        state.SkipWithError("extraction failed");
        return;
    }
    std::u16string output;
    for (auto _ : state) {
        std::u16string errors;
        TemplateExpansion expansion = expandTemplate(kTemplate, runners, errors);
        if (!expansion.success || !errors.empty()) {
            state.SkipWithError("expansion failed");
            break;
        }
        output = std::move(expansion.text);
        benchmark::DoNotOptimize(output.data());
    }
    // Every group is written, the last one included.
    if (output.find(fromUtf8("<group name='Group " + std::to_string(groups - 1) + "'></group>")) == std::u16string::npos)
        state.SkipWithError("last group missing");
    state.SetComplexityN(groups);
    state.counters["output_chars"] = static_cast<double>(output.size());
}
BENCHMARK(BM_NestedTemplateLoop)->Arg(2500)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// One record with many distinct fields, each written once: every field tag
// looks its field up among all the loop's fields, so the lookup must not
// search them one by one.
void BM_ManyFieldsInOneLoop(benchmark::State& state) {
    const int fields = static_cast<int>(state.range(0));
    std::string page = "<html><body><list>";
    std::string script = "<extraction><source url='' cache='fields.htm'/>"
                         "<item action='[StartLoop]' token='&lt;list&gt;' variable=''/>";
    std::u16string templateText = u"<root>[vex:StartLoop:vex]<r";
    for (int i = 0; i < fields; ++i) {
        const std::string n = std::to_string(i);
        page += "<x>v" + n + "</x>";
        script += "<item action='[MoveTo]' token='&lt;x&gt;' variable=''/>"
                  "<item action='[Extract]' token='&lt;/x&gt;' variable='f" + n + "'/>";
        templateText += fromUtf8(" a" + n + "='[vex:g:f" + n + ":vex]'");
    }
    page += "</list></body></html>\n";
    script += "<item action='[EndLoop]' token='&lt;/list&gt;' variable=''/></extraction>";
    templateText += u"/>[vex:EndLoop:vex]</root>\n";

    const bench::ScratchAppFolder folder;
    folder.savePage("fields.htm", page);
    std::vector<NamedRunner> runners;
    runners.push_back({u"g", std::make_unique<ExtractionRunner>(folder.folder())});
    if (!runners[0].runner->runScriptText(fromUtf8(script), true, u"")) {
        state.SkipWithError("extraction failed");
        return;
    }
    std::u16string output;
    for (auto _ : state) {
        std::u16string errors;
        TemplateExpansion expansion = expandTemplate(templateText, runners, errors);
        if (!expansion.success || !errors.empty()) {
            state.SkipWithError("expansion failed");
            break;
        }
        output = std::move(expansion.text);
        benchmark::DoNotOptimize(output.data());
    }
    const std::string last = std::to_string(fields - 1);
    if (output.find(fromUtf8(" a" + last + "='v" + last + "'")) == std::u16string::npos)
        state.SkipWithError("last field missing");
    state.SetComplexityN(fields);
}
BENCHMARK(BM_ManyFieldsInOneLoop)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
