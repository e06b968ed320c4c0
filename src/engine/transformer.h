#pragma once
// The engine's single entry point: a transformer script names how a store
// page is read (one or more extraction scripts) and what is written (tilde
// lines, kelpo XML, or a template's output).

#include "foundation/failure.h"
#include "net/http_fetcher.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

class ExtractionRunner;

struct NamedRunner {
    std::u16string name;
    std::unique_ptr<ExtractionRunner> runner;
};

class Transformer {
public:
    enum Kind { Custom = 0, Vex = 1, Xml = 2, Unknown = 3 };

    explicit Transformer(std::u16string appFolder);
    ~Transformer();
    Transformer(const Transformer&) = delete;
    Transformer& operator=(const Transformer&) = delete;

    void setWorkspacePath(std::u16string_view path);
    void setProxy(std::u16string_view host, std::u16string_view port);
    void setUseProxy(int useProxy);
    // The time limit and abort flag of every download of a run.
    void setFetchOptions(const FetchOptions& options) { fetchOptions_ = options; }

    // True when the output file has been written and every step succeeded.
    bool run(std::u16string_view scriptPath, std::u16string_view outputPath, std::u16string_view pageUrl);

    const std::u16string& errorText() const { return errorText_; }
    // Why the last run failed, beside errorText (kind None after success).
    const Failure& failure() const { return failure_; }

private:
    bool readScript(std::u16string_view scriptPath);
    bool runKind();
    bool runSingleScript();
    bool runCustom();
    bool compileInline();
    void reset();
    std::unique_ptr<ExtractionRunner> makeRunner() const;
    // Writes the output file; a file that cannot be created or written out
    // is reported as such, never as success.
    // Takes the text, so the file's buffer is the only copy.
    bool writeOutput(std::u16string text);

    std::u16string appFolder_;
    std::u16string errorText_;
    Failure failure_;
    FetchOptions fetchOptions_;
    int kind_ = Unknown;
    bool runtimeForm_ = false;
    std::u16string body_;
    std::u16string outputPath_;
    std::u16string nameLine_;
    bool urlGiven_ = false;
    std::u16string pageUrl_;
    std::vector<NamedRunner> runners_;
    std::u16string workspacePath_;
    int useProxy_ = 0;
    std::u16string proxyHost_;
    std::u16string proxyPort_;
};

} // namespace zelvon
