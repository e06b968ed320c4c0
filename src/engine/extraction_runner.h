#pragma once
// Walks one web page with an extraction script: a forward-moving cursor,
// items that move to or cut up to a token, and loops that repeat a group of
// items once per record. What it cuts out is kept as an ordered entry list.

#include "engine/extracted_entry.h"
#include "foundation/failure.h"
#include "net/http_fetcher.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

struct ScriptItem {
    std::u16string action;
    std::u16string token;
    std::u16string variable;
};

struct LoopSpan {
    std::u16string endToken;
    int startIndex = 0;
    int endIndex = 0;
};

class ExtractionRunner {
public:
    // `appFolder` anchors the saved pages ("/web/") and the default work file.
    explicit ExtractionRunner(std::u16string appFolder);

    void setWorkspacePath(std::u16string_view path);
    void setProxy(std::u16string_view host, std::u16string_view port);
    void setUseProxy(int useProxy);
    // The time limit and abort flag of every download the runner makes.
    void setFetchOptions(const FetchOptions& options) { fetchOptions_ = options; }

    bool runScriptText(std::u16string_view scriptText, bool useCache, std::u16string_view urlOverride);
    bool runScriptFile(std::u16string_view path, bool useCache);
    // The script file's text run with a URL override; for the command line,
    // where a script author tries a script against another page. The
    // transformer reads script files without one.
    bool runScriptFileWithUrl(std::u16string_view path, bool useCache, std::u16string_view urlOverride);

    bool ok() const { return ok_; }
    const std::u16string& errorText() const { return errorText_; }
    // Why the last run failed, beside errorText: the download's cause, a
    // page that could not be read from disk, or a cut that found nothing
    // (PageUnreadable). Kind None after success.
    const Failure& failure() const { return failure_; }

    // Entry access: answers only while the last run succeeded.
    int findEntry(std::u16string_view name, int after) const;
    std::u16string entryValue(int index) const;
    int entryDepth(int index) const;
    // Every entry in page order (none unless the last run succeeded), for
    // callers that walk them once instead of searching name by name.
    std::span<const ExtractedEntry> entries() const { return ok_ ? std::span(entries_) : std::span<const ExtractedEntry>(); }
    std::u16string kelpoText() const;
    std::u16string tildeText() const;
    // Forgets the last run (entries, script and messages) and frees their
    // memory, once its output has been taken.
    void clear();

private:
    void reset();
    bool loadPage(const std::u16string& path);

    std::u16string appFolder_;
    bool ok_ = false;
    std::vector<ExtractedEntry> entries_;
    std::vector<ScriptItem> items_;
    std::vector<LoopSpan> loops_;
    std::u16string errorText_;
    Failure failure_;
    FetchOptions fetchOptions_;
    std::u16string sourceUrl_;
    std::u16string cacheName_;
    std::u16string pageText_;
    std::u16string workspacePath_;
    int useProxy_ = 0;
    std::u16string proxyHost_;
    std::u16string proxyPort_;
};

} // namespace zelvon
