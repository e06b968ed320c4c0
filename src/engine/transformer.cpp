#include "engine/transformer.h"

#include "engine/extraction_runner.h"
#include "engine/scrambled_file.h"
#include "engine/template_expander.h"
#include "engine/template_tags.h"
#include "engine/template_text.h"
#include "foundation/blank_text.h"
#include "foundation/contained_path.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"

#include <algorithm>
#include <optional>

namespace zelvon {
namespace {

constexpr std::u16string_view kFileFormMarker = u"~~~~~~KELPO~~~~~~";
constexpr std::u16string_view kRuntimeFormMarker = u"~~~~~~KELPORUNTIME~~~~~~";
constexpr std::u16string_view kVexMarker = u"~~~~~~VEX~~~~~~";
constexpr std::u16string_view kXmlMarker = u"~~~~~~XML~~~~~~";
constexpr std::u16string_view kCustomMarker = u"~~~~~~CUSTOM~~~~~~";
constexpr std::u16string_view kEndScriptMarker = u"[vex:endscript:";
constexpr std::u16string_view kCustomStartLine = u"[vex:customstart]\n";

std::u16string concat(std::u16string_view a, std::u16string_view b, std::u16string_view c = {}) {
    std::u16string text;
    text.reserve(a.size() + b.size() + c.size());
    text.append(a).append(b).append(c);
    return text;
}

std::u16string couldNotOpen(std::u16string_view path) { return concat(u"Could not Open:  ", path, u"\n"); }

// The extraction script a transformer names, below AppFolder/data. Scripts
// come from the update server, so the name may only reach files inside that
// folder. `shownPath` is the path as named, for the messages, which read
// the same whether the file is missing or its name was refused.
std::optional<std::u16string> dataFilePath(std::u16string_view appFolder, std::u16string_view name,
                                           std::u16string& shownPath) {
    const std::u16string dataFolder = concat(appFolder, u"/data");
    shownPath = concat(dataFolder, u"/", name);
    return containedPath(dataFolder, name);
}

} // namespace

Transformer::Transformer(std::u16string appFolder) : appFolder_(std::move(appFolder)) {}

Transformer::~Transformer() = default;

void Transformer::setWorkspacePath(std::u16string_view path) { workspacePath_ = path; }

void Transformer::setProxy(std::u16string_view host, std::u16string_view port) {
    proxyHost_ = host;
    proxyPort_ = port;
}

void Transformer::setUseProxy(int useProxy) { useProxy_ = useProxy; }

void Transformer::reset() {
    errorText_.clear();
    failure_ = {};
    body_.clear();
    pageUrl_.clear();
    runtimeForm_ = false;
    urlGiven_ = false;
    runners_.clear();
}

std::unique_ptr<ExtractionRunner> Transformer::makeRunner() const {
    auto runner = std::make_unique<ExtractionRunner>(appFolder_);
    runner->setUseProxy(useProxy_);
    runner->setProxy(proxyHost_, proxyPort_);
    runner->setWorkspacePath(workspacePath_);
    runner->setFetchOptions(fetchOptions_);
    return runner;
}

bool Transformer::run(std::u16string_view scriptPath, std::u16string_view outputPath, std::u16string_view pageUrl) {
    reset();
    outputPath_ = outputPath;
    if (!pageUrl.empty()) {
        urlGiven_ = true;
        pageUrl_ = pageUrl;
    }
    kind_ = Unknown;
    body_.clear();
    nameLine_.clear();

    if (!readScript(scriptPath)) {
        failure_ = makeFailure(FailureKind::Other, u"the transformer script could not be read");
        return false;
    }
    const bool ran = runKind();
    if (!ran && !failure_.failed())
        failure_ = makeFailure(FailureKind::Other, u"the transformer script could not be run");
    return ran;
}

bool Transformer::runKind() {
    switch (kind_) {
    case Vex:
    case Xml:
        return runSingleScript();
    case Custom:
        return runCustom();
    default:
        return false; // not reached: readScript refuses files without a kind
    }
}

bool Transformer::readScript(std::u16string_view scriptPath) {
    std::string bytes;
    if (!ScrambledFile::read(scriptPath, bytes)) {
        errorText_ += couldNotOpen(scriptPath);
        return false;
    }
    // The text ends at the first zero byte, as a zero-filled buffer would.
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    const std::u16string text = decodeFileText(bytes);

    size_t pos = 0;
    int lineNumber = 1;
    for (; pos < text.size(); ++lineNumber) {
        // A line ended by a line feed loses its trailing blanks (and so the
        // carriage return of CR LF); a last line without one stays whole. A
        // final line feed opens no further line.
        const size_t lineFeed = text.find(u'\n', pos);
        std::u16string_view line;
        if (lineFeed == std::u16string::npos) {
            line = std::u16string_view(text).substr(pos);
            pos = text.size();
        } else {
            line = trimTrailingBlanks(std::u16string_view(text).substr(pos, lineFeed - pos));
            pos = lineFeed + 1;
        }

        if (lineNumber == 1) {
            if (line == kFileFormMarker) {
                runtimeForm_ = false;
            } else if (line == kRuntimeFormMarker) {
                runtimeForm_ = true;
            } else {
                errorText_ += concat(u"Invalid Transformer File:  ", scriptPath, u"\n");
                return false;
            }
        } else if (lineNumber == 2) {
            if (line == kVexMarker) {
                kind_ = Vex;
            } else if (line == kXmlMarker) {
                kind_ = Xml;
            } else if (line == kCustomMarker) {
                kind_ = Custom;
            } else {
                errorText_ += concat(u"Invalid Transformer File:  ", scriptPath, u"\n");
                return false;
            }
        } else if (lineNumber == 3) {
            nameLine_ = line;
        } else {
            body_.append(line);
            body_.push_back(u'\n');
        }
    }
    // The two markers and the name line are all required; a file cut short
    // after them is as unusable as one with a wrong marker.
    if (lineNumber <= 3) {
        errorText_ += concat(u"Invalid Transformer File:  ", scriptPath, u"\n");
        return false;
    }
    return true;
}

bool Transformer::writeOutput(std::u16string text) {
    TextFile file;
    bool written = file.open(outputPath_, TextFile::Mode::Write);
    if (written) {
        file.takeText(std::move(text));
        written = file.close();
    }
    if (!written) {
        errorText_ += concat(u"Error: Could not create file...\n", outputPath_);
        failure_ = makeWriteFailure(file.lastError());
    }
    return written;
}

bool Transformer::runSingleScript() {
    const std::unique_ptr<ExtractionRunner> runner = makeRunner();
    bool ran = false;
    if (runtimeForm_) {
        ran = runner->runScriptText(body_, false, urlGiven_ ? std::u16string_view(pageUrl_) : std::u16string_view{});
    } else {
        // The file form names an extraction script that carries its own
        // page address; the caller's URL plays no part.
        body_ = std::u16string(trimTrailingBlanks(body_));
        std::u16string shownPath;
        const auto path = dataFilePath(appFolder_, body_, shownPath);
        if (!path) {
            errorText_ += u"Error: Could not execute Transformation script.\n\n";
            errorText_ += couldNotOpen(shownPath);
            return false;
        }
        ran = runner->runScriptFile(*path, false);
    }
    if (!ran) {
        errorText_ += u"Error: Could not execute Transformation script.\n\n";
        errorText_ += runner->errorText();
        failure_ = runner->failure();
        return false;
    }
    std::u16string text = kind_ == Vex ? runner->tildeText() : runner->kelpoText();
    runner->clear();
    return writeOutput(std::move(text));
}

bool Transformer::runCustom() {
    if (!runtimeForm_ && !compileInline()) {
        errorText_ += concat(u"Error: Could not create Temporary Inline File...\n", outputPath_);
        return false;
    }

    // Each inline script runs up to its "[vex:endscript:NAME]" marker. The
    // markers are all located before anything is downloaded, so a body with
    // an unclosed marker fails without touching the network.
    struct InlineScript {
        std::u16string_view text;
        std::u16string_view name;
    };
    std::vector<InlineScript> scripts;
    const std::u16string_view body = body_;
    size_t scriptStart = 0;
    for (size_t marker = body.find(kEndScriptMarker); marker != std::u16string_view::npos;) {
        const size_t nameStart = marker + kEndScriptMarker.size();
        const size_t nameEnd = body.find(u']', nameStart);
        if (nameEnd == std::u16string_view::npos) {
            errorText_ += kUnterminatedTagMessage;
            return false;
        }
        // From the second script on, the text starts with the previous
        // marker's "]", which the markup reader skips as stray text.
        scripts.push_back({trimLeadingBlanks(body.substr(scriptStart, marker - scriptStart)),
                           body.substr(nameStart, nameEnd - nameStart)});
        scriptStart = nameEnd;
        marker = body.find(kEndScriptMarker, nameEnd);
    }

    for (const InlineScript& script : scripts) {
        NamedRunner named{std::u16string(script.name), makeRunner()};
        // With a URL given, every script reads that page, each with its own
        // download through the shared work file.
        if (!named.runner->runScriptText(script.text, false,
                                         urlGiven_ ? std::u16string_view(pageUrl_) : std::u16string_view{})) {
            errorText_ += named.runner->errorText();
            errorText_ += u"\n";
            failure_ = named.runner->failure();
            runners_.clear();
            return false;
        }
        runners_.push_back(std::move(named));
    }

    const size_t customStart = body.find(kCustomStartLine);
    if (customStart == std::u16string_view::npos) {
        errorText_ += u"Error: could not find [vex:customstart] in script.\n";
        runners_.clear();
        return false;
    }
    TemplateExpansion expansion =
        expandTemplate(body.substr(customStart + kCustomStartLine.size()), runners_, errorText_);
    // The entries are not needed once the text is made; letting them go
    // first keeps a large page's values and its output from being held at
    // once. The text produced up to a template error is written all the same.
    runners_.clear();
    const bool written = writeOutput(std::move(expansion.text));
    return written && expansion.success;
}

bool Transformer::compileInline() {
    if (runtimeForm_)
        return true;

    // The scripts a file-form template uses are the names before the first
    // colon of its field tags, each taken once, in order of first use.
    std::vector<std::u16string> names;
    size_t pos = 0;
    for (;;) {
        TemplateTag tag;
        const TagScan scan = findTag(body_, pos, tag);
        if (scan == TagScan::None)
            break;
        if (scan == TagScan::Unterminated) {
            errorText_ += kUnterminatedTagMessage;
            return false;
        }
        pos = tag.end;
        const size_t colon = tag.content.find(u':');
        if (colon == std::u16string_view::npos)
            continue; // loop tags name no script
        const std::u16string_view name = tag.content.substr(0, colon);
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
    }

    std::u16string text;
    for (const auto& name : names) {
        std::u16string shownPath;
        const auto path = dataFilePath(appFolder_, name, shownPath);
        TextFile script;
        if (!path || !script.open(*path, TextFile::Mode::Read)) {
            errorText_ += concat(u"Error: Could not open Transformation script:  ", shownPath, u"\n\n");
            return false;
        }
        std::u16string line;
        while (script.readLine(line))
            text.append(line).push_back(u'\n');
        script.close();
        text.append(kEndScriptMarker).append(name).append(u"]\n");
    }
    text.append(kCustomStartLine).append(body_);

    // The compiled script is kept, scrambled, in the output file until the
    // run replaces it with the template's output.
    TextFile compiled;
    bool written = compiled.open(outputPath_, TextFile::Mode::Write);
    if (written) {
        compiled.writeText(concat(kRuntimeFormMarker, u"\n", kCustomMarker));
        compiled.writeText(concat(u"\n", nameLine_, u"\n"));
        compiled.writeText(text);
        written = compiled.close() && ScrambledFile::scramble(outputPath_, u"");
    }
    if (!written) {
        errorText_ += concat(u"Error: Could not create file...\n", outputPath_);
        failure_ = makeWriteFailure(compiled.lastError());
        return false;
    }
    body_ = std::move(text);
    return true;
}

} // namespace zelvon
