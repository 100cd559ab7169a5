#pragma once
#include "ImageEngine/Model/OutputSpec.h"
#include "ImageEngine/Running/JobOutcome.h"
#include "app/batch/FailureDetails.h"
#include "platform/base/Cancellation.h"

#include <QString>

#include <exception>
#include <filesystem>
#include <optional>

namespace pictavo {

// What became of one conversion, worked out on the thread that ran it: its value, or the
// card's reason and failure report, or neither after a cancellation.
struct Settlement {
    enum class Kind { succeeded, failed, cancelled };
    Kind kind = Kind::cancelled;
    QString reason;
    QString details;

    // The job's value; none when the conversion failed or was cancelled.
    template <typename Value>
    std::optional<Value> take(JobOutcome<Value>& done, const std::filesystem::path& url, const OutputSpec& spec,
                              const std::optional<FailureDetails::Source>& source) {
        try {
            std::optional<Value> value(done.take());
            kind = Kind::succeeded;
            return value;
        } catch (const platform::CancellationError&) {
            kind = Kind::cancelled;
        } catch (const std::exception& error) {
            kind = Kind::failed;
            reason = FailureDetails::description(error);
            details = FailureDetails::report(error, url, spec, source, FailureDetails::Environment::current());
        }
        return std::nullopt;
    }
};

} // namespace pictavo
