#include "watch/script_update.h"

#include "app/default_addresses.h"
#include "app/settings_store.h"
#include "foundation/contained_path.h"
#include "foundation/entity_codec.h"
#include "foundation/formatting.h"
#include "foundation/xml_document.h"
#include "net/http_fetcher.h"
#include "watch/app_paths.h"
#include "watch/flow_context.h"
#include "watch/flow_ui.h"

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

namespace zelvon {
namespace {

constexpr std::u16string_view kNoNewScripts = u"No new script files available.";

std::u16string decodedAttribute(const XmlNode* node, std::u16string_view name) {
    return EntityCodec::unescapeMarkup(XmlTree::getAttribute(node, name));
}

FetchResult fetch(const FlowContext& context, const std::u16string& url, const std::u16string& target) {
    return HttpFetcher::fetchToFile(url, target, context.proxy.useProxy, context.proxy.address + u":" + context.proxy.port,
                                    context.proxy.fetchOptions());
}

// A sane script set: more files, or folders deeper than this, are not a
// script set but a server gone wrong, and would keep the update busy.
constexpr size_t kMaxScriptFiles = 500;
constexpr size_t kMaxDestinationFolders = 16;

// The destination is written by the update server: it may only name a
// script file, somewhere inside the application folder but never in its
// cache folder, where the lists, the work files and the description itself
// live (in any spelling, and also through a link that leads there).
// Nothing, with the reason in `refusal`, for any other.
std::optional<std::u16string> scriptFileTarget(const FlowContext& context, std::u16string_view destination,
                                               std::u16string& refusal) {
    const std::u16string named(destination);
    const auto parts = relativePathComponents(destination);
    if (parts && parts->size() - 1 > kMaxDestinationFolders) {
        refusal = u"the update named a destination more than 16 folders deep: " + named;
        return std::nullopt;
    }
    const auto target = containedPath(context.appFolder, destination);
    if (!target) {
        refusal = u"the update named a destination outside the application folder: " + named;
        return std::nullopt;
    }
    if (parts->front() == u"cache" || resolvesInside(appFile(context.appFolder, u"/cache"), *target)) {
        refusal = u"the update named a destination in the cache folder, which holds the lists: " + named;
        return std::nullopt;
    }
    return target;
}

// A refused name fails like a download that could not be stored, so the
// version stays and nothing lands outside; its cause says it was refused,
// not that the server failed.
FetchResult fetchScriptFile(const FlowContext& context, const std::u16string& url, std::u16string_view destination) {
    std::u16string refusal;
    const auto target = scriptFileTarget(context, destination, refusal);
    if (!target)
        return {false, makeFailure(FailureKind::Refused, refusal)};
    if (!createFoldersInside(context.appFolder, *target))
        return {false, makeWriteFailure(errno)};
    return fetch(context, url, *target);
}

size_t countScriptFiles(const XmlNode* root) {
    size_t count = 0;
    for (const XmlNode* child = XmlTree::firstChild(root); child != nullptr; child = XmlTree::nextSibling(child))
        if (child->name == u"scriptFile")
            ++count;
    return count;
}

} // namespace

ScriptUpdateOutcome checkForParsingScripts(const FlowContext& context) {
    if (!context.ui.askYesNo(kScriptUpdateQuestion, u"Confirm"))
        return ScriptUpdateOutcome::Declined;
    return runScriptUpdate(context);
}

ScriptUpdateOutcome runScriptUpdate(const FlowContext& context) {
    FlowUi& ui = context.ui;
    WaitCursorScope wait(ui);
    ui.showPaneText(u"<b>Checking</b> for New Scripts...");

    const int32_t installed = context.settings.readInt(u"Settings", u"AutoCheckVersion", 1);
    const std::u16string infoUrl = context.settings.readString(u"Settings", u"AutoCheckUrl", kDefaultScriptInfoUrl);
    const std::u16string infoPath = appFile(context.appFolder, u"/cache/scriptInfo.xml");

    if (const FetchResult fetched = fetch(context, infoUrl, infoPath); !fetched) {
        ui.showFailureMessage(u"Could not download:  " + infoUrl, u"", fetched.failure);
        ui.showPaneText(u"<b>Failed</b> to download script checking information.");
        return ScriptUpdateOutcome::Failed;
    }

    XmlDocument description;
    const XmlNode* root = description.load(infoPath) ? description.findNode(u"root") : nullptr;
    // "12abc" counts as 12 and a word as 0, so a damaged number never
    // announces a newer set. A number beyond the integer range is refused:
    // stored as the largest integer it would block every later set.
    const std::optional<int32_t> version =
        root == nullptr ? std::nullopt : parseIntInRange(decodedAttribute(root, u"version"));
    if (!version || countScriptFiles(root) > kMaxScriptFiles) {
        ui.showPaneText(u"Did not download valid script checking information.");
        return ScriptUpdateOutcome::Failed;
    }

    const int32_t offered = *version;
    if (installed >= offered) {
        ui.showMessage(kNoNewScripts, u"");
        ui.showPaneText(kNoNewScripts);
        return ScriptUpdateOutcome::NoNewScripts;
    }

    for (const XmlNode* child = XmlTree::firstChild(root); child != nullptr; child = XmlTree::nextSibling(child)) {
        if (child->name != u"scriptFile")
            continue;
        const std::u16string url = decodedAttribute(child, u"url");
        ui.showPaneText(u"Downloading... " + decodedAttribute(child, u"name"));
        // Lets the user read which file is on its way before the download
        // blocks.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (const FetchResult fetched = fetchScriptFile(context, url, decodedAttribute(child, u"destination")); !fetched) {
            // Files fetched so far stay; the unchanged version makes the
            // next check fetch the whole set again.
            ui.showFailureMessage(u"Could not download:  " + url, u"", fetched.failure);
            ui.showPaneText(u"<b>Failed</b> to download script file.");
            return ScriptUpdateOutcome::Failed;
        }
    }

    context.settings.writeInt(u"Settings", u"AutoCheckVersion", offered);
    ui.showPaneText(u"Done downloading new parsing scripts.<br><br>"
                    u"If you are still having problems, try restarting Zelvon to use new scripts.");
    return ScriptUpdateOutcome::Installed;
}

} // namespace zelvon
