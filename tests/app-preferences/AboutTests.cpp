#include "app/desktop/ApplicationIcon.h"
#include "app/preferences/AboutDialog.h"
#include "app/preferences/Acknowledgements.h"
#include "app/preferences/CreditsRuns.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <set>

using namespace pictavo;

namespace {

const Acknowledgement* named(const QString& name) {
    for (const Acknowledgement& entry : Acknowledgements::all())
        if (entry.name == name) return &entry;
    return nullptr;
}

// The shared objects the application executable loads, by file name.
QStringList linkedLibraries() {
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(PICTAVO_EXECUTABLE)});
    if (!ldd.waitForFinished(30000)) return {};
    QStringList names;
    for (const QString& line : QString::fromLocal8Bit(ldd.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty()) names.append(line.trimmed().section(QLatin1Char(' '), 0, 0));
    return names;
}

} // namespace

TEST(Acknowledgements, ListOnlyWhatTheApplicationLinksEachWithAVersionARoleAndItsLicenceText) {
    const QStringList linked = linkedLibraries();
    ASSERT_FALSE(linked.isEmpty());
    // The shared object each credited library lives in; nlohmann-json is compiled in.
    const std::map<QString, QString> objects = {
        {"libjpeg-turbo", "libjpeg.so"}, {"libwebp", "libwebp.so"},      {"libdeflate", "libdeflate.so"},
        {"libvips", "libvips.so"},       {"lcms2", "liblcms2.so"},       {"zlib", "libz.so"},
        {"libpng", "libpng16.so"},       {"libtiff", "libtiff.so"},      {"libheif", "libheif.so"},
        {"OpenJPEG", "libopenjp2.so"},   {"LibRaw", "libraw_r.so"},      {"exiv2", "libexiv2.so"},
        {"librsvg", "librsvg-2.so"},     {"ICU", "libicuuc.so"},         {"Qt", "libQt6Core.so"},
        {"poppler", "libpoppler-glib.so"}, {"cairo", "libcairo.so"},     {"libxml2", "libxml2.so"},
        {"nlohmann-json", ""}};
    std::set<QString> seen;
    for (const Acknowledgement& entry : Acknowledgements::all()) {
        SCOPED_TRACE(entry.name.toStdString());
        EXPECT_TRUE(seen.insert(entry.name).second);
        EXPECT_FALSE(entry.version.isEmpty());
        EXPECT_TRUE(entry.version.front().isDigit());
        EXPECT_TRUE(entry.role.endsWith(QLatin1Char('.')));
        EXPECT_FALSE(entry.licence.isEmpty());
        EXPECT_GT(entry.text.size(), 200);
        const auto object = objects.find(entry.name);
        ASSERT_NE(object, objects.end()) << "credited without a known library: " << entry.name.toStdString();
        if (object->second.isEmpty()) continue;
        const bool contained = std::any_of(linked.begin(), linked.end(),
                                           [&](const QString& lib) { return lib.startsWith(object->second); });
        EXPECT_TRUE(contained) << entry.name.toStdString() << " is credited but not linked";
    }
    // What the executable really is made of: the libraries it decodes and writes with.
    for (const char* expected : {"libjpeg-turbo", "libwebp", "libdeflate", "libvips", "exiv2", "poppler", "librsvg", "Qt"})
        EXPECT_NE(named(expected), nullptr) << expected;
    // Never linked by this program, so never credited.
    for (const char* absent : {"mozjpeg", "Sparkle", "WebKitGTK"}) EXPECT_EQ(named(absent), nullptr);
    // Run-time versions match what the library says of itself now.
    EXPECT_EQ(named("Qt")->version, QString::fromLatin1(qVersion()));
    EXPECT_TRUE(named("libdeflate")->version.endsWith("(the version built with)"));
    EXPECT_TRUE(named("libwebp")->text.contains("Additional IP Rights Grant (Patents)"));
    EXPECT_TRUE(named("libvips")->text.contains("GNU LESSER GENERAL PUBLIC LICENSE"));
    // Licence texts are found in either place and must be UTF-8.
    EXPECT_EQ(Acknowledgements::licenceText("TopLevelOnly"), "Found at the top level.\n");
    EXPECT_EQ(Acknowledgements::licenceText("NotUTF8"), "");
    EXPECT_EQ(Acknowledgements::licenceText("NoSuchLibrary"), "");
}

TEST(Credits, BlurbThenThreeRunsPerLibraryEachWithOneStyle) {
    const std::vector<Acknowledgement> entries = {{"alpha", "1.2", "Does a.", "MIT", "Text A"},
                                                  {"beta", "3", "Does b.", "Zlib", ""}};
    const std::vector<CreditsRun> runs = creditsRuns(entries);
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_TRUE(runs[0].text.startsWith("Pictavo by Fenwid converts, resizes and optimises images"));
    EXPECT_TRUE(runs[0].text.endsWith("with thanks:\n\n"));
    EXPECT_EQ(std::vector(runs.begin() + 1, runs.begin() + 4),
              (std::vector<CreditsRun>{{"alpha 1.2\n", CreditsRun::Style::heading, CreditsRun::Colour::label},
                                       {"Does a.\nMIT\n\n", CreditsRun::Style::body, CreditsRun::Colour::secondaryLabel},
                                       {"Text A\n\n", CreditsRun::Style::finePrint, CreditsRun::Colour::secondaryLabel}}));
    // A missing licence leaves just the blank line.
    EXPECT_EQ(runs[6].text, "\n\n");
}

TEST(AboutDialog, DrawsTheCreditsInThePalettesColoursAndRedrawsOnChange) {
    // The icon comes from inside the executable, drawn by Qt's SVG engine: a missing resource
    // or a missing engine plugin would leave a blank square.
    QApplication::setWindowIcon(applicationIcon());
    AboutDialog dialog({{"alpha", "1.2", "Does a.", "MIT", "Text A"}});
    const QLabel* icon = dialog.findChild<QLabel*>();
    ASSERT_NE(icon, nullptr);
    const QImage drawn = icon->pixmap().toImage();
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(qAlpha(drawn.pixel(drawn.width() / 2, drawn.height() / 2)), 255);
    QTextBrowser* credits = dialog.credits();
    EXPECT_TRUE(credits->isReadOnly());
    EXPECT_TRUE(credits->toPlainText().contains("alpha 1.2\nDoes a.\nMIT"));

    const auto colourOf = [credits](const QString& phrase) {
        QTextCursor found = credits->document()->find(phrase);
        return found.charFormat().foreground().color();
    };
    QPalette dark = dialog.palette();
    dark.setColor(QPalette::Text, QColor(250, 250, 250));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 160));
    dialog.setPalette(dark);
    EXPECT_EQ(colourOf("alpha 1.2"), QColor(250, 250, 250));
    EXPECT_EQ(colourOf("Does a."), QColor(150, 150, 160));
    EXPECT_EQ(credits->toPlainText().count("alpha 1.2"), 1);
}
