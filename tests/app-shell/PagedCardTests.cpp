#include "ShellTesting.h"

#include "app/shell/BatchGrid.h"
#include "app/shell/ImageCard.h"
#include "support/PDFSamples.h"

#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace pictavo;
using namespace shell_testing;

class PagedCard : public testing::Test, protected WindowScene {};

bool isLandscape(const QImage& image) { return !image.isNull() && image.width() > image.height(); }
bool isPortrait(const QImage& image) { return !image.isNull() && image.width() < image.height(); }

// A document whose first page lies on its side and whose second stands upright: the card's
// picture shows whichever page is chosen on it, as the export writes it.
TEST_F(PagedCard, ThePictureIsOfThePageChosenOnTheCard) {
    const fs::path document = photos() / "two pages.pdf";
    const platform::Bytes pdf = testing_support::handWrittenPDF(
        {testing_support::handWrittenPage({0, 0, 200, 100}), testing_support::handWrittenPage({0, 0, 100, 200})});
    std::ofstream(document, std::ios::binary).write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));
    bool imported = false;
    QObject::connect(window.get(), &MainWindow::importFinished, [&] { imported = true; });
    window->importFiles(urlsOf({document}));
    ASSERT_TRUE(eventually([&] { return imported; }));
    ASSERT_EQ(window->store().items().size(), 1u);
    const QUuid id = window->store().items()[0].id;
    ImageCard* card = window->grid()->card(id);
    ASSERT_NE(card, nullptr);
    ASSERT_TRUE(eventually([&] { return isLandscape(card->thumbnail()); }));

    // Chosen from the keyboard, as the picker's own keys do: the picker lives on through
    // the change it makes.
    auto* picker = card->findChild<QComboBox*>();
    ASSERT_NE(picker, nullptr);
    ASSERT_EQ(picker->count(), 2);
    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(window->store().items()[0].page, 2);
    EXPECT_TRUE(eventually([&] { return isPortrait(card->thumbnail()); }));
    EXPECT_EQ(card->findChild<QComboBox*>(), picker);
    EXPECT_EQ(picker->currentText(), "Page 2 of 2");
    // Back on the first page, the loader's cache answers.
    QTest::keyClick(picker, Qt::Key_Up);
    EXPECT_EQ(window->store().items()[0].page, 1);
    EXPECT_TRUE(eventually([&] { return isLandscape(card->thumbnail()); }));
    EXPECT_EQ(picker->currentText(), "Page 1 of 2");
}

} // namespace
