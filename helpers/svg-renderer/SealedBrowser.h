#pragma once
#include <functional>
#include <string>
#include <webkit2/webkit2.h>

// What every render of this process shares: an ephemeral browser context that keeps no
// website data, settings under which the document's own scripts never run, and the content
// manager that carries the compiled isolation rules.
class SealedBrowser {
public:
    // Compiles the rules into a store inside `folder` (where the program writes the
    // document) and calls `ready` once they are in place, or have failed to compile.
    SealedBrowser(const std::string& folder, std::function<void()> ready);
    ~SealedBrowser();
    SealedBrowser(const SealedBrowser&) = delete;
    SealedBrowser& operator=(const SealedBrowser&) = delete;

    // False when the rules could not be compiled: nothing may then be drawn.
    bool isSealed() const { return sealed_; }
    // A new view in the sealed context, with the rules and settings, drawn by the content
    // process that is already running.
    WebKitWebView* makeView() const;
    // After the content process ended: the next view gets a new one.
    void renewContentProcess();
    const std::string& documentURL() const { return documentURL_; }

private:
    static void rulesCompiled(GObject* store, GAsyncResult* result, gpointer self);
    void startContentProcess();

    std::string documentURL_;
    WebKitWebContext* context_ = nullptr;
    WebKitSettings* settings_ = nullptr;
    WebKitUserContentManager* contentManager_ = nullptr;
    WebKitUserContentFilterStore* ruleStore_ = nullptr;
    // A view that never shows anything: it keeps one content process running between
    // renders, which every render's view shares instead of starting its own.
    WebKitWebView* processKeeper_ = nullptr;
    std::function<void()> ready_;
    bool sealed_ = false;
};
