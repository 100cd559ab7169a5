#include "ShellTesting.h"

#include "app/design/DSMenuPanel.h"
#include "app/design/DSMenuWindow.h"
#include "app/design/DSSegmentedControl.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/DimensionField.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/FormatChip.h"
#include "app/options/OptionsPanel.h"
#include "app/options/QualityControl.h"
#include "app/options/SizeChip.h"
#include "app/options/ToolbarChips.h"
#include "app/options/WrappingText.h"

#include <QImageReader>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

void type(QWidget* widget, const QString& text) {
    for (const QChar character : text) QTest::keyClick(widget->window()->windowHandle(), character.toLatin1());
    settle();
}

template <typename T>
void choose(QWidget* chip, DSMenuPresenter<T>* menu, const T& tag) {
    click(chip);
    ASSERT_TRUE(menu->controller().isOpen());
    const std::optional<std::size_t> position = menu->content().position(tag);
    ASSERT_TRUE(position);
    menu->controller().window()->scrollToRow(*position, true);
    settle();
    click(menu->controller().window()->panel()->rowView(*position));
}

class ToolbarExportTest : public testing::Test, protected WindowScene {};

TEST_F(ToolbarExportTest, FormatSizeQualityAndPatternChosenInTheToolbarShapeTheExportedFiles) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->importFiles(urlsOf({writePhoto(photos() / "wide.png", 400, 300), writePhoto(photos() / "tall.png", 300, 400, 1)}));
    ASSERT_TRUE(eventually([&] { return window->store().items().size() == 2; }));
    ToolbarChips* chips = window->chips();
    ASSERT_NE(chips, nullptr);

    choose(chips->formatChip(), chips->formatChip()->menu(), FormatMenu::Tag::value(OutputFormat::webp()));
    EXPECT_EQ(settings.spec().format, OutputFormat::webp());

    choose(chips->sizeChip(), chips->sizeChip()->menu(), SizeMenu::Tag::value(SizeChoice::custom));
    ASSERT_TRUE(eventually([&] { return chips->sizeChip()->customContent() != nullptr; }));
    DimensionField* width = chips->sizeChip()->customContent()->widthField();
    ASSERT_TRUE(eventually([&] { return width->window()->isActiveWindow(); }));
    width->setFocus();
    type(width, "200");
    EXPECT_EQ(settings.spec().sizing, ResizeSpec::fit(200, std::nullopt));
    QTest::keyClick(width->window()->windowHandle(), Qt::Key_Escape);
    settle();

    click(chips->optionsChip());
    ASSERT_TRUE(eventually([&] { return chips->optionsChip()->panel() != nullptr; }));
    OptionsPanel* panel = chips->optionsChip()->panel();
    ASSERT_TRUE(eventually([&] { return panel->window()->isActiveWindow(); }));
    ASSERT_NE(panel->qualityControl(), nullptr);
    click(panel->qualityControl()->modes()->segment(1));
    panel->qualityControl()->slider()->setValue(60);
    EXPECT_EQ(settings.spec().quality, QualityMode::quality(60));
    QLineEdit* pattern = panel->patternField()->field();
    pattern->setFocus();
    pattern->selectAll();
    type(pattern, "{name}-{w}x{h}-q{quality}");
    // The preview names the first card of the batch as it will be written.
    EXPECT_EQ(panel->patternField()->previewLine()->text(), QStringLiteral("wide.png \u2192 wide-200x150-q60.webp"));
    QTest::keyClick(pattern->window()->windowHandle(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(window->store().spec(), settings.spec()) << "the batch follows the toolbar";
    EXPECT_EQ(settings.defaultSpec(), SettingsStore::builtInDefaultSpec()) << "nothing was saved as default";

    folderAsker.answers = {output()};
    ASSERT_TRUE(destinations.chooseFolder());
    window->exportAction()->trigger();
    EXPECT_FALSE(chips->isEnabled()) << "the chips wait while an export runs";
    ASSERT_TRUE(exportEnds());
    settle();
    EXPECT_TRUE(chips->isEnabled());

    for (const auto& [name, size] : {std::pair{"wide-200x150-q60.webp", QSize(200, 150)},
                                     std::pair{"tall-200x267-q60.webp", QSize(200, 267)}}) {
        QImageReader reader(QString::fromStdString((output() / name).string()));
        EXPECT_EQ(reader.format(), "webp") << name;
        EXPECT_EQ(reader.size(), size) << name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(output()), fs::directory_iterator()), 2);
}

} // namespace
