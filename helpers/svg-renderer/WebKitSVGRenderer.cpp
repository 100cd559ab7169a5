#include "helpers/svg-renderer/WebKitSVGRenderer.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

static_assert(std::endian::native == std::endian::little,
              "snapshots are sent in the browser's own byte order, which is blue, green, red, alpha only here");

namespace protocol = pictavo::BrowserRenderProtocol;
using protocol::ReplyKind;

namespace {

const std::string world(protocol::scriptWorld);

// GTK applies a size change on its next layout pass; the page is asked for its viewport
// until it shows the new size, every 10 ms, for at most about two seconds.
constexpr int viewportChecks = 200;
constexpr guint viewportCheckInterval = 10;

// The shortest text that reads back as the same double, a whole number with ".0".
std::string scriptNumber(double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    std::string written(text, end);
    if (written.find('.') == std::string::npos) written += ".0";
    return written;
}

int cssSide(std::int64_t pixels, double ratio) { return static_cast<int>(std::ceil(static_cast<double>(pixels) / ratio)); }

// A document may end up with no root at all (a transform whose stylesheet was blocked): that
// is a document that is not a drawing, not a failure of the script.
const char* const probeScript =
    "String(document.documentElement ? document.documentElement.localName : null) + ' ' + "
    "String(window.devicePixelRatio)";

const char* const viewportScript = "String(window.innerWidth) + ' ' + String(window.innerHeight)";

// The artwork moves into an XHTML page whose own boxes add nothing: no margin, border,
// effect or background of their own. `page` stays defined in our script world, where the
// background script finds it.
std::string layoutScript(double intrinsicWidth, double intrinsicHeight, double cssWidth, double cssHeight) {
    const auto width = scriptNumber(cssWidth);
    const auto height = scriptNumber(cssHeight);
    std::ostringstream script;
    script << "var page = (function () {\n"
              "  const artwork = document.documentElement;\n"
              "  const xhtml = 'http://www.w3.org/1999/xhtml';\n"
              "  const html = document.createElementNS(xhtml, 'html');\n"
              "  const body = document.createElementNS(xhtml, 'body');\n"
              "  const neutral = [['display', 'block'], ['visibility', 'visible'], ['position', 'static'],\n"
              "    ['margin', '0'], ['padding', '0'], ['border', 'none'], ['outline', 'none'], ['box-shadow', 'none'],\n"
              "    ['overflow', 'hidden'], ['opacity', '1'], ['filter', 'none'], ['backdrop-filter', 'none'],\n"
              "    ['clip-path', 'none'], ['mask', 'none'], ['transform', 'none'], ['translate', 'none'],\n"
              "    ['rotate', 'none'], ['scale', 'none'], ['zoom', '1'], ['mix-blend-mode', 'normal'],\n"
              "    ['background-color', 'transparent'], ['background-image', 'none'], ['animation', 'none'],\n"
              "    ['transition', 'none']];\n"
              "  for (const element of [html, body])\n"
              "    for (const [name, value] of neutral) element.style.setProperty(name, value, 'important');\n"
              "  document.replaceChild(html, artwork);\n"
              "  html.appendChild(body);\n"
              "  body.appendChild(artwork);\n"
              "  if (!artwork.hasAttribute('viewBox'))\n"
              "    artwork.setAttribute('viewBox', '0 0 ' + "
           << scriptNumber(intrinsicWidth) << " + ' ' + " << scriptNumber(intrinsicHeight)
           << ");\n"
              "  artwork.setAttribute('preserveAspectRatio', 'none');\n"
              "  artwork.setAttribute('width', "
           << width << ");\n  artwork.setAttribute('height', " << height
           << ");\n"
              "  const style = artwork.style;\n"
              "  style.width = "
           << width << " + 'px';\n  style.height = " << height
           << " + 'px';\n"
              "  style.position = 'absolute';\n"
              "  style.left = '0';\n"
              "  style.top = '0';\n"
              "  style.margin = '0';\n"
              "  style.padding = '0';\n"
              "  style.overflow = 'hidden';\n"
              "  try { artwork.pauseAnimations(); artwork.setCurrentTime(0); } catch (e) {}\n"
              "  if (typeof document.getAnimations === 'function')\n"
              "    for (const animation of document.getAnimations()) {\n"
              "      try { animation.currentTime = 0; animation.pause(); } catch (e) {}\n"
              "    }\n"
              "  return html;\n"
              "})();\n"
              "'ok';";
    return script.str();
}

// A picture that cannot be decoded is hidden rather than drawn as a broken-image mark.
const char* const imagesScript = "const decoding = [];\n"
                                 "for (const element of document.querySelectorAll('image, img')) {\n"
                                 "  if (typeof element.decode !== 'function') continue;\n"
                                 "  if ('loading' in element) element.loading = 'eager';\n"
                                 "  decoding.push(element.decode().catch(() =>\n"
                                 "    element.style.setProperty('visibility', 'hidden', 'important')));\n"
                                 "}\n"
                                 "await Promise.all(decoding);\n"
                                 "return 'ok';";

std::string backgroundScript(bool white) {
    return std::string("page.style.setProperty('background-color', '") + (white ? "#ffffff" : "#000000") +
           "', 'important');\n'ok';";
}

std::string resultText(JSCValue* value) {
    if (!jsc_value_is_string(value)) return {};
    gchar* text = jsc_value_to_string(value);
    std::string copy = text ? text : "";
    g_free(text);
    return copy;
}

// The browser's pixels, packed row after row.
bool readPixels(cairo_surface_t* surface, protocol::Snapshot& into) {
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    const auto format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width <= 0 || height <= 0) return false;
    into.width = static_cast<std::uint32_t>(width);
    into.height = static_cast<std::uint32_t>(height);
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    into.pixels.resize(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(into.pixels.data() + row * static_cast<std::size_t>(y),
                    data + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y), row);
    return true;
}

} // namespace

