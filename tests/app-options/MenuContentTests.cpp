#include "app-options/OptionsTesting.h"
#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"
#include "ImageEngine/Encoding/webp/WebPEncoder.h"
#include "app/options/FormatChip.h"
#include "app/options/FormatMenu.h"
#include "app/options/SizeMenu.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

QStringList titlesOf(const DSMenuGroup<FormatMenu::Tag>& group) {
    QStringList titles;
    for (const auto& row : group.rows) titles << row.title;
    return titles;
}

TEST(FormatMenu, SameAsSourceThenFeaturedThenMoreThenSaveAsDefault) {
    const std::vector<OutputFormat> featured{OutputFormat::jpeg(), OutputFormat::png()};
    const std::vector<OutputFormat> all{OutputFormat::bmp(), OutputFormat::jpeg(), OutputFormat::png(),
                                        OutputFormat::tiff()};
    const auto menu = FormatMenu::content(OutputFormat::tiff(), false, featured, all);
    ASSERT_EQ(menu.groups.size(), 4u);
    EXPECT_EQ(menu.groups[0].heading, std::nullopt);
    ASSERT_EQ(menu.groups[0].rows.size(), 1u);
    EXPECT_EQ(menu.groups[0].rows[0],
              (DSMenuRow<FormatMenu::Tag>{FormatMenu::Tag::value(OutputFormat::sameAsSource()), "Same as source",
                                          QString("Optimise without converting"), std::nullopt, false}));
    EXPECT_EQ(titlesOf(menu.groups[1]), (QStringList{"JPEG", "PNG"}));
    EXPECT_EQ(menu.groups[1].heading, std::nullopt);
    EXPECT_EQ(menu.groups[2].heading, QString("More"));
    EXPECT_EQ(titlesOf(menu.groups[2]), (QStringList{"BMP", "TIFF"})) << "the rest, in the full list's order";
    EXPECT_EQ(menu.groups[1].rows[0].subtitle, QString("Lossy, no transparency"));
    EXPECT_EQ(menu.groups[1].rows[1].subtitle, QString("Lossless, transparency"));
    EXPECT_EQ(menu.groups[3].rows,
              (std::vector<DSMenuRow<FormatMenu::Tag>>{{FormatMenu::Tag::saveAsDefault(), "Save as default",
                                                        QString("New batches start as TIFF"), std::nullopt, false}}));
    // Matching the default: no such group; the three others stay even when empty.
    const auto plain = FormatMenu::content(OutputFormat::png(), true, {}, {});
    ASSERT_EQ(plain.groups.size(), 3u);
    EXPECT_TRUE(plain.groups[1].rows.empty());
    EXPECT_TRUE(plain.groups[2].rows.empty());
}

TEST(FormatMenu, TheFullListIsEveryEncodedFormatByLabel) {
    const ConversionEngine& engine = options_testing::standardEngine();
    const auto all = FormatMenu::allFormats(engine);
    ASSERT_FALSE(all.empty());
    QStringList labels;
    for (const OutputFormat& format : all) {
        EXPECT_FALSE(format.isSameAsSource());
        EXPECT_TRUE(engine.writableIdentifiers().count(format.id())) << format.id();
        labels << QString::fromStdString(format.displayName());
    }
    for (const char* expected : {"JPEG", "PNG", "WebP", "TIFF", "ICNS"}) EXPECT_TRUE(labels.contains(expected)) << expected;
    const auto menu = FormatMenu::content(OutputFormat::png(), true, FormatMenu::featuredFormats(engine), all);
    EXPECT_EQ(menu.groups[1].rows.size() + menu.groups[2].rows.size(), all.size())
        << "every featured format is in the full list, and none twice";
}

TEST(FormatMenu, TheChipOffersWhatTheEngineItIsGivenWrites) {
    const ConversionEngine engine(DecoderRegistry::standard(),
                                  EncoderRegistry({std::make_shared<MozJPEGEncoder>(), std::make_shared<WebPEncoder>()}),
                                  SourceOptimiserRegistry({}));
    options_testing::ThemeScope theme;
    options_testing::Settings settings;
    const FormatChip chip(settings.store, engine);
    const auto menu = chip.menu()->content();
    ASSERT_EQ(menu.groups.size(), 3u);
    EXPECT_EQ(titlesOf(menu.groups[1]), (QStringList{"JPEG", "WebP"}));
    EXPECT_TRUE(menu.groups[2].rows.empty());
}

TEST(SizeMenu, OneGroupPerPresetGroupAndSaveAsDefaultSaysTheCurrentSize) {
    const auto menu = SizeMenu::content("50%", false);
    ASSERT_EQ(menu.groups.size(), 6u);
    QList<std::optional<QString>> headings;
    for (const auto& group : menu.groups) headings << group.heading;
    EXPECT_EQ(headings, (QList<std::optional<QString>>{QString("Size"), QString("Percentage"), QString("Scale"),
                                                       QString("Longest edge"), std::nullopt, std::nullopt}));
    EXPECT_EQ(menu.groups[2].rows[0],
              (DSMenuRow<SizeMenu::Tag>{SizeMenu::Tag::value(SizeChoice::scale2), "@2x", std::nullopt, std::nullopt, false}));
    EXPECT_EQ(menu.groups[4].rows[0].title, QStringLiteral("Custom\u2026"));
    EXPECT_EQ(menu.groups[5].rows[0],
              (DSMenuRow<SizeMenu::Tag>{SizeMenu::Tag::saveAsDefault(), "Save as default",
                                        QString("New batches start at 50%"), std::nullopt, false}));
    EXPECT_EQ(SizeMenu::content("50%", true).groups.size(), 5u);
    EXPECT_EQ(SizeMenu::content("50%", true).rowCount(), 9u);
}

} // namespace
