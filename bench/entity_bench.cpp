// Entity decoding of a whole downloaded page: about 1 MB of HTML-like text
// in which entities are frequent, as on a store page with descriptions in
// several languages. The time must grow linearly with the text.

#include "foundation/entity_codec.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::u16string makePage(size_t targetLength) {
    const std::u16string pieces[] = {
        u"<tr><td class=\"name\">Caf&eacute; &amp; Bar Organizer</td>",
        u"<td>&#8364;12&#46;99 &nbsp;&ndash; &copy; 2004 Orvalis&reg;</td></tr>\n",
        u"<p>Version 2&period;1 &lt;beta&gt; &quot;quoted&quot; &#039;single&#039; &AMP; more</p>\n",
        u"<a href=\"/item?id=42&amp;ref=list&amp;page=3\">Na&iuml;ve &Uuml;ber &szlig;tra&szlig;e</a>\n",
        u"Tom & Jerry; a & b; R&D department; &verylongname; &#x27;hex&#x27;\n",
    };
    std::u16string page;
    for (size_t i = 0; page.size() < targetLength; ++i)
        page += pieces[i % std::size(pieces)];
    return page;
}

void BM_DecodeEntities(benchmark::State& state) {
    const std::u16string page = makePage(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto decoded = zelvon::EntityCodec::decodeEntities(page);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size() * 2));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DecodeEntities)->RangeMultiplier(4)->Range(1 << 16, 1 << 20)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

void BM_EscapeXml(benchmark::State& state) {
    const std::u16string page = zelvon::EntityCodec::decodeEntities(makePage(1 << 20));
    for (auto _ : state) {
        auto escaped = zelvon::EntityCodec::escapeXml(page);
        benchmark::DoNotOptimize(escaped);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size() * 2));
}
BENCHMARK(BM_EscapeXml)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
