#pragma once
// The adding and store-list flows against the Wareloft demo store started
// in-process: the shipped scripts pointed at the store, a private settings
// file, a clock standing still and a recording front end.

#include "demo_store.h"
#include "foundation/formatting.h"
#include "foundation/text_codec.h"
#include "support/recording_flow_ui.h"
#include "support/temp_dir.h"
#include "app/settings_store.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"
#include "watch/shipped_app_data.h"

#include <gtest/gtest.h>

namespace zelvon::test {

class StoreFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store_.start());
        stageShippedAppFolder(app_, store_.baseUrl());
        settings_.bind(u"Tervane", u"Zelvon");
        loadCatalogue();
    }

    void loadCatalogue() { ASSERT_EQ(catalogue_.load(app_.u16path()), ScriptCatalogue::LoadStatus::Loaded); }

    // Rewrites one catalogue entry's url and reloads the catalogue.
    void setCatalogueUrl(const std::string& entry, const std::string& url) {
        std::string text = app_.read("scripts/scripts.txt");
        const size_t at = text.find("<" + entry + " url=\"");
        ASSERT_NE(at, std::string::npos);
        const size_t begin = at + entry.size() + 7;
        text.replace(begin, text.find('"', begin) - begin, url);
        app_.write("scripts/scripts.txt", text);
        loadCatalogue();
    }

    FlowContext context() { return FlowContext{app_.u16path(), catalogue_, ProxySettings{}, clock_, settings_, ui_}; }

    std::string productUrl(const std::string& id) const { return store_.baseUrl() + "/store/product?pid=" + id; }
    std::u16string stamp() const { return formatDateTime(clock_.now()); }

    demo::DemoStore store_{demo::StoreOptions{0, 0, "", false}};
    TempDir app_;
    TempDir config_;
    SettingsStore settings_{config_.str()};
    FixedClock clock_{std::chrono::system_clock::now() - std::chrono::hours(30)};
    ScriptCatalogue catalogue_;
    RecordingFlowUi ui_;
};

} // namespace zelvon::test
