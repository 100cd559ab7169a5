#include "app/settings/MemoryUserDefaults.h"
#include "app/settings/SettingsStore.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

QByteArray jsonOf(const OutputSpec& spec) { return QByteArray::fromStdString(spec.jsonText()); }

OutputSpec webpSpec() {
    OutputSpec spec = SettingsStore::builtInDefaultSpec();
    spec.format = OutputFormat::webp();
    spec.sizing = ResizeSpec::fit(1920, std::nullopt);
    spec.quality = QualityMode::quality(72);
    return spec;
}

class Settings : public testing::Test {
protected:
    MemoryUserDefaults defaults_;
};

TEST_F(Settings, FirstLaunchWritesTheBuiltInDefaultAndOnlyTheDefaultIsEverSaved) {
    SettingsStore store(defaults_);
    EXPECT_EQ(store.defaultSpec(), SettingsStore::builtInDefaultSpec());
    EXPECT_EQ(store.spec(), SettingsStore::builtInDefaultSpec());
    EXPECT_EQ(defaults_.data("defaultOutputSpec"), jsonOf(SettingsStore::builtInDefaultSpec()));
    EXPECT_EQ(defaults_.boolean("didRetirePNGAsTheDefaultFormat"), true);

    // The current specification is never saved, and equal assignments notify nobody.
    const QByteArray saved = defaults_.data("defaultOutputSpec").value();
    QSignalSpy specSpy(&store, &SettingsStore::specChanged);
    QSignalSpy defaultSpy(&store, &SettingsStore::defaultSpecChanged);
    store.setSpec(webpSpec());
    store.setSpec(webpSpec());
    EXPECT_EQ(specSpy.count(), 1);
    EXPECT_EQ(defaults_.data("defaultOutputSpec"), saved);

    // An equal default is still written (the stored one may have been removed meanwhile).
    defaults_.remove("defaultOutputSpec");
    store.setDefaultSpec(store.defaultSpec());
    EXPECT_EQ(defaultSpy.count(), 0);
    EXPECT_EQ(defaults_.data("defaultOutputSpec"), saved);
}

TEST_F(Settings, TheRetiredDefaultIsReplacedOnceAndKeptAfterwardsAsTheUsersChoice) {
    defaults_.setData("defaultOutputSpec", jsonOf(SettingsStore::retiredDefaultSpec()));
    EXPECT_EQ(SettingsStore(defaults_).defaultSpec(), SettingsStore::builtInDefaultSpec());

    defaults_.setData("defaultOutputSpec", jsonOf(SettingsStore::retiredDefaultSpec()));
    EXPECT_EQ(SettingsStore(defaults_).defaultSpec(), SettingsStore::retiredDefaultSpec());
}

TEST_F(Settings, TheOlderKeyIsCopiedForwardAndLeftInPlace) {
    defaults_.setData("outputSpec", jsonOf(webpSpec()));
    SettingsStore store(defaults_);
    EXPECT_EQ(store.defaultSpec(), webpSpec());
    EXPECT_EQ(defaults_.data("defaultOutputSpec"), jsonOf(webpSpec()));
    EXPECT_EQ(defaults_.data("outputSpec"), jsonOf(webpSpec()));

    // Damaged data under the current key falls through to the older one.
    defaults_.setData("defaultOutputSpec", "{not json");
    EXPECT_EQ(SettingsStore(defaults_).defaultSpec(), webpSpec());
    defaults_.remove("outputSpec");
    defaults_.setData("defaultOutputSpec", "{not json");
    EXPECT_EQ(SettingsStore(defaults_).defaultSpec(), SettingsStore::builtInDefaultSpec());
}

TEST_F(Settings, StoredValuesNoSettingCanHaveCountAsAbsent) {
    defaults_.setData("outputSpec", jsonOf(webpSpec()));
    defaults_.setBoolean("didRetirePNGAsTheDefaultFormat", true);
    const std::string good = webpSpec().jsonText();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return QByteArray::fromStdString(text);
    };
    for (const QByteArray& damaged : {replaced("\"red\":1", "\"red\":1e400"), replaced("\"red\":1", "\"red\":7"),
                                      replaced("\"red\":1", "\"red\":-0.5"), replaced("\"_0\":72", "\"_0\":9999"),
                                      replaced("\"maxWidth\":1920", "\"maxWidth\":5000000"),
                                      replaced("\"maxWidth\":1920", "\"maxWidth\":0")}) {
        SCOPED_TRACE(damaged.toStdString());
        defaults_.setData("defaultOutputSpec", damaged);
        EXPECT_EQ(SettingsStore(defaults_).defaultSpec(), webpSpec());
    }
}

TEST_F(Settings, AdjustmentsAreNeverPartOfTheDefault) {
    OutputSpec turned = webpSpec();
    turned.adjustments.reorientation = Reorientation(1, false);
    defaults_.setData("defaultOutputSpec", jsonOf(turned));
    SettingsStore store(defaults_);
    EXPECT_TRUE(store.defaultSpec().adjustments.isIdentity());

    OutputSpec grey = webpSpec();
    grey.adjustments.greyscale = true;
    store.setDefaultSpec(grey);
    EXPECT_FALSE(store.defaultSpec().adjustments.greyscale);
    EXPECT_EQ(defaults_.data("defaultOutputSpec"), jsonOf(webpSpec()));
}

TEST_F(Settings, SectionsSaveAndCompareOnlyTheirOwnFields) {
    SettingsStore store(defaults_);
    OutputSpec current = webpSpec();
    current.metadata = MetadataPolicy::keepAll;
    current.namePattern = "{name}-small";
    current.adjustments.greyscale = true;
    store.setSpec(current);

    store.saveSectionAsDefault(SpecSection::options);
    EXPECT_EQ(store.defaultSpec().format, OutputFormat::sameAsSource());
    EXPECT_EQ(store.defaultSpec().sizing, ResizeSpec::original());
    EXPECT_EQ(store.defaultSpec().quality, QualityMode::quality(72));
    EXPECT_EQ(store.defaultSpec().namePattern, "{name}-small");
    EXPECT_TRUE(store.defaultSpec().adjustments.isIdentity());
    EXPECT_TRUE(store.sectionMatchesDefault(SpecSection::options));
    EXPECT_FALSE(store.sectionMatchesDefault(SpecSection::format));

    store.saveSectionAsDefault(SpecSection::format);
    // Only the sizing differs now: the format section matches.
    EXPECT_TRUE(store.sectionMatchesDefault(SpecSection::format));
    EXPECT_FALSE(store.sectionMatchesDefault(SpecSection::size));
}

} // namespace
