#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "app/batch/Converting.h"
#include "app/desktop/BackgroundWork.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <utility>

namespace pictavo {

// The conversions of one estimate pass or one export run: at most `width` in flight at once,
// each one's result turned into its owner's message on the thread that converted it (so no
// thread ever waits for a conversion) and delivered on the main thread through the event
// loop, one at a time, in the order they finish. The owner refills the window from its
// delivery, in the order it needs (an estimate is applied first, an export refills first).
//
// Thread rule: main thread only, apart from each start's `settle`, which runs on the
// converting thread and must be safe there. Deliveries stop when `context` goes; until then
// every started conversion is delivered once, also after `cancel`, so that the owner can
// count what is still out.
class ConversionWindow {
public:
    ConversionWindow(const Converting& engine, std::int64_t width, QObject* context)
        : engine_(engine), width_(std::max<std::int64_t>(width, 1)), context_(context),
          flight_(std::make_shared<Flight>()) {}

    std::int64_t width() const { return width_; }
    // Started and not yet delivered.
    std::int64_t inFlight() const { return flight_->count; }
    bool hasRoom() const { return flight_->count < width_; }

    // Calls `startNext` while there is room and it started a conversion.
    void fill(const std::function<bool()>& startNext) {
        while (hasRoom() && startNext()) {
        }
    }

    // Converts one page. `settle` turns what the conversion came to into the message that
    // `deliver` is given on the main thread.
    template <typename Settle, typename Deliver>
    void start(const std::filesystem::path& source, const OutputSpec& spec, std::int64_t page, EncodeEffort effort,
               Settle settle, Deliver deliver) {
        ++flight_->count;
        engine_.converted(
            source, spec, page, effort, flight_->stop.get_token(),
            [context = QPointer<QObject>(context_), flight = flight_, settle = std::move(settle),
             deliver = std::move(deliver)](JobOutcome<ConversionResult> done) mutable {
                auto message = std::make_shared<decltype(settle(done))>(settle(done));
                postTo(context, [flight, message, deliver]() mutable {
                    --flight->count;
                    deliver(std::move(*message));
                });
            });
    }

    // Asks every conversion in flight to stop at its next check.
    void cancel() { flight_->stop.request_stop(); }
    bool cancelled() const { return flight_->stop.stop_requested(); }

private:
    // Shared with the deliveries under way; touched on the main thread only (the stop source
    // is safe anywhere).
    struct Flight {
        std::int64_t count = 0;
        std::stop_source stop;
    };

    const Converting& engine_;
    const std::int64_t width_;
    QObject* const context_;
    const std::shared_ptr<Flight> flight_;
};

} // namespace pictavo