void WebKitSVGRenderer::start(SealedBrowser& browser, const protocol::Request& request, Completion completion) {
    auto renderer = std::make_shared<WebKitSVGRenderer>(browser, request, std::move(completion));
    renderer->keepAlive_ = renderer;
    renderer->begin();
}

WebKitSVGRenderer::WebKitSVGRenderer(SealedBrowser& browser, const protocol::Request& request,
                                     Completion completion)
    : browser_(browser), request_(request), completion_(std::move(completion)), viewportChecksLeft_(viewportChecks) {}

WebKitSVGRenderer::~WebKitSVGRenderer() {
    if (window_) gtk_widget_destroy(window_);
}

gpointer WebKitSVGRenderer::hold() { return new std::weak_ptr<WebKitSVGRenderer>(weak_from_this()); }

std::shared_ptr<WebKitSVGRenderer> WebKitSVGRenderer::claim(gpointer held) {
    std::unique_ptr<std::weak_ptr<WebKitSVGRenderer>> weak(static_cast<std::weak_ptr<WebKitSVGRenderer>*>(held));
    auto renderer = weak->lock();
    if (!renderer || !renderer->view_) return nullptr;
    return renderer;
}

void WebKitSVGRenderer::begin() {
    if (!browser_.isSealed()) return finishWith(ReplyKind::couldNotBeIsolated);
    window_ = gtk_offscreen_window_new();
    view_ = browser_.makeView();
    gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
    // The view's pixel ratio is known before the page is: the page is laid out at its final
    // size from the start, and the probe only confirms the ratio.
    sizeView(gtk_widget_get_scale_factor(window_));
    g_signal_connect(view_, "decide-policy", G_CALLBACK(&WebKitSVGRenderer::decidePolicy), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(&WebKitSVGRenderer::loadFailed), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(&WebKitSVGRenderer::loadChanged), this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(&WebKitSVGRenderer::processTerminated), this);
    gtk_widget_show_all(window_);
    webkit_web_view_load_uri(view_, browser_.documentURL().c_str());
}

