#include "engine/extraction_runner.h"

#include "engine/extraction_script.h"
#include "engine/extraction_walk.h"
#include "foundation/contained_path.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"
#include "net/http_fetcher.h"

#include <cerrno>

namespace zelvon {

ExtractionRunner::ExtractionRunner(std::u16string appFolder) : appFolder_(std::move(appFolder)) {}

void ExtractionRunner::setWorkspacePath(std::u16string_view path) { workspacePath_ = path; }

void ExtractionRunner::setProxy(std::u16string_view host, std::u16string_view port) {
    proxyHost_ = host;
    proxyPort_ = port;
}

void ExtractionRunner::setUseProxy(int useProxy) { useProxy_ = useProxy; }

void ExtractionRunner::clear() {
    reset();
    entries_ = std::vector<ExtractedEntry>();
}

void ExtractionRunner::reset() {
    ok_ = false;
    errorText_.clear();
    failure_ = {};
    sourceUrl_.clear();
    cacheName_.clear();
    pageText_.clear();
    entries_.clear();
    items_.clear();
    loops_.clear();
}

bool ExtractionRunner::runScriptText(std::u16string_view scriptText, bool useCache, std::u16string_view urlOverride) {
    if (workspacePath_.empty())
        workspacePath_ = appFolder_ + u"/workspace.htm";
    reset();

    ExtractionScript script = readExtractionScript(scriptText);
    items_ = std::move(script.items);
    sourceUrl_ = std::move(script.sourceUrl);
    cacheName_ = std::move(script.cacheName);
    // Unbalanced loops are reported before anything is downloaded.
    if (!pairLoops(items_, loops_, errorText_)) {
        failure_ = makeFailure(FailureKind::Other, u"the extraction script's loops do not pair up");
        return false;
    }

    ok_ = true;
    std::u16string pagePath;
    if (useCache) {
        // The saved-page name comes with the script: it may only reach a
        // file inside the web folder. A refused name (or an empty one) is
        // a page that cannot be opened.
        const std::u16string webFolder = appFolder_ + u"/web";
        const auto contained = containedPath(webFolder, cacheName_);
        if (!contained) {
            ok_ = false;
            errorText_ += u"Could not LoadSourceData:  " + webFolder + u"/" + cacheName_ + u"\n";
            failure_ = makeFailure(FailureKind::Refused, u"the saved page's name leads outside the web folder");
            return false;
        }
        pagePath = *contained;
    } else {
        const std::u16string url = urlOverride.empty() ? sourceUrl_ : std::u16string(urlOverride);
        const FetchResult fetched = HttpFetcher::fetchToFile(url, workspacePath_, useProxy_, proxyHost_ + u":" + proxyPort_, fetchOptions_);
        if (!fetched) {
            ok_ = false;
            errorText_ += u"Could not download:  " + url + u"\n";
            failure_ = fetched.failure;
            return false;
        }
        pagePath = workspacePath_;
    }
    if (!loadPage(pagePath))
        return false;
    if (!walkPage(pageText_, items_, loops_, entries_, errorText_)) {
        ok_ = false;
        // A cut that finds nothing: the page is not what the script expects.
        failure_ = makeFailure(FailureKind::PageUnreadable);
    }
    // The entries are copies: the page itself is not needed any more, and
    // holding it (twice its size in wide characters) while the output is
    // made would double what a large page costs.
    pageText_ = std::u16string();
    return ok_;
}

bool ExtractionRunner::loadPage(const std::u16string& path) {
    ok_ = false;
    pageText_.clear();
    // A folder (an empty saved-page name) counts as a file that cannot be
    // opened. The page ends at its first zero byte, wherever the server put
    // one; it comes both as UTF-8 and in the Windows code page. Read and
    // decoded piece by piece, so its bytes are never held beside its text.
    if (!readFileTextUntilZero(path, pageText_)) {
        const int readError = errno;
        errorText_ += u"Could not LoadSourceData:  " + path + u"\n";
        failure_ = makeReadFailure(readError);
        return false;
    }
    ok_ = true;
    return true;
}

bool ExtractionRunner::runScriptFile(std::u16string_view path, bool useCache) {
    return runScriptFileWithUrl(path, useCache, {});
}

bool ExtractionRunner::runScriptFileWithUrl(std::u16string_view path, bool useCache, std::u16string_view urlOverride) {
    TextFile file;
    if (!file.open(path, TextFile::Mode::Read)) {
        // Also forget the previous run, so its entries are not served as
        // if they came from this one.
        const int openError = errno;
        reset();
        failure_ = makeReadFailure(openError);
        errorText_ += u"Could not Open:  ";
        errorText_ += path;
        errorText_ += u"\n";
        return false;
    }
    std::u16string text;
    std::u16string line;
    while (file.readLine(line)) {
        text += line;
        text += u'\n';
    }
    file.close();
    return runScriptText(text, useCache, urlOverride);
}

} // namespace zelvon
