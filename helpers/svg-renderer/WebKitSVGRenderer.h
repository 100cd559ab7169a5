#pragma once
#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "helpers/svg-renderer/SealedBrowser.h"

#include <functional>
#include <memory>
#include <string>

// One render: a new view of the sealed browser loads the document, our own scripts (in a
// script world of their own; the document's scripts never run) lay it out at the wanted
// pixel size, and the page is photographed over white and then over black.
//
// The render ends exactly once, with snapshots or a failure; from then on the view's
// signals are disconnected and every pending answer of the browser finds the renderer
// gone, so a late "load finished" after "load failed" starts nothing.
class WebKitSVGRenderer : public std::enable_shared_from_this<WebKitSVGRenderer> {
public:
    using Reply = pictavo::BrowserRenderProtocol::Reply;
    using Completion = std::function<void(Reply)>;

    // `completion` runs once, on this thread, after the view has been torn down.
    static void start(SealedBrowser& browser, const pictavo::BrowserRenderProtocol::Request& request,
                      Completion completion);

    WebKitSVGRenderer(SealedBrowser& browser, const pictavo::BrowserRenderProtocol::Request& request,
                      Completion completion);
    ~WebKitSVGRenderer();
    WebKitSVGRenderer(const WebKitSVGRenderer&) = delete;
    WebKitSVGRenderer& operator=(const WebKitSVGRenderer&) = delete;

private:
    void begin();
    void sizeView(double devicePixelRatio);
    void probe();
    void confirmViewport();
    void layOut();
    void waitForImages();
    // The white background first, then the black one, each photographed.
    void paintNext();
    void photograph();
    void finish(Reply reply);
    void finishWithError(const GError* error);
    void finishWith(pictavo::BrowserRenderProtocol::ReplyKind kind);

    void evaluate(const std::string& script, GAsyncReadyCallback done);
    // Hands a browser callback a weak hold on this renderer.
    gpointer hold();
    // The renderer a callback was given, or null when the render has already ended.
    static std::shared_ptr<WebKitSVGRenderer> claim(gpointer held);
    // The renderer, when it is still rendering and the script succeeded (its text result in
    // `text`); a failed script has ended the render with the browser's error.
    static std::shared_ptr<WebKitSVGRenderer> answered(GObject* view, GAsyncResult* result, gpointer held,
                                                       std::string* text, bool asynchronous = false);

    static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer self);
    static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer self);
    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static void processTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);

    SealedBrowser& browser_;
    const pictavo::BrowserRenderProtocol::Request request_;
    Completion completion_;
    GtkWidget* window_ = nullptr;
    WebKitWebView* view_ = nullptr;
    double devicePixelRatio_ = 1;
    bool navigated_ = false;
    bool loaded_ = false;
    int viewportChecksLeft_;
    Reply photographs_;
    Reply result_;
    std::shared_ptr<WebKitSVGRenderer> keepAlive_;
};
