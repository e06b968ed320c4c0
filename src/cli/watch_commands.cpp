// The watch list without a window: show the script catalogue, list the
// watched products and check them for new versions. The check uses the same
// watch-library steps the window drives, so the list file ends up exactly
// as the window would leave it.

#include "cli/command.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "cli/desktop_notification.h"
#include "cli/record_json.h"
#include "cli/watch_loading.h"
#include "watch/app_folder_lock.h"
#include "watch/app_paths.h"
#include "watch/branch_order.h"
#include "watch/clock.h"
#include "cli/terminal_flow_ui.h"
#include "watch/flow_context.h"
#include "watch/parallel_check.h"
#include "watch/script_catalogue.h"
#include "watch/store_lists.h"
#include "watch/update_batch.h"
#include "watch/watch_list.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <unistd.h>
#include <iostream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zelvon::cli {
namespace {

// ---- catalogue -------------------------------------------------------------

void declareCatalogue(CLI::App&) {}

int catalogueCommand(Context& context) {
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

struct {
    bool json = false;
} listArgs;

void declareList(CLI::App& command) { command.add_flag("--json", listArgs.json, "as JSON"); }

int listCommand(Context& context) {
    const bool json = listArgs.json;
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
    // As the window's branch shows them: by name in the user's collation.
    for (const size_t i : watchBranchOrder(list)) {
        const ProductRecord& r = records[i];
        context.out << i << '\t' << toUtf8(r.productName) << '\t' << toUtf8(r.productVersion) << '\t'
                    << (r.isNew != 0 ? "NEW" : "") << '\t' << toUtf8(r.lastReload) << '\n';
    }
    return 0;
}

// ---- check -----------------------------------------------------------------

// SIGINT and SIGTERM during a check: the first lets the running downloads
// end, applies and saves them and starts nothing new; the second ends the
// program at once, leaving the list file as the last save left it (saves
// replace it whole, so it is never half written).
std::atomic<int> stopSignal{0};

extern "C" void onStopSignal(int signal) {
    int expected = 0;
    if (!stopSignal.compare_exchange_strong(expected, signal))
        ::_exit(128 + signal);
}

class StopSignalScope {
public:
    StopSignalScope() {
        stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = &onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &previousInt_);
        ::sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~StopSignalScope() {
        ::sigaction(SIGINT, &previousInt_, nullptr);
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    StopSignalScope(const StopSignalScope&) = delete;
    StopSignalScope& operator=(const StopSignalScope&) = delete;

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

// The pane's progress texts, as plain lines, each failure with its cause on
// the line after the described text; or, for --json, one JSON object per
// product on a line of its own.
class PrintingObserver final : public UpdateCheckObserver {
public:
    PrintingObserver(std::ostream& out, std::ostream& err, const std::u16string& listPath, bool json)
        : out_(out), err_(err), listPath_(listPath), json_(json) {}

    void downloadStarting(size_t, const ProductRecord& record) override {
        if (json_)
            return;
        out_ << "Downloading Data for... Name: " << toUtf8(record.productName) << " Url: " << toUtf8(record.productURL)
             << '\n';
        out_.flush();
    }
    void downloadSucceeded(size_t index, const ProductRecord& before, const CompletionOutcome& outcome) override {
        if (json_)
            printJson(index, before, &outcome.record, nullptr);
        else
            out_ << "Download Success... Name: " << toUtf8(before.productName) << '\n';
        if (outcome.updated && !outcome.saved) {
            err_ << "zelvon-cli: could not save the watch list " << toUtf8(listPath_)
                 << "; the previous file is unchanged.\n";
            if (!outcome.saveError.empty())
                err_ << "zelvon-cli: " << toUtf8(outcome.saveError) << '\n';
        }
        remember(index, outcome.record);
    }
    void downloadFailed(size_t index, const ProductRecord& before, const std::u16string& errorText,
                        const Failure& failure) override {
        ++failed_;
        if (json_) {
            printJson(index, before, nullptr, &failure);
        } else {
            out_ << "Download Failure... Name: " << toUtf8(before.productName) << " (Cached)\n";
            out_ << "    " << causeLine(failure) << '\n';
            printIndented(toUtf8(errorText));
        }
        remember(index, before);
    }
    bool cancelRequested() override { return stopSignal.load() != 0; }

    // Each checked product once, in the order of its first check, as it
    // stands after its last one.
    const std::vector<std::pair<size_t, ProductRecord>>& checked() const { return checked_; }

    size_t failedCount() const { return failed_; }

private:
    void printJson(size_t index, const ProductRecord& before, const ProductRecord* after, const Failure* failure) {
        nlohmann::json object;
        object["index"] = index;
        object["id"] = toUtf8(before.productID);
        object["name"] = toUtf8(after != nullptr ? after->productName : before.productName);
        object["oldVersion"] = toUtf8(before.productVersion);
        object["newVersion"] = after != nullptr ? nlohmann::json(toUtf8(after->productVersion)) : nlohmann::json(nullptr);
        object["new"] = (after != nullptr ? after->isNew : before.isNew) != 0;
        if (failure != nullptr)
            object["error"] = {{"kind", std::string(failureKindName(failure->kind))},
                               {"text", toUtf8(describeFailure(*failure))}};
        else
            object["error"] = nullptr;
        out_ << object.dump() << '\n';
        out_.flush();
    }

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
    bool json_;
    size_t failed_ = 0;
    std::vector<std::pair<size_t, ProductRecord>> checked_;
};

// "1 new version", "2 new versions".
std::string counted(size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// Reload All From Web's ending: both store lists, downloaded one after the
// other; a failure is shown by the list's own flow.
bool reloadStoreLists(Context& context, std::ostream& out, const ScriptCatalogue& catalogue, const Clock& clock) {
    TerminalFlowUi ui(std::cin, out, context.err, false);
    const FlowContext flow{context.appFolder, catalogue, ProxySettings::fromSettings(context.settings), clock,
                           context.settings, ui};
    bool allLoaded = true;
    for (const auto& [kind, text] : {std::pair{StoreListKind::WhatsNew, "Downloading What's New List..."},
                                     std::pair{StoreListKind::BestSelling, "Downloading Best Selling List..."}}) {
        if (stopSignal.load() != 0)
            return false;
        out << text << '\n';
        out.flush();
        WatchList list;
        allLoaded = fillStoreList(kind, true, list, flow) && allLoaded;
        out << "Downloading Completed.\n";
    }
    return allLoaded;
}

constexpr size_t kDefaultJobs = 8;
constexpr size_t kMaxJobs = 64;

struct {
    size_t jobs = kDefaultJobs;
    bool reloadAll = false;
    bool notify = false;
    bool json = false;
    std::vector<std::string> indexes;
} checkArgs;

void declareCheck(CLI::App& command) {
    const CLI::Validator jobsRange(
        [](std::string& text) {
            size_t jobs = 0;
            if (parseIndex(text, jobs) && jobs >= 1 && jobs <= kMaxJobs)
                return std::string();
            return "--jobs takes a number from 1 to " + std::to_string(kMaxJobs);
        },
        "", "jobs");
    command.add_option("--jobs", checkArgs.jobs, "downloads at once, at most N to one host (1 = one at a time)")
        ->type_name("N")
        ->check(jobsRange);
    command.add_flag("--reload-all", checkArgs.reloadAll, "afterwards download both store lists");
    command.add_flag("--json", checkArgs.json, "JSON lines, one object per product as it finishes, instead of the text");
    command.add_flag("--notify", checkArgs.notify, "a desktop notification names the products marked new");
    command.add_option("INDEX", checkArgs.indexes, "products to check (default: all, in name order)");
}

int checkCommand(Context& context) {
    const size_t jobs = checkArgs.jobs;
    const bool reloadAll = checkArgs.reloadAll;
    const bool notify = checkArgs.notify;
    const bool json = checkArgs.json;
    std::vector<size_t> requested;
    for (const std::string& arg : checkArgs.indexes) {
        size_t index = 0;
        if (!parseIndex(arg, index)) {
            context.err << "zelvon-cli check: '" << arg << "' is not a product index\n";
            return kExitUsage;
        }
        // A product named twice is checked once: two downloads of it at
        // once would share its scratch files and race on its record.
        if (std::find(requested.begin(), requested.end(), index) == requested.end())
            requested.push_back(index);
    }

    // Held until the command returns: the list is read, downloaded into and
    // saved by this process alone.
    AppFolderLock lock;
    ScriptCatalogue catalogue;
    WatchList list;
    if (const int failed = openForDownload(context, lock, catalogue, &list))
        return failed;

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
    PrintingObserver observer(context.out, context.err, list.path(), json);
    const NewVersionNotifier notifier(list);
    const StopSignalScope signals;
    ParallelCheckOptions options;
    options.jobs = jobs;
    const UpdateBatchSummary summary = runParallelChecks(list, order, checkContext, observer, options);

    // With --json standard output carries the objects only; the rest of the
    // report goes to standard error.
    std::ostream& text = json ? context.err : context.out;
    // Every checked product marked new is listed, also one that was new
    // before and failed now; the summary counts only versions this run
    // found, as the window's does.
    size_t newCount = 0;
    for (const auto& [index, r] : observer.checked()) {
        if (r.isNew == 0)
            continue;
        if (newCount++ == 0 && !json)
            text << '\n';
        if (!json)
            text << "** New Update Available ** " << toUtf8(r.productName) << " (version " << toUtf8(r.productVersion)
                 << ")\n";
    }
    const size_t failedCount = observer.failedCount();
    if (newCount == 0 && failedCount == 0 && !json)
        text << "\nNo new updates.\n";
    if (summary.cancelled)
        text << "Download has been cancelled.\n";
    if (notify)
        notifier.notify(observer.checked(), context.err);
    // Another process may own the folder now: no store list is fetched and
    // the run ends as failed, with the reason.
    if (summary.lockLost)
        context.err << "zelvon-cli check: stopped: the application folder's lock is lost, so no further product was "
                       "checked and nothing more was saved.\n";
    bool listsLoaded = !summary.lockLost;
    if (reloadAll && !summary.cancelled && !summary.lockLost)
        listsLoaded = reloadStoreLists(context, text, catalogue, clock);
    text << "Checked " << counted(observer.checked().size(), "product", "products") << ": "
         << counted(summary.newProducts, "new version", "new versions") << ", " << failedCount << " failed.\n";
    // A signal that came after the last product (during the store lists, or
    // just as the batch ended) still ends the run as stopped, so cron and
    // timeout(1) see the run did not end on its own.
    if (const int stopped = stopSignal.load())
        return 128 + stopped;
    return summary.failed == 0 && summary.saveFailures == 0 && listsLoaded ? 0 : kExitFailed;
}

CommandRegistration catalogueRegistration("catalogue", "show the store scripts named by the script catalogue",
                                          &declareCatalogue, &catalogueCommand);
CommandRegistration listRegistration("list",
                                     "list the watched products (by name as the window shows them; JSON in list order)",
                                     &declareList, &listCommand);
CommandRegistration checkRegistration("check",
                                      "check watched products for new versions (all, in name order, by default)",
                                      &declareCheck, &checkCommand);

} // namespace
} // namespace zelvon::cli
