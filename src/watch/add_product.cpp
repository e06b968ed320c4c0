#include "watch/add_product.h"

#include "foundation/formatting.h"
#include "watch/app_paths.h"
#include "watch/clock.h"
#include "watch/download_completion.h"
#include "watch/download_job.h"
#include "watch/flow_context.h"
#include "watch/flow_ui.h"
#include "watch/product_output.h"
#include "watch/script_catalogue.h"
#include "watch/watch_list.h"

namespace zelvon {

namespace {

constexpr std::u16string_view kFailureCaption = u"Failure";

// A detail or search download into "/cache/productTemp.txt".
DownloadResult runProductDownload(const FlowContext& context, const CatalogueEntry& entry, std::u16string url,
                                  const ProxySettings& proxy) {
    DownloadJob job;
    job.appFolder = context.appFolder;
    job.url = std::move(url);
    job.scriptPath = context.catalogue.scriptPath(entry);
    job.outputPath = productTempFilePath(context.appFolder);
    job.workspacePath = workspaceFilePath(context.appFolder);
    job.proxy = proxy;
    return runDownloadJob(job);
}

// A detail page any of whose `source` children gave neither a name nor a
// version is a page the script no longer understands; adding it would put
// a nameless product on the list, so it fails like the update check's.
bool detailOutputUnreadable(std::u16string_view appFolder) {
    bool unreadable = false;
    forEachOutputChild(productTempFilePath(appFolder), u"source", [&](const XmlNode& source) {
        ProductRecord fields;
        readProductFields(source, fields);
        unreadable = unreadable || gaveNeitherNameNorVersion(fields);
    });
    return unreadable;
}

DownloadResult runDetailDownload(const FlowContext& context, std::u16string url, const ProxySettings& proxy) {
    DownloadResult result = runProductDownload(context, context.catalogue.productDetail(), std::move(url), proxy);
    if (result.success && detailOutputUnreadable(context.appFolder))
        result = DownloadResult{false, std::u16string(kUnreadablePageText), makeFailure(FailureKind::PageUnreadable)};
    return result;
}

std::optional<AddLookup> lookupById(std::u16string_view productId, const FlowContext& context,
                                    const ProxySettings& proxy) {
    const WaitCursorScope wait(context.ui);
    AddLookup lookup{std::u16string(productId), context.catalogue.detailUrl(productId)};
    const DownloadResult result = runDetailDownload(context, lookup.productUrl, proxy);
    if (!result.success) {
        context.ui.setStatusText(u"Failed to Get Product Details:  " + result.errorText);
        context.ui.showFailureMessage(u"Could not find the specified ProductID", kFailureCaption, result.failure);
        return std::nullopt;
    }
    return lookup;
}

struct SearchMatch {
    std::u16string productId;
    std::u16string productName;
};

// The matches of a search, or nothing when the download failed (the user
// has been told).
std::optional<std::vector<SearchMatch>> searchByName(std::u16string_view words, const FlowContext& context,
                                                     const ProxySettings& proxy) {
    const WaitCursorScope wait(context.ui);
    const DownloadResult result =
        runProductDownload(context, context.catalogue.nameSearch(), context.catalogue.searchUrl(words), proxy);
    if (!result.success) {
        context.ui.setStatusText(u"Failed to Get Product List:  " + result.errorText);
        context.ui.showFailureMessage(isRequestFailure(result.failure) ? kSearchRequestFailedText
                                                                       : u"Could not find the specified ProductName",
                                      kFailureCaption, result.failure);
        return std::nullopt;
    }
    std::vector<SearchMatch> matches;
    forEachOutputChild(productTempFilePath(context.appFolder), u"node", [&](const XmlNode& node) {
        matches.push_back({outputField(node, u"productID"), outputField(node, u"productName")});
    });
    return matches;
}

// A new watch-list entry made from one `source` of a detail output: the
// store's current data, counted as seen, stamped with the command's time.
void completeFromSource(const XmlNode& source, std::u16string_view stamp, ProductRecord& record) {
    readProductFields(source, record);
    record.previousVersion = record.productVersion;
    record.isNew = 0;
    record.removed = 0;
    record.lastReload = std::u16string(stamp);
}

// Tells the user the product is watched already; true when it is.
bool refuseWatched(const WatchList* watched, std::u16string_view productId, std::u16string_view fallbackName,
                   FlowUi& ui) {
    if (watched == nullptr)
        return false;
    const std::optional<size_t> index = findWatchedProduct(*watched, productId);
    if (!index)
        return false;
    const std::u16string& name = watched->records()[*index].productName;
    ui.showMessage(alreadyWatchedText(name.empty() ? fallbackName : std::u16string_view(name)),
                   kAlreadyWatchedCaption);
    return true;
}

} // namespace

std::optional<size_t> findWatchedProduct(const WatchList& list, std::u16string_view productId) {
    const auto& records = list.records();
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].removed == 0 && records[i].productID == productId)
            return i;
    return std::nullopt;
}

