#include "app/settings/SettingsStore.h"

#include "platform/base/MainThread.h"
#include "platform/text/JSONCoding.h"

#include <cmath>

namespace pictavo {

namespace json = platform::json;

namespace {

bool isUnitComponent(double component) { return std::isfinite(component) && component >= 0 && component <= 1; }

// What the options can produce; anything else was written by hand or is damaged.
bool holdsSettableValues(const OutputSpec& spec) {
    if (!isUnitComponent(spec.matte.red) || !isUnitComponent(spec.matte.green) || !isUnitComponent(spec.matte.blue)) {
        return false;
    }
    switch (spec.quality.kind()) {
    case QualityMode::Kind::quality: return spec.quality.payload() >= 0 && spec.quality.payload() <= 100;
    case QualityMode::Kind::targetBytes: return spec.quality.payload() >= 1;
    case QualityMode::Kind::lossless: return true;
    }
    return false;
}

OutputSpec makeSpec(OutputFormat format, QualityMode quality, ColourPolicy colour) {
    return OutputSpec{std::move(format), ResizeSpec::original(), quality, MetadataPolicy::strip, colour,
                      MatteColour::white(), Adjustments::none(), "{name}.{format}"};
}

} // namespace

const OutputSpec& SettingsStore::builtInDefaultSpec() {
    static const OutputSpec spec = makeSpec(OutputFormat::sameAsSource(), QualityMode::lossless(), ColourPolicy::preserve);
    return spec;
}

const OutputSpec& SettingsStore::retiredDefaultSpec() {
    static const OutputSpec spec = makeSpec(OutputFormat::png(), QualityMode::quality(80), ColourPolicy::convertToSRGB);
    return spec;
}

SettingsStore::SettingsStore(UserDefaults& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults), defaultSpec_(builtInDefaultSpec()), spec_(builtInDefaultSpec()) {
    platform::assertMainThread();
    OutputSpec loaded = loadSpec(QString::fromLatin1(defaultSpecKey))
                            .value_or(loadSpec(QString::fromLatin1(legacySpecKey)).value_or(builtInDefaultSpec()));
    // A turn, flip or greyscale is never carried into a new launch.
    loaded.adjustments = Adjustments::none();
    const bool retired = defaults_.boolean(QString::fromLatin1(retiredPNGKey)).value_or(false);
    if (!retired && loaded == retiredDefaultSpec()) loaded = builtInDefaultSpec();
    defaultSpec_ = loaded;
    spec_ = loaded;
    if (!retired) {
        saveDefaultSpec();
        defaults_.setBoolean(QString::fromLatin1(retiredPNGKey), true);
    }
}

void SettingsStore::setDefaultSpec(const OutputSpec& spec) {
    platform::assertMainThread();
    OutputSpec kept = spec;
    kept.adjustments = Adjustments::none();
    if (!(kept == defaultSpec_)) {
        defaultSpec_ = kept;
        Q_EMIT defaultSpecChanged();
    }
    saveDefaultSpec();
}

void SettingsStore::setSpec(const OutputSpec& spec) {
    platform::assertMainThread();
    if (spec == spec_) return;
    spec_ = spec;
    Q_EMIT specChanged();
}

void SettingsStore::restoreBuiltInDefaults() {
    setDefaultSpec(builtInDefaultSpec());
    setSpec(builtInDefaultSpec());
    Q_EMIT builtInDefaultsRestored();
}

void SettingsStore::saveSectionAsDefault(SpecSection section) { setDefaultSpec(withSection(defaultSpec_, spec_, section)); }

bool SettingsStore::sectionMatchesDefault(SpecSection section) const {
    return withSection(defaultSpec_, spec_, section) == defaultSpec_;
}

std::optional<OutputSpec> SettingsStore::loadSpec(const QString& key) const {
    const auto stored = defaults_.data(key);
    if (!stored) return std::nullopt;
    try {
        const json::Value document = json::parse(std::string_view(stored->constData(), stored->size()));
        OutputSpec spec = OutputSpec::decode(json::Reader(document));
        // The decoder brings sizes into range; a stored size that needed it is damaged.
        const ResizeSpec storedSizing = ResizeSpec::decode(json::Reader(document).object().at("sizing"));
        if (!(storedSizing == spec.sizing) || !holdsSettableValues(spec)) return std::nullopt;
        return spec;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void SettingsStore::saveDefaultSpec() {
    try {
        const std::string text = defaultSpec_.jsonText();
        defaults_.setData(QString::fromLatin1(defaultSpecKey), QByteArray::fromStdString(text));
    } catch (const std::exception&) {
        // A value that cannot be written leaves the one stored before.
    }
}

} // namespace pictavo
