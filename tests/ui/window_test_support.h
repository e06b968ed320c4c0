#pragma once
// A window against the demo store started in-process: an application folder
// with the shipped scripts pointed at the store's port, a private settings
// file, and watch lists written through the library.

#include "app/settings_store.h"
#include "demo_store.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"
#include "ui/main_frame.h"
#include "ui/message_box.h"
#include "ui/vertrel_view.h"
#include "watch/clock.h"
#include "watch/watch_list.h"

#include <QTreeWidget>

#include <filesystem>
#include <regex>

namespace zelvon::test {

// How long a test waits for downloads from the in-process store.
constexpr int kNetworkWaitMs = 20000;

// The texts of an item's children, in tree order.
inline QStringList childTexts(QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; item != nullptr && i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

struct Box {
    bool question;
    QString text;
    QString caption;
    QString informativeText = {};
    ui::MessageBox::Icon icon = ui::MessageBox::Icon::Information;
};

class WindowFixture {
public:
    explicit WindowFixture(int latencyMs = 0) {
        demo::StoreOptions options;
        options.port = 0;
        options.latencyMs = latencyMs;
        options.appDataDir = ZELVON_BIN_DIR;
        store_ = std::make_unique<demo::DemoStore>(options);
        if (!store_->start())
            throw std::runtime_error("demo store did not start");
        namespace fs = std::filesystem;
        for (const char* folder : {"scripts", "data", "web", "help"})
            fs::copy(fs::path(ZELVON_BIN_DIR) / folder, app.path() / folder, fs::copy_options::recursive);
        fs::create_directories(app.path() / "cache");
        const std::string catalogue = app.read("scripts/scripts.txt");
        app.write("scripts/scripts.txt",
                  std::regex_replace(catalogue, std::regex("http://127\\.0\\.0\\.1:[0-9]+"), store_->baseUrl()));
        settings.bind(u"Tervane", u"Zelvon");
        ui::MessageBox::setDetailedTestHandler([this](ui::MessageBox::Kind kind, const ui::MessageBox::Content& box) {
            boxes.push_back({kind == ui::MessageBox::Kind::Question, box.text, box.caption, box.informativeText,
                             box.icon});
            if (onBox)
                onBox();
            return answerYes;
        });
    }
    ~WindowFixture() {
        frame.reset();
        ui::MessageBox::setTestHandler({});
    }

    std::string productUrl(const std::string& id) const { return store_->baseUrl() + "/store/product?pid=" + id; }

    // A watched product as acknowledged at `version`.
    ProductRecord product(const std::string& id, const std::u16string& name, const std::u16string& version = u"0") {
        ProductRecord record;
        record.productURL = fromUtf8(productUrl(id));
        record.productID = fromUtf8(id);
        record.productName = name;
        record.productVersion = version;
        record.previousVersion = version;
        record.isNew = 0;
        return record;
    }

    void writeWatchList(const std::vector<ProductRecord>& records) {
        WatchList list;
        list.load(app.u16file("cache/productList.txt"), 0, TimePoint{});
        for (const ProductRecord& record : records)
            list.append(record);
        if (!list.save())
            throw std::runtime_error("could not write the watch list");
    }

    WatchList readWatchList() {
        WatchList list;
        list.load(app.u16file("cache/productList.txt"), 0, TimePoint{});
        return list;
    }

    // The frame with its tree built (without waiting for the start-up timer).
    ui::CMainFrame& open(bool show = true) {
        frame = std::make_unique<ui::CMainFrame>(settings, app.u16path(), clock);
        frame->resize(420, 520);
        if (show)
            frame->show();
        view().buildTree();
        return *frame;
    }
    ui::CVertrelView& view() { return *frame->view(); }
    QTreeWidgetItem* entry(int row) { return view().watchBranch()->child(row); }
    bool idle() { return !view().isBusy() && !view().isBatchRun(); }

    TempDir app;
    TempDir config;
    SettingsStore settings{config.str()};
    SystemClock clock;
    std::vector<Box> boxes;
    bool answerYes = true;
    // Runs inside every box, as a timer firing in its modal loop would.
    std::function<void()> onBox;
    std::unique_ptr<ui::CMainFrame> frame;

private:
    std::unique_ptr<demo::DemoStore> store_;
};


} // namespace zelvon::test