void WebKitSVGRenderer::sizeView(double devicePixelRatio) {
    devicePixelRatio_ = devicePixelRatio;
    const int width = cssSide(request_.width, devicePixelRatio);
    const int height = cssSide(request_.height, devicePixelRatio);
    gtk_widget_set_size_request(GTK_WIDGET(view_), width, height);
    gtk_window_resize(GTK_WINDOW(window_), width, height);
}

gboolean WebKitSVGRenderer::decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                         gpointer self) {
    auto* renderer = static_cast<WebKitSVGRenderer*>(self);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    // The document itself is the one navigation; a refresh, a link or a new window that the
    // document asks for afterwards would show something else in the photographs.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && !renderer->navigated_) {
        renderer->navigated_ = true;
        return FALSE;
    }
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

gboolean WebKitSVGRenderer::loadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer self) {
    static_cast<WebKitSVGRenderer*>(self)->finishWithError(error);
    // Handled: WebKit shows no error page of its own.
    return TRUE;
}

void WebKitSVGRenderer::loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
    auto* renderer = static_cast<WebKitSVGRenderer*>(self);
    if (event != WEBKIT_LOAD_FINISHED || renderer->loaded_) return;
    renderer->loaded_ = true;
    renderer->probe();
}

void WebKitSVGRenderer::processTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self) {
    auto* renderer = static_cast<WebKitSVGRenderer*>(self);
    renderer->browser_.renewContentProcess();
    renderer->finishWith(ReplyKind::browserStopped);
}

void WebKitSVGRenderer::evaluate(const std::string& script, GAsyncReadyCallback done) {
    webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()), world.c_str(),
                                        nullptr, nullptr, done, hold());
}

std::shared_ptr<WebKitSVGRenderer> WebKitSVGRenderer::answered(GObject* view, GAsyncResult* result, gpointer held,
                                                               std::string* text, bool asynchronous) {
    auto renderer = claim(held);
    if (!renderer) return nullptr;
    GError* error = nullptr;
    JSCValue* value =
        asynchronous ? webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error)
                     : webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
    if (!value) {
        renderer->finishWithError(error);
        g_clear_error(&error);
        return nullptr;
    }
    if (text) *text = resultText(value);
    g_object_unref(value);
    return renderer;
}

void WebKitSVGRenderer::probe() {
    evaluate(probeScript, [](GObject* view, GAsyncResult* result, gpointer held) {
        std::string answer;
        auto renderer = answered(view, result, held, &answer);
        if (!renderer) return;
        std::istringstream pieces(answer);
        std::string root, ratio;
        pieces >> root >> ratio;
        if (root != "svg") return renderer->finishWith(ReplyKind::notSVG);
        char* end = nullptr;
        const double read = std::strtod(ratio.c_str(), &end);
        const bool isNumber = !ratio.empty() && end == ratio.c_str() + ratio.size() && std::isfinite(read);
        const double devicePixelRatio = isNumber && read > 1 ? read : 1;
        if (devicePixelRatio != renderer->devicePixelRatio_) renderer->sizeView(devicePixelRatio);
        renderer->confirmViewport();
    });
}

void WebKitSVGRenderer::confirmViewport() {
    evaluate(viewportScript, [](GObject* view, GAsyncResult* result, gpointer held) {
        std::string answer;
        auto renderer = answered(view, result, held, &answer);
        if (!renderer) return;
        std::istringstream pieces(answer);
        int width = 0, height = 0;
        pieces >> width >> height;
        const bool sized = width == cssSide(renderer->request_.width, renderer->devicePixelRatio_) &&
                           height == cssSide(renderer->request_.height, renderer->devicePixelRatio_);
        // A view that never takes the size is photographed all the same; the engine then
        // reports the size it got.
        if (sized || renderer->viewportChecksLeft_ <= 0) return renderer->layOut();
        --renderer->viewportChecksLeft_;
        g_timeout_add(
            viewportCheckInterval,
            [](gpointer again) -> gboolean {
                if (auto renderer = claim(again)) renderer->confirmViewport();
                return G_SOURCE_REMOVE;
            },
            renderer->hold());
    });
}

