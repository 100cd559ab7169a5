#pragma once
#include "app/export/DestinationUnavailable.h"
#include "app/export/ExportDestination.h"

#include <optional>

namespace pictavo {

// What the destination choice came to when an export was about to start.
class DestinationResolution {
public:
    enum class Kind { resolved, unavailable, cancelled };

    static DestinationResolution resolved(ExportDestination destination) {
        return {Kind::resolved, std::move(destination), DestinationUnavailable::noFolderChosen};
    }
    static DestinationResolution unavailable(DestinationUnavailable reason) {
        return {Kind::unavailable, ExportDestination::besideOriginal(), reason};
    }
    // The user dismissed the panel that asked for this export's folder.
    static DestinationResolution cancelled() {
        return {Kind::cancelled, ExportDestination::besideOriginal(), DestinationUnavailable::noFolderChosen};
    }

    Kind kind() const { return kind_; }
    std::optional<ExportDestination> destination() const {
        return kind_ == Kind::resolved ? std::optional(destination_) : std::nullopt;
    }
    std::optional<DestinationUnavailable> reason() const {
        return kind_ == Kind::unavailable ? std::optional(reason_) : std::nullopt;
    }

    friend bool operator==(const DestinationResolution& a, const DestinationResolution& b) {
        return a.kind_ == b.kind_ && a.destination() == b.destination() && a.reason() == b.reason();
    }

private:
    DestinationResolution(Kind kind, ExportDestination destination, DestinationUnavailable reason)
        : kind_(kind), destination_(std::move(destination)), reason_(reason) {}

    Kind kind_;
    ExportDestination destination_;
    DestinationUnavailable reason_;
};

} // namespace pictavo