std::u16string alreadyWatchedText(std::u16string_view productName) {
    return u"\"" + std::u16string(productName) + u"\" is already on your watch list.";
}

bool watchListHasRoom(const WatchList& list, FlowUi& ui) {
    size_t shown = 0;
    for (const ProductRecord& record : list.records())
        if (record.removed == 0)
            ++shown;
    if (shown < kWatchListLimit)
        return true;
    ui.showMessage(kWatchListLimitText, kWatchListLimitCaption);
    return false;
}

std::optional<AddLookup> runAddLookup(AddMode mode, std::u16string_view enteredText, const FlowContext& context,
                                      const WatchList* watched) {
    // Taken as typed: blanks around an ID or a name are the user's.
    if (enteredText.empty()) {
        context.ui.showMessage(u"Please Enter a Product ID/Name", u"Invalid Entry");
        return std::nullopt;
    }
    context.ui.setStatusText(kAddOnlineNote);
    // The dialog reads the proxy afresh, so a change made in the network
    // settings meanwhile counts.
    const ProxySettings proxy = ProxySettings::fromSettings(context.settings);
    if (mode == AddMode::ById) {
        // Known before any download: nothing to fetch.
        if (refuseWatched(watched, enteredText, enteredText, context.ui))
            return std::nullopt;
        return lookupById(enteredText, context, proxy);
    }

    const auto matches = searchByName(enteredText, context, proxy);
    if (!matches)
        return std::nullopt;
    if (matches->empty()) {
        context.ui.showMessage(u"Could not find the specified Product Name", u"Try Again");
        return std::nullopt;
    }
    size_t chosen = 0;
    if (matches->size() > 1) {
        std::vector<std::u16string> names;
        names.reserve(matches->size());
        for (const SearchMatch& match : *matches) {
            const bool isWatched = watched != nullptr && findWatchedProduct(*watched, match.productId).has_value();
            names.push_back(isWatched ? match.productName + std::u16string(kWatchedMatchSuffix) : match.productName);
        }
        const std::optional<size_t> pick = context.ui.pickItem(names);
        if (!pick || *pick >= matches->size())
            return std::nullopt;
        chosen = *pick;
    }
    const SearchMatch& match = (*matches)[chosen];
    if (refuseWatched(watched, match.productId, match.productName, context.ui))
        return std::nullopt;
    return lookupById((*matches)[chosen].productId, context, proxy);
}

std::vector<size_t> appendLookedUpProduct(WatchList& list, const AddLookup& lookup, std::u16string_view stamp,
                                          std::u16string_view appFolder, bool* saved) {
    std::vector<size_t> added;
    bool allSaved = true;
    forEachOutputChild(productTempFilePath(appFolder), u"source", [&](const XmlNode& source) {
        ProductRecord record;
        record.productURL = lookup.productUrl;
        record.productID = lookup.productId;
        completeFromSource(source, stamp, record);
        added.push_back(list.append(record));
        allSaved = list.save() && allSaved;
    });
    if (saved != nullptr)
        *saved = allSaved;
    return added;
}

std::optional<size_t> addFromStoreRecord(WatchList& watchList, const ProductRecord& storeRecord,
                                         const FlowContext& context, bool* saved) {
    if (saved != nullptr)
        *saved = true;
    if (!watchListHasRoom(watchList, context.ui))
        return std::nullopt;
    if (refuseWatched(&watchList, storeRecord.productID, storeRecord.productName, context.ui))
        return std::nullopt;
    const std::u16string stamp = formatDateTime(context.clock.now());
    const WaitCursorScope wait(context.ui);
    const std::u16string url = context.catalogue.detailUrl(storeRecord.productID);
    const DownloadResult result = runDetailDownload(context, url, context.proxy);
    if (!result.success) {
        context.ui.showFailureMessage(result.errorText, kStoreRecordFailureCaption, result.failure);
        return std::nullopt;
    }
    std::optional<size_t> added;
    forEachOutputChild(productTempFilePath(context.appFolder), u"source", [&](const XmlNode& source) {
        ProductRecord record = storeRecord;
        record.productURL = url;
        completeFromSource(source, stamp, record);
        added = watchList.append(record);
        const bool ok = watchList.save();
        if (saved != nullptr)
            *saved = *saved && ok;
    });
    return added;
}

std::vector<size_t> addProduct(WatchList& watchList, AddMode mode, std::u16string_view enteredText,
                               const FlowContext& context, bool* saved) {
    if (saved != nullptr)
        *saved = true;
    if (!watchListHasRoom(watchList, context.ui))
        return {};
    // The entry's lastReload is the moment the command was chosen.
    const std::u16string stamp = formatDateTime(context.clock.now());
    const std::optional<AddLookup> lookup = runAddLookup(mode, enteredText, context, &watchList);
    if (!lookup)
        return {};
    return appendLookedUpProduct(watchList, *lookup, stamp, context.appFolder, saved);
}

} // namespace zelvon
