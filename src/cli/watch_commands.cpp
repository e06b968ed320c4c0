// The watch list without a window: show the script catalogue, list the
// watched products and check them for new versions. The check uses the same
// watch-library steps the window drives, so the list file ends up exactly
// as the window would leave it.

#include "cli/command.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "cli/app_folder_guard.h"
#include "cli/record_json.h"
#include "cli/watch_loading.h"
#include "watch/app_folder_lock.h"
#include "watch/app_paths.h"
#include "watch/branch_order.h"
#include "watch/clock.h"
#include "watch/script_catalogue.h"
#include "watch/update_batch.h"
#include "watch/watch_list.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zelvon::cli {
namespace {

// ---- catalogue -------------------------------------------------------------

int catalogueCommand(Context& context) {
    if (!context.args.empty())
        return kExitUsage;
    ScriptCatalogue catalogue;
    if (!loadCatalogue(context, catalogue))
        return kExitCatalogue;
    const std::pair<const char*, const CatalogueEntry*> entries[] = {
        {"productDetail", &catalogue.productDetail()},
        {"nameSearch", &catalogue.nameSearch()},
        {"whatsNew", &catalogue.whatsNew()},
        {"bestSelling", &catalogue.bestSelling()},
    };
    for (const auto& [name, entry] : entries) {
        context.out << name << " url: " << toUtf8(entry->url) << '\n';
        context.out << name << " nrt: " << toUtf8(entry->nrt) << '\n';
    }
    return 0;
}

// ---- list ------------------------------------------------------------------

int listCommand(Context& context) {
    bool json = false;
    for (const std::string& arg : context.args) {
        if (arg != "--json")
            return kExitUsage;
        json = true;
    }
    WatchList list;
    if (!loadWatchList(context, list))
        return kExitFailed;
    const auto& records = list.records();
    if (json) {
        nlohmann::json array = nlohmann::json::array();
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].removed == 0)
                array.push_back(recordJson(i, records[i]));
        context.out << array.dump(2) << '\n';
        return 0;
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const ProductRecord& r = records[i];
        if (r.removed != 0)
            continue;
        context.out << i << '\t' << toUtf8(r.productName) << '\t' << toUtf8(r.productVersion) << '\t'
                    << (r.isNew != 0 ? "NEW" : "") << '\t' << toUtf8(r.lastReload) << '\n';
    }
    return 0;
}

// ---- check -----------------------------------------------------------------

// The pane's progress texts, as plain lines.
class PrintingObserver final : public UpdateCheckObserver {
public:
    PrintingObserver(std::ostream& out, std::ostream& err, const std::u16string& listPath)
        : out_(out), err_(err), listPath_(listPath) {}

    void downloadStarting(size_t, const ProductRecord& record) override {
        out_ << "Downloading Data for... Name: " << toUtf8(record.productName) << " Url: " << toUtf8(record.productURL)
             << '\n';
        out_.flush();
    }
    void downloadSucceeded(size_t index, const ProductRecord& before, const CompletionOutcome& outcome) override {
        out_ << "Download Success... Name: " << toUtf8(before.productName) << '\n';
        if (outcome.updated && !outcome.saved)
            err_ << "zelvon-cli: could not save the watch list " << toUtf8(listPath_)
                 << "; the previous file is unchanged.\n";
        remember(index, outcome.record);
    }
    void downloadFailed(size_t index, const ProductRecord& before, const std::u16string& errorText) override {
        out_ << "Download Failure... Name: " << toUtf8(before.productName) << " (Cached)\n";
        printIndented(toUtf8(errorText));
        remember(index, before);
    }

    // Each checked product once, in the order of its first check, as it
    // stands after its last one.
    const std::vector<std::pair<size_t, ProductRecord>>& checked() const { return checked_; }

private:
    void remember(size_t index, const ProductRecord& record) {
        for (auto& [known, stored] : checked_) {
            if (known == index) {
                stored = record;
                return;
            }
        }
        checked_.emplace_back(index, record);
    }

    void printIndented(const std::string& text) {
        std::string line;
        std::vector<std::string> lines;
        for (const char c : text) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
        lines.push_back(line);
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        size_t first = 0;
        while (first < lines.size() && lines[first].empty())
            ++first;
        for (size_t i = first; i < lines.size(); ++i) {
            if (lines[i].empty())
                out_ << '\n';
            else
                out_ << "    " << lines[i] << '\n';
        }
    }

    std::ostream& out_;
    std::ostream& err_;
    std::u16string listPath_;
    std::vector<std::pair<size_t, ProductRecord>> checked_;
};

int checkCommand(Context& context) {
    std::vector<size_t> requested;
    for (const std::string& arg : context.args) {
        size_t index = 0;
        if (!parseIndex(arg, index)) {
            context.err << "zelvon-cli check: '" << arg << "' is not a product index\n";
            return kExitUsage;
        }
        requested.push_back(index);
    }

    // Held until the command returns: the list is read, downloaded into and
    // saved by this process alone.
    AppFolderLock lock;
    if (!lockAppFolder(context, lock))
        return kExitBusy;

    ScriptCatalogue catalogue;
    if (!loadCatalogue(context, catalogue))
        return kExitCatalogue;
    WatchList list;
    if (!loadWatchList(context, list))
        return kExitFailed;

    for (const size_t index : requested) {
        const auto record = list.record(index);
        if (!record || record->removed != 0) {
            context.err << "zelvon-cli check: no product with index " << index << " in the watch list\n";
            return kExitUsage;
        }
    }
    const std::vector<size_t> order = requested.empty() ? watchBranchOrder(list) : requested;
    if (order.empty()) {
        context.out << "The watch list has no products.\n";
        return 0;
    }

    const SystemClock clock;
    const UpdateCheckContext checkContext{context.appFolder, catalogue, ProxySettings::fromSettings(context.settings),
                                          clock};
    PrintingObserver observer(context.out, context.err, list.path());
    const UpdateBatchSummary summary = runUpdateChecks(list, order, checkContext, observer);

    bool anyNew = false;
    for (const auto& [index, r] : observer.checked()) {
        if (r.isNew == 0)
            continue;
        if (!anyNew)
            context.out << '\n';
        anyNew = true;
        context.out << "** New Update Available ** " << toUtf8(r.productName) << " (version "
                    << toUtf8(r.productVersion) << ")\n";
    }
    if (!anyNew)
        context.out << "\nNo new updates.\n";
    return summary.failed == 0 && summary.saveFailures == 0 ? 0 : kExitFailed;
}

CommandRegistration catalogueRegistration("catalogue", "", &catalogueCommand);
CommandRegistration listRegistration("list", "[--json]", &listCommand);
CommandRegistration checkRegistration("check", "[INDEX...]", &checkCommand);

} // namespace
} // namespace zelvon::cli
