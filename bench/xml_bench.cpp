// Both markup readers on inputs that plain substring searches would make
// quadratic: about 1 MB of start tags whose end tags never come, about 1 MB
// of closed leaves, and 100,000 nested elements.

#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

using namespace zelvon;

constexpr int kCount = 50000;
constexpr int kDepth = 100000;

std::u16string number(int i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%05d", i);
    return u16(buffer);
}

const std::u16string& unterminatedItems() {
    static const std::u16string text = [] {
        std::u16string t = u"<r>";
        for (int i = 0; i < kCount; ++i)
            t += u"<item n='" + number(i) + u"' v=''>";
        return t + u"</r>";
    }();
    return text;
}

const std::u16string& terminatedItems() {
    static const std::u16string text = [] {
        std::u16string t = u"<r>";
        for (int i = 0; i < kCount; ++i)
            t += u"<item n='" + number(i) + u"'>v</item>";
        return t + u"</r>";
    }();
    return text;
}

const std::u16string& nestedElements() {
    static const std::u16string text = [] {
        std::u16string t;
        for (int i = 0; i < kDepth; ++i)
            t += u"<e>";
        for (int i = 0; i < kDepth; ++i)
            t += u"</e>";
        return t;
    }();
    return text;
}

template <class Document>
void parseText(benchmark::State& state, const std::u16string& text) {
    for (auto _ : state) {
        Document doc; // destroyed inside the loop: freeing the tree counts too
        const bool ok = doc.parse(text);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(doc.root());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_XmlDocument_Unterminated(benchmark::State& state) { parseText<XmlDocument>(state, unterminatedItems()); }
void BM_XmlDocument_Terminated(benchmark::State& state) { parseText<XmlDocument>(state, terminatedItems()); }
void BM_XmlDocument_Nested(benchmark::State& state) { parseText<XmlDocument>(state, nestedElements()); }
void BM_ScriptXmlDocument_Unterminated(benchmark::State& state) { parseText<ScriptXmlDocument>(state, unterminatedItems()); }
void BM_ScriptXmlDocument_Terminated(benchmark::State& state) { parseText<ScriptXmlDocument>(state, terminatedItems()); }
void BM_ScriptXmlDocument_Nested(benchmark::State& state) { parseText<ScriptXmlDocument>(state, nestedElements()); }

BENCHMARK(BM_XmlDocument_Unterminated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlDocument_Terminated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlDocument_Nested)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptXmlDocument_Unterminated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptXmlDocument_Terminated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptXmlDocument_Nested)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
