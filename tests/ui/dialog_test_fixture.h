#pragma once
// What the dialog tests share: the Wareloft demo store started in-process on
// an ephemeral port, an application folder made from the shipped scripts
// (the detail script in its plain form) pointed at that port, a private
// settings file, a clock standing still and every message box recorded.

#include "app/settings_store.h"
#include "demo_store.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"
#include "ui/message_box.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

namespace zelvon::test {

class DialogTestWorld {
public:
    DialogTestWorld() {
        started_ = store_.start();
        namespace fs = std::filesystem;
        const fs::path source = fs::path(ZELVON_SOURCE_DIR) / "appdata";
        for (const char* folder : {"scripts", "data", "web", "help"})
            fs::copy(source / folder, app_.path() / folder, fs::copy_options::recursive);
        fs::copy(source / "scrambled" / "productDetail.nrt", app_.path() / "scripts" / "productDetail.nrt");
        fs::create_directories(app_.path() / "cache");
        for (const char* folder : {"scripts", "data"})
            for (const auto& entry : fs::directory_iterator(app_.path() / folder))
                pointAtStore(entry.path());
        settings_.bind(u"Tervane", u"Zelvon");
        catalogueLoaded_ = catalogue_.load(app_.u16path()) == ScriptCatalogue::LoadStatus::Loaded;
        ui::MessageBox::setTestHandler([this](ui::MessageBox::Kind kind, const QString& text, const QString& caption) {
            boxes << caption + QStringLiteral("|") + text;
            const bool answer = kind == ui::MessageBox::Kind::Question && !answers.isEmpty() && answers.takeFirst();
            return answer;
        });
    }
    ~DialogTestWorld() { ui::MessageBox::setTestHandler({}); }

    bool ready() const { return started_ && catalogueLoaded_; }
    FlowContext context(FlowUi& flowUi) {
        return FlowContext{app_.u16path(), catalogue_, ProxySettings{}, clock_, settings_, flowUi};
    }

    demo::DemoStore store_{demo::StoreOptions{0, 0, "", false}};
    TempDir app_;
    TempDir config_;
    SettingsStore settings_{config_.str()};
    FixedClock clock_{std::chrono::system_clock::now()};
    ScriptCatalogue catalogue_;
    // Every box shown, as "caption|text"; questions answered from `answers`.
    QStringList boxes;
    QList<bool> answers;

private:
    void pointAtStore(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        const std::string fixed = "http://127.0.0.1:47815";
        for (size_t at = text.find(fixed); at != std::string::npos; at = text.find(fixed, at + 1))
            text.replace(at, fixed.size(), store_.baseUrl());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }

    bool started_ = false;
    bool catalogueLoaded_ = false;
};

// Runs `act` on the next modal dialog of type `Dialog` once it is shown,
// looking every 10 ms for at most five seconds; `seen` counts the dialogs
// found, so a test can tell that none came. The watch ends when the returned
// timer goes, so it never outlives the locals `act` refers to.
template <class Dialog, class Act>
[[nodiscard]] std::unique_ptr<QTimer> whenModal(Act act, int* seen = nullptr) {
    auto timer = std::make_unique<QTimer>();
    QTimer* watch = timer.get();
    QObject::connect(watch, &QTimer::timeout, [watch, tries = 0, act, seen]() mutable {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            watch->stop();
            if (seen)
                ++*seen;
            act(dialog);
        } else if (++tries > 500) {
            watch->stop();
        }
    });
    watch->start(10);
    return timer;
}

} // namespace zelvon::test