void WebKitSVGRenderer::layOut() {
    const double ratio = devicePixelRatio_;
    evaluate(layoutScript(request_.intrinsicWidth, request_.intrinsicHeight, static_cast<double>(request_.width) / ratio,
                          static_cast<double>(request_.height) / ratio),
             [](GObject* view, GAsyncResult* result, gpointer held) {
                 if (auto renderer = answered(view, result, held, nullptr)) renderer->waitForImages();
             });
}

void WebKitSVGRenderer::waitForImages() {
    webkit_web_view_call_async_javascript_function(
        view_, imagesScript, -1, nullptr, world.c_str(), nullptr, nullptr,
        [](GObject* view, GAsyncResult* result, gpointer held) {
            if (auto renderer = answered(view, result, held, nullptr, true)) renderer->paintNext();
        },
        hold());
}

void WebKitSVGRenderer::paintNext() {
    evaluate(backgroundScript(photographs_.overWhite.pixels.empty()),
             [](GObject* view, GAsyncResult* result, gpointer held) {
                 if (auto renderer = answered(view, result, held, nullptr)) renderer->photograph();
             });
}

void WebKitSVGRenderer::photograph() {
    webkit_web_view_get_snapshot(
        view_, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
        [](GObject* view, GAsyncResult* result, gpointer held) {
            auto renderer = claim(held);
            if (!renderer) return;
            GError* error = nullptr;
            cairo_surface_t* surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(view), result, &error);
            if (!surface) {
                if (!error) return renderer->finishWith(ReplyKind::producedNoImage);
                renderer->finishWithError(error);
                return g_error_free(error);
            }
            auto& photographs = renderer->photographs_;
            const bool white = photographs.overWhite.pixels.empty();
            const bool read = readPixels(surface, white ? photographs.overWhite : photographs.overBlack);
            cairo_surface_destroy(surface);
            if (!read) return renderer->finishWith(ReplyKind::couldNotReadPixels);
            if (white) return renderer->paintNext();
            photographs.kind = ReplyKind::snapshots;
            renderer->finish(std::move(photographs));
        },
        hold());
}

void WebKitSVGRenderer::finishWithError(const GError* error) {
    Reply reply;
    reply.kind = ReplyKind::browserError;
    if (error) {
        reply.domain = g_quark_to_string(error->domain);
        reply.code = error->code;
        reply.message = error->message ? error->message : "";
    }
    finish(std::move(reply));
}

void WebKitSVGRenderer::finishWith(ReplyKind kind) {
    Reply reply;
    reply.kind = kind;
    finish(std::move(reply));
}

void WebKitSVGRenderer::finish(Reply reply) {
    if (!completion_) return;
    if (view_) {
        g_signal_handlers_disconnect_by_data(view_, this);
        webkit_web_view_stop_loading(view_);
        // From here every pending answer of the browser finds no view and does nothing.
        view_ = nullptr;
    }
    result_ = std::move(reply);
    // The view is torn down outside the signal or answer that ended the render, which may
    // still be running inside it; only then does the program hear the outcome.
    g_idle_add_full(
        G_PRIORITY_HIGH,
        [](gpointer self) -> gboolean {
            auto* renderer = static_cast<WebKitSVGRenderer*>(self);
            if (renderer->window_) gtk_widget_destroy(std::exchange(renderer->window_, nullptr));
            auto completion = std::exchange(renderer->completion_, nullptr);
            completion(std::move(renderer->result_));
            // The last strong hold on the renderer: it goes after this callback.
            auto ending = std::move(renderer->keepAlive_);
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}
