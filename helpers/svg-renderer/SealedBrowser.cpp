#include "helpers/svg-renderer/SealedBrowser.h"

#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "helpers/svg-renderer/IsolationRules.h"

namespace protocol = pictavo::BrowserRenderProtocol;

SealedBrowser::SealedBrowser(const std::string& folder, std::function<void()> ready) : ready_(std::move(ready)) {
    const std::string document = folder + "/" + std::string(protocol::documentName);
    gchar* url = g_filename_to_uri(document.c_str(), nullptr, nullptr);
    documentURL_ = url ? url : "";
    g_free(url);

    context_ = webkit_web_context_new_ephemeral();
    // The document is rewritten in place for every render: no cached copy may stand in for it.
    webkit_web_context_set_cache_model(context_, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    settings_ = webkit_settings_new_with_settings("enable-javascript", TRUE, "enable-javascript-markup", FALSE,
                                                  "enable-media", FALSE, "enable-webaudio", FALSE,
                                                  "enable-html5-local-storage", FALSE, "enable-html5-database", FALSE,
                                                  "enable-developer-extras", FALSE, nullptr);
    contentManager_ = webkit_user_content_manager_new();

    const std::string storePath = folder + "/" + std::string(protocol::ruleStoreName);
    ruleStore_ = webkit_user_content_filter_store_new(storePath.c_str());
    const std::string rules = isolationRules(documentURL_);
    GBytes* source = g_bytes_new(rules.data(), rules.size());
    webkit_user_content_filter_store_save(ruleStore_, std::string(protocol::ruleListIdentifier).c_str(), source,
                                          nullptr, &SealedBrowser::rulesCompiled, this);
    g_bytes_unref(source);
    startContentProcess();
}

void SealedBrowser::startContentProcess() {
    processKeeper_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_, "settings", settings_,
                                                  "user-content-manager", contentManager_, nullptr));
    g_object_ref_sink(processKeeper_);
    webkit_web_view_load_uri(processKeeper_, "about:blank");
}

void SealedBrowser::renewContentProcess() {
    g_clear_object(&processKeeper_);
    startContentProcess();
}

SealedBrowser::~SealedBrowser() {
    g_clear_object(&processKeeper_);
    g_clear_object(&ruleStore_);
    g_clear_object(&contentManager_);
    g_clear_object(&settings_);
    g_clear_object(&context_);
}

void SealedBrowser::rulesCompiled(GObject* store, GAsyncResult* result, gpointer self) {
    auto* browser = static_cast<SealedBrowser*>(self);
    GError* error = nullptr;
    WebKitUserContentFilter* filter =
        webkit_user_content_filter_store_save_finish(WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
    g_clear_error(&error);
    if (filter && !browser->documentURL_.empty()) {
        webkit_user_content_manager_add_filter(browser->contentManager_, filter);
        browser->sealed_ = true;
    }
    if (filter) webkit_user_content_filter_unref(filter);
    browser->ready_();
}

WebKitWebView* SealedBrowser::makeView() const {
    return WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", processKeeper_, "settings", settings_,
                                        "user-content-manager", contentManager_, nullptr));
}
