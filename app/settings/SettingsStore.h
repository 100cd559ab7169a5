#pragma once
#include "ImageEngine/Model/OutputSpec.h"
#include "app/settings/SpecSection.h"
#include "app/settings/UserDefaults.h"

#include <QObject>

#include <optional>

namespace pictavo {

// The user's output specification across launches: the saved default, and the current one
// that the window edits and hands to its batch store. Every launch starts the current one
// from the default. Lives on the main thread.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    static constexpr const char* defaultSpecKey = "defaultOutputSpec";
    // Read when the current key holds nothing; never written.
    static constexpr const char* legacySpecKey = "outputSpec";
    static constexpr const char* retiredPNGKey = "didRetirePNGAsTheDefaultFormat";

    // Reads the default (the current key, the older key, then the built-in one), never
    // with adjustments; the first launch of this version writes it back and retires the
    // old PNG default.
    explicit SettingsStore(UserDefaults& defaults, QObject* parent = nullptr);

    // Same as source, original size, lossless, stripped, colour preserved, white matte,
    // no adjustments, "{name}.{format}".
    static const OutputSpec& builtInDefaultSpec();
    // The default of earlier versions: PNG, quality 80, converted to sRGB.
    static const OutputSpec& retiredDefaultSpec();

    const OutputSpec& defaultSpec() const { return defaultSpec_; }
    // Saves at every call, also of an equal value, always without adjustments.
    void setDefaultSpec(const OutputSpec& spec);
    const OutputSpec& spec() const { return spec_; }
    // Saves nothing.
    void setSpec(const OutputSpec& spec);

    // Puts the default and the current specification back to the built-in one, then tells the
    // views to forget what they remember of earlier choices (a size preset picked before).
    void restoreBuiltInDefaults();

    void saveSectionAsDefault(SpecSection section);
    bool sectionMatchesDefault(SpecSection section) const;

    // The specification stored under the key; none when there is none, when it does not
    // decode, or when it holds a value no setting can have (a matte component outside 0 to
    // 1, a quality outside 0 to 100, a target below one byte, a size out of range).
    std::optional<OutputSpec> loadSpec(const QString& key) const;

Q_SIGNALS:
    void defaultSpecChanged();
    void specChanged();
    void builtInDefaultsRestored();

private:
    void saveDefaultSpec();

    UserDefaults& defaults_;
    OutputSpec defaultSpec_;
    OutputSpec spec_;
};

} // namespace pictavo
