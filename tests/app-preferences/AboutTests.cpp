#include "support/FixedPreferences.h"
#include "app/desktop/ApplicationIcon.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/preferences/AboutDialog.h"
#include "app/preferences/Acknowledgements.h"
#include "app/preferences/CreditsRuns.h"
#include "app/preferences/LicenceDocument.h"
#include "app/shell/ApplicationPalette.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace pictavo;

namespace {

const Acknowledgement* named(const QString& name) {
    for (const Acknowledgement& entry : Acknowledgements::all())
        if (entry.name == name) return &entry;
    return nullptr;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The shared objects a program loads, its own and theirs, by file name, with where each is.
std::map<QString, QString> loadedLibraries(const QString& program) {
    std::map<QString, QString> libraries;
    static const QRegularExpression entry(QStringLiteral("^\\s*(\\S+)(?: => (\\S+))?"));
    for (const QString& line : run(QStringLiteral("ldd"), {program}).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = entry.match(line);
        if (match.hasMatch()) libraries[match.captured(1)] = match.captured(2);
    }
    return libraries;
}

// The libraries an ELF file names in its dynamic section: what it needs itself.
QStringList neededLibraries(const QString& file) {
    QStringList needed;
    static const QRegularExpression entry(QStringLiteral("\\(NEEDED\\).*\\[(.+)\\]"));
    for (const QString& line : run(QStringLiteral("readelf"), {QStringLiteral("-d"), file}).split(QLatin1Char('\n')))
        if (const QRegularExpressionMatch match = entry.match(line); match.hasMatch()) needed.append(match.captured(1));
    return needed;
}

// The C and C++ runtime, and the sanitizers' in a test build: part of the system, not credited.
bool isRuntime(const QString& library) {
    static const QRegularExpression runtime(
        QStringLiteral("^(libc|libm|libdl|librt|libpthread|libstdc\\+\\+|libgcc_s|libasan|libubsan|ld-linux[^.]*)\\.so"));
    return runtime.match(library).hasMatch();
}

// The credit each shared object is part of, by the start of its file name.
const std::vector<std::pair<QString, QString>> creditOfObject = {
    {"libjpeg.so", "libjpeg-turbo"}, {"libwebp.so", "libwebp"}, {"libwebpmux.so", "libwebp"},
    {"libwebpdemux.so", "libwebp"}, {"libsharpyuv.so", "libwebp"}, {"libdeflate.so", "libdeflate"},
    {"libvips.so", "libvips"}, {"libvips-cpp.so", "libvips"}, {"liblcms2.so", "lcms2"}, {"libz.so", "zlib"},
    {"libpng16.so", "libpng"}, {"libtiff.so", "libtiff"}, {"libheif.so", "libheif"}, {"libopenjp2.so", "OpenJPEG"},
    {"libraw_r.so", "LibRaw"}, {"libexiv2.so", "exiv2"}, {"librsvg-2.so", "librsvg"}, {"libicuuc.so", "ICU"},
    {"libicui18n.so", "ICU"}, {"libicudata.so", "ICU"}, {"libQt6", "Qt"}, {"libpoppler-glib.so", "poppler"},
    {"libpoppler.so", "poppler"}, {"libcairo.so", "cairo"}, {"libxml2.so", "libxml2"},
    {"libglib-2.0.so", "GLib"}, {"libgio-2.0.so", "GLib"}, {"libgmodule-2.0.so", "GLib"},
    {"libgobject-2.0.so", "GObject"}, {"libgtk-3.so", "GTK"}, {"libgdk-3.so", "GTK"},
    {"libwebkit2gtk-4.1.so", "WebKitGTK"}, {"libjavascriptcoregtk-4.1.so", "JavaScriptCore"},
    {"libcgif.so", "cgif"}, {"libimagequant.so", "libimagequant"}, {"libxcb.so", "libxcb"},
    {"libx265.so", "x265"}, {"libde265.so", "libde265"}, {"libaom.so", "aom"}, {"libdav1d.so", "dav1d"},
    {"libOpenEXR-", "OpenEXR"}, {"libOpenEXRCore-", "OpenEXR"}, {"libOpenEXRUtil-", "OpenEXR"},
    {"libIlmThread-", "OpenEXR"}, {"libIex-", "OpenEXR"}, {"libImath-", "Imath"}, {"libexif.so", "libexif"},
    {"libjbig.so", "JBIG-KIT"}, {"libLerc.so", "LERC"}, {"libpixman-1.so", "pixman"}, {"libfreetype.so", "FreeType"},
    {"libharfbuzz.so", "HarfBuzz"}, {"libharfbuzz-icu.so", "HarfBuzz"}, {"libpango-1.0.so", "Pango"},
    {"libpangocairo-1.0.so", "Pango"}, {"libpangoft2-1.0.so", "Pango"}, {"libfontconfig.so", "Fontconfig"},
    {"libbrotlidec.so", "Brotli"}, {"libbrotlicommon.so", "Brotli"}};

// The libraries that read, write and draw the users' images below libvips, libheif, libtiff,
// poppler and librsvg, by the start of their shared objects' names, with their licences.
struct Codec {
    const char* object;
    const char* credit;
    const char* licence;
};
const Codec codecs[] = {{"libx265.so", "x265", "GPL-2.0-or-later"},
                        {"libde265.so", "libde265", "LGPL-3.0-or-later"},
                        {"libaom.so", "aom", "BSD-2-Clause, with the Alliance for Open Media Patent License 1.0"},
                        {"libdav1d.so", "dav1d", "BSD-2-Clause, with the Alliance for Open Media Patent License 1.0"},
                        {"libOpenEXR-", "OpenEXR", "BSD-3-Clause"},
                        {"libImath-", "Imath", "BSD-3-Clause"},
                        {"libpng16.so", "libpng", "libpng-2.0"},
                        {"libexif.so", "libexif", "LGPL-2.1-or-later"},
                        {"libjbig.so", "JBIG-KIT", "GPL-2.0-or-later"},
                        {"libLerc.so", "LERC", "Apache-2.0"},
                        {"libpixman-1.so", "pixman", "MIT"},
                        {"libfreetype.so", "FreeType", "FTL or GPL-2.0-or-later"},
                        {"libharfbuzz.so", "HarfBuzz", "MIT (Old MIT)"},
                        {"libpango-1.0.so", "Pango", "LGPL-2.0-or-later and LGPL-2.1-or-later"},
                        {"libfontconfig.so", "Fontconfig", "MIT-style"}};

QString creditFor(const QString& object) {
    for (const auto& [prefix, credit] : creditOfObject)
        if (object.startsWith(prefix)) return credit;
    return {};
}

} // namespace

TEST(Acknowledgements, CreditEveryLibraryTheShippedProgramsNeedAndWhatLibvipsWritesGIFsWith) {
    const QString programs[] = {QStringLiteral(PICTAVO_EXECUTABLE), QStringLiteral(PICTAVO_SVG_RENDERER)};
    std::map<QString, QString> loaded;
    std::map<QString, QString> needs; // library → the file that needs it
    for (const QString& program : programs) {
        loaded.merge(loadedLibraries(program));
        for (const QString& library : neededLibraries(program)) needs.emplace(library, program);
    }
    ASSERT_FALSE(needs.empty());
    const auto vips = std::find_if(loaded.begin(), loaded.end(),
                                   [](const auto& library) { return library.first.startsWith("libvips.so"); });
    ASSERT_NE(vips, loaded.end()) << "the engine writes through libvips";
    // Every GIF is written by libvips, which quantises with libimagequant and encodes with cgif.
    const QStringList vipsNeeds = neededLibraries(vips->second);
    for (const char* gifWriter : {"libcgif.so", "libimagequant.so"}) {
        const auto found = std::find_if(vipsNeeds.begin(), vipsNeeds.end(),
                                        [&](const QString& library) { return library.startsWith(gifWriter); });
        ASSERT_NE(found, vipsNeeds.end()) << gifWriter;
        needs.emplace(*found, vips->second);
    }
    // The renderer's own libraries, which a test of the application's list alone would miss.
    for (const char* renderers : {"libwebkit2gtk-4.1.so.0", "libgtk-3.so.0", "libjavascriptcoregtk-4.1.so.0"})
        EXPECT_TRUE(needs.contains(renderers)) << renderers;
    for (const auto& [library, neededBy] : needs) {
        if (isRuntime(library)) continue;
        const QString credit = creditFor(library);
        EXPECT_FALSE(credit.isEmpty()) << neededBy.toStdString() << " needs " << library.toStdString()
                                       << ", which no credit covers";
        if (!credit.isEmpty()) {
            EXPECT_NE(named(credit), nullptr) << library.toStdString() << " is not credited";
        }
    }
}

TEST(Acknowledgements, CreditTheCodecsAndFontLibrariesFoundAnywhereInTheProgramsDependencies) {
    // What the dynamic loader loads for each program, libraries of libraries included.
    std::map<QString, QString> closure = loadedLibraries(QStringLiteral(PICTAVO_EXECUTABLE));
    closure.merge(loadedLibraries(QStringLiteral(PICTAVO_SVG_RENDERER)));
    const auto found = [&closure](const char* object) {
        return std::any_of(closure.begin(), closure.end(),
                           [object](const auto& library) { return library.first.startsWith(object); });
    };
    // libheif's encoders and decoders are reached only through it.
    for (const char* codec : {"libx265.so", "libde265.so", "libaom.so", "libdav1d.so"})
        ASSERT_TRUE(found(codec)) << codec;
    for (const Codec& codec : codecs) {
        if (!found(codec.object)) continue;
        SCOPED_TRACE(codec.credit);
        const Acknowledgement* credit = named(codec.credit);
        ASSERT_NE(credit, nullptr) << codec.object << " is loaded but not credited";
        EXPECT_EQ(creditFor(QString::fromLatin1(codec.object)), codec.credit);
        EXPECT_TRUE(credit->version.front().isDigit()) << credit->version.toStdString();
        EXPECT_EQ(credit->licence, codec.licence);
        EXPECT_GT(credit->text.size(), 200);
    }
    // The versions the libraries report, where they report one.
    EXPECT_FALSE(named("aom")->version.startsWith("v"));
    EXPECT_FALSE(named("FreeType")->version.endsWith("(the version built with)"));
    EXPECT_TRUE(named("Imath")->version.endsWith("(the version built with)"));
    // The licence texts the credits promise.
    EXPECT_TRUE(named("x265")->text.contains("GNU GENERAL PUBLIC LICENSE\n                       Version 2, June 1991"));
    EXPECT_TRUE(named("libde265")->text.contains("GNU LESSER GENERAL PUBLIC LICENSE"));
    for (const char* patented : {"aom", "dav1d"})
        EXPECT_TRUE(named(patented)->text.contains("Alliance for Open Media Patent License 1.0")) << patented;
    EXPECT_TRUE(named("LERC")->text.contains("Apache License"));
    EXPECT_TRUE(named("FreeType")->text.contains("The FreeType Project LICENSE"));
    EXPECT_TRUE(named("Fontconfig")->text.contains("KEITH PACKARD DISCLAIMS ALL WARRANTIES"));
}

TEST(Acknowledgements, ListOnlyWhatTheProgramsContainEachWithAVersionARoleAndItsLicenceText) {
    std::map<QString, QString> loaded = loadedLibraries(QStringLiteral(PICTAVO_EXECUTABLE));
    loaded.merge(loadedLibraries(QStringLiteral(PICTAVO_SVG_RENDERER)));
    ASSERT_FALSE(loaded.empty());
    std::set<QString> seen;
    for (const Acknowledgement& entry : Acknowledgements::all()) {
        SCOPED_TRACE(entry.name.toStdString());
        EXPECT_TRUE(seen.insert(entry.name).second);
        EXPECT_FALSE(entry.version.isEmpty());
        EXPECT_TRUE(entry.version.front().isDigit());
        EXPECT_TRUE(entry.role.endsWith(QLatin1Char('.')));
        EXPECT_FALSE(entry.licence.isEmpty());
        EXPECT_GT(entry.text.size(), 200);
        // nlohmann-json is compiled in.
        if (entry.name == "nlohmann-json") continue;
        const bool contained = std::any_of(loaded.begin(), loaded.end(),
                                           [&](const auto& library) { return creditFor(library.first) == entry.name; });
        EXPECT_TRUE(contained) << entry.name.toStdString() << " is credited but not linked";
    }
    // What the executable really is made of: the libraries it decodes and writes with.
    for (const char* expected : {"libjpeg-turbo", "libwebp", "libdeflate", "libvips", "exiv2", "poppler", "librsvg", "Qt"})
        EXPECT_NE(named(expected), nullptr) << expected;
    // Never linked by this program, so never credited.
    for (const char* absent : {"mozjpeg", "Sparkle"}) EXPECT_EQ(named(absent), nullptr);
    // Run-time versions match what the library says of itself now.
    EXPECT_EQ(named("Qt")->version, QString::fromLatin1(qVersion()));
    EXPECT_TRUE(named("libdeflate")->version.endsWith("(the version built with)"));
    EXPECT_TRUE(named("WebKitGTK")->version.endsWith("(the version built with)"));
    EXPECT_EQ(named("GObject")->version, named("GLib")->version);
    EXPECT_TRUE(named("cgif")->version.front().isDigit());
    EXPECT_EQ(named("libimagequant")->licence, "GPL-3.0-or-later");
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
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    dialog.setPalette(dark);
    EXPECT_EQ(colourOf("alpha 1.2"), QColor(250, 250, 250));
    EXPECT_EQ(colourOf("Does a."), secondaryLabelOver(QColor(20, 20, 20), DSTheme::shared().appearance()));
    // A dark page set while the theme still says light still gets a light, legible label.
    EXPECT_GE(contrastRatio(colourOf("Does a."), QColor(20, 20, 20)), 4.5);
    EXPECT_EQ(credits->toPlainText().count("alpha 1.2"), 1);
}

// A screen reader reads what the caret moves over: the keys move a caret through the credits.
TEST(AboutDialog, TheKeysMoveACaretThroughTheCreditsLineByLine) {
    AboutDialog dialog({{"alpha", "1.2", "Does a.", "MIT", "Text A"}});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTextBrowser* credits = dialog.credits();
    ASSERT_EQ(credits->textCursor().position(), 0);
    QTest::keyClick(credits, Qt::Key_Down);
    EXPECT_GT(credits->textCursor().position(), 0);
    QTest::keyClick(credits, Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(credits->textCursor().atEnd());
}

TEST(LicenceDocument, PutsTheLicenceTextsBeforeTheListsOfFilesAndKeepsWhoHoldsTheCopyright) {
    const QString copyright = QStringLiteral(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        "Upstream-Name: thing\n"
        "# a comment the format allows\n"
        "\n"
        "Files: *\n"
        "Copyright: 2001-2004 Ann Author\n"
        "\t   2010 Second Holder\n"
        "License: GPL-3+\n"
        "\n"
        "Files: pam.h\n"
        "Copyright: 1989 Jef Poskanzer\n"
        "License: Old-MIT\n"
        "Comment: kept out of the reading\n"
        "\n"
        "License: Old-MIT\n"
        " Permission to use, copy, modify.\n"
        " .\n"
        "   An indented line stays indented.\n"
        "\n"
        "--\n"
        "\n"
        "                    GNU GENERAL PUBLIC LICENSE\n"
        "The whole text.\n\n");
    // The licence of the whole work has no paragraph of its own: its appended full text leads.
    EXPECT_EQ(readableLicence(copyright),
              "                    GNU GENERAL PUBLIC LICENSE\n"
              "The whole text.\n"
              "\n"
              "Permission to use, copy, modify.\n"
              "\n"
              "  An indented line stays indented.\n"
              "\n"
              "Copyright\n"
              "2001-2004 Ann Author\n"
              "2010 Second Holder\n"
              "1989 Jef Poskanzer\n");
    // A file that is not in the machine-readable form is a document already.
    EXPECT_EQ(readableLicence("This work was packaged for Debian by:\n\nSomeone\n"),
              "This work was packaged for Debian by:\n\nSomeone\n");
    EXPECT_EQ(readableLicence(""), "");

    for (const Acknowledgement& entry : Acknowledgements::all()) {
        SCOPED_TRACE(entry.name.toStdString());
        EXPECT_FALSE(entry.text.startsWith("Format:"));
        EXPECT_FALSE(entry.text.contains(QRegularExpression(QStringLiteral("^(Files|Upstream-Name):"),
                                                            QRegularExpression::MultilineOption)));
        EXPECT_FALSE(entry.text.contains(QRegularExpression(QStringLiteral("^ \\.$"), QRegularExpression::MultilineOption)));
    }
    const QString vips = named("libvips")->text;
    EXPECT_TRUE(vips.startsWith("This package is free software; you can redistribute it and/or modify it"));
    EXPECT_LT(vips.indexOf("GNU LESSER GENERAL PUBLIC LICENSE"), vips.indexOf("\nCopyright\n"));
    EXPECT_GT(vips.indexOf("John Cupitt"), vips.indexOf("\nCopyright\n"));
    EXPECT_TRUE(named("libimagequant")->text.startsWith("This program is free software"));
    EXPECT_TRUE(named("libimagequant")->text.contains("GNU GENERAL PUBLIC LICENSE\n                       Version 3"));
    EXPECT_TRUE(named("cgif")->text.startsWith("Permission is hereby granted, free of charge"));
}

TEST(AboutDialog, EveryCreditReadsAtLeastFourAndAHalfToOneInLightDarkAndIncreasedContrast) {
    const QPalette saved = QApplication::palette();
    {
        ThemeScope theme;
        ApplicationPalette follower;
        AboutDialog dialog({{"alpha", "1.2", "Does a.", "MIT", "Licence text A"}});
        QTextBrowser* credits = dialog.credits();
        for (const DSAppearance appearance : {DSAppearance::light, DSAppearance::dark,
                                              DSAppearance::increasedContrastLight, DSAppearance::increasedContrastDark}) {
            theme.preferences->set(isDark(appearance), isIncreasedContrast(appearance));
            QApplication::processEvents();
            ASSERT_EQ(DSTheme::shared().appearance(), appearance);
            // The page the credits are drawn on, and each text as it is drawn there.
            const QColor page = credits->palette().color(QPalette::Base);
            ASSERT_EQ(page.alpha(), 255);
            const double least = isIncreasedContrast(appearance) ? 7.0 : 4.5;
            for (const char* phrase : {"alpha 1.2", "Does a.", "MIT", "Licence text A", "converts, resizes"}) {
                const QColor text = credits->document()->find(phrase).charFormat().foreground().color();
                EXPECT_EQ(text.alpha(), 255) << phrase;
                EXPECT_GE(contrastRatio(text, page), least)
                    << phrase << " in appearance " << int(appearance) << ": " << text.name().toStdString() << " on "
                    << page.name().toStdString();
            }
            // Secondary still reads as secondary: lighter than the label in light, darker in dark.
            const QColor role = credits->document()->find("Does a.").charFormat().foreground().color();
            const QColor heading = credits->document()->find("alpha 1.2").charFormat().foreground().color();
            EXPECT_LT(contrastRatio(role, page), contrastRatio(heading, page));
        }
    }
    QApplication::setPalette(saved);
    // The ratio itself: black on white is the most there is, a colour on itself the least.
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(118, 118, 118), Qt::white), 4.54, 0.01);
    EXPECT_DOUBLE_EQ(contrastRatio(QColor(30, 30, 30), QColor(30, 30, 30)), 1.0);
}

TEST(AboutDialog, FitsA1024By560ScreenAndScrollsTheCredits) {
    // A title bar of 30 pixels, the parent window at the screen's bottom right.
    const QRect screen(0, 0, 1024, 560);
    const QRect fitted = fittedGeometry({480, 560}, {320, 300}, {0, 30, 0, 0}, {1000, 540}, screen);
    EXPECT_TRUE(screen.contains(fitted.marginsAdded({0, 30, 0, 0}))) << fitted.x() << "," << fitted.y();
    EXPECT_EQ(fitted.size(), QSize(480, 530));
    // A roomy screen keeps the usual size, centred on the parent.
    EXPECT_EQ(fittedGeometry({480, 560}, {320, 300}, {}, {683, 384}, QRect(0, 0, 1366, 768)),
              QRect(444, 105, 480, 560));
    // A screen with less room than the minimum keeps the title bar in reach.
    EXPECT_EQ(fittedGeometry({480, 560}, {320, 300}, {0, 30, 0, 0}, {100, 100}, QRect(0, 20, 300, 200)).topLeft(),
              QPoint(0, 50));

    AboutDialog dialog(Acknowledgements::all());
    dialog.fitInto(QRect(0, 0, 1024, 560));
    dialog.show();
    dialog.fitInto(QRect(0, 0, 1024, 560));
    EXPECT_TRUE(QRect(0, 0, 1024, 560).contains(dialog.frameGeometry())) << dialog.height();
    EXPECT_LE(dialog.minimumSizeHint().height(), 560);
    EXPECT_GT(dialog.credits()->height(), 150);
    EXPECT_GT(dialog.credits()->verticalScrollBar()->maximum(), 0);
}

TEST(LicenceDocument, JoinsTheLinesOfEachParagraphAndKeepsEveryBreakThatIsNotAWrap) {
    const QString wrapped = QStringLiteral(
        "                    GNU GENERAL PUBLIC LICENSE\n"
        "                       Version 2, June 1991\n"
        "\n"
        " Copyright (C) 1989, 1991 Free Software Foundation, Inc.,\n"
        " 51 Franklin Street, Fifth Floor, Boston, MA 02110-1301 USA\n"
        " Everyone is permitted to copy and distribute verbatim copies\n"
        " of this license document, but changing it is not allowed.\n"
        "\n"
        "Preamble\n"
        "========\n"
        "\n"
        "  0. This License applies to any program or other work which contains\n"
        "a notice placed by the copyright holder saying it may be distributed\n"
        "under the terms of this General Public License.  The \"Program\", below,\n"
        "refers to any such program or work.\n"
        "\n"
        "    a) You must cause the modified files to carry prominent notices\n"
        "    stating that you changed the files and the date of any change.\n"
        "\n"
        "    b) The work must carry prominent notices stating that it is\n"
        "    released under this License and any conditions added under section\n"
        "    7.  This requirement modifies the requirement in section 4 to\n"
        "    \"keep intact all notices\".\n"
        "\n"
        "     d) to perform the Original Work publicly; and\n"
        "     e) to display the Original Work publicly.\n"
        "\n"
        "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND,\n"
        "EXPRESS OR IMPLIED.\n"
        "\n"
        "   David Turner      <david.turner@freetype.org>\n"
        "   Robert Wilhelm    <robert.wilhelm@freetype.org>\n"
        "\n"
        "  <signature of Ty Coon>, 1 April 1989\n"
        "  Ty Coon, President of Vice\n"
        "\n"
        "/*\n"
        " * Copyright 1987, 1988, 1989, 1998  The Open Group\n"
        " * Copyright 2009, 2010 Nokia Corporation\n"
        " *\n"
        " * Permission is hereby granted, free of charge, to any person obtaining a\n"
        " * copy of this software and associated documentation files (the \"Software\"),\n"
        " * to deal in the Software without restriction.\n"
        " */\n"
        "\n"
        "                     END OF TERMS AND CONDITIONS\n");
    EXPECT_EQ(unwrapped(wrapped).toStdString(),
              QStringLiteral(
                  "                    GNU GENERAL PUBLIC LICENSE\n"
                  "                       Version 2, June 1991\n"
                  "\n"
                  " Copyright (C) 1989, 1991 Free Software Foundation, Inc.,\n"
                  " 51 Franklin Street, Fifth Floor, Boston, MA 02110-1301 USA\n"
                  " Everyone is permitted to copy and distribute verbatim copies of this license document, but "
                  "changing it is not allowed.\n"
                  "\n"
                  "Preamble\n"
                  "========\n"
                  "\n"
                  "  0. This License applies to any program or other work which contains a notice placed by the "
                  "copyright holder saying it may be distributed under the terms of this General Public License. The "
                  "\"Program\", below, refers to any such program or work.\n"
                  "\n"
                  "    a) You must cause the modified files to carry prominent notices stating that you changed the "
                  "files and the date of any change.\n"
                  "\n"
                  "    b) The work must carry prominent notices stating that it is released under this License and any "
                  "conditions added under section 7. This requirement modifies the requirement in section 4 to \"keep "
                  "intact all notices\".\n"
                  "\n"
                  "     d) to perform the Original Work publicly; and\n"
                  "     e) to display the Original Work publicly.\n"
                  "\n"
                  "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED.\n"
                  "\n"
                  "   David Turner      <david.turner@freetype.org>\n"
                  "   Robert Wilhelm    <robert.wilhelm@freetype.org>\n"
                  "\n"
                  "  <signature of Ty Coon>, 1 April 1989\n"
                  "  Ty Coon, President of Vice\n"
                  "\n"
                  "/*\n"
                  " * Copyright 1987, 1988, 1989, 1998  The Open Group\n"
                  " * Copyright 2009, 2010 Nokia Corporation\n"
                  " *\n"
                  " * Permission is hereby granted, free of charge, to any person obtaining a copy of this software and "
                  "associated documentation files (the \"Software\"), to deal in the Software without restriction.\n"
                  " */\n"
                  "\n"
                  "                     END OF TERMS AND CONDITIONS\n")
                  .toStdString());
    EXPECT_EQ(unwrapped(""), "");
}

TEST(AboutDialog, ShowsNoLicenceSentenceBrokenAcrossLines) {
    AboutDialog dialog(Acknowledgements::all());
    const QStringList lines = dialog.credits()->toPlainText().split(QLatin1Char('\n'));
    // A line ending in a word mid-sentence followed by one going on in lowercase, unless that
    // one opens the next item of a list; the copyright holders are listed one to a line.
    static const QRegularExpression endsMidSentence(QStringLiteral("[a-z][,;]?$"));
    static const QRegularExpression goesOnInLowercase(QStringLiteral("^\\s*[a-z]"));
    static const QRegularExpression item(
        QStringLiteral("^\\s*(?:[-*+o]|\\(?(?:[0-9]{1,3}(?:\\.[0-9]{1,3})*|[A-Za-z]|[ivx]{2,4})[.)])\\s"));
    QStringList broken;
    bool holders = false;
    for (qsizetype at = 0; at + 1 < lines.size(); ++at) {
        if (lines[at] == QLatin1String("Copyright")) holders = true;
        if (lines[at].trimmed().isEmpty()) holders = false;
        if (!holders && endsMidSentence.match(lines[at]).hasMatch() &&
            goesOnInLowercase.match(lines[at + 1]).hasMatch() && !item.match(lines[at + 1]).hasMatch())
            broken.append(lines[at].right(50) + QStringLiteral(" / ") + lines[at + 1].left(50));
    }
    EXPECT_TRUE(broken.isEmpty()) << broken.size() << " sentences broken, as " << broken.value(0).toStdString();
    // Titles, the end of the terms and each item of a list keep lines of their own.
    const QString x265 = named("x265")->text;
    EXPECT_TRUE(x265.contains("\n                     END OF TERMS AND CONDITIONS\n"));
    EXPECT_TRUE(x265.contains(
        "\n  1. You may copy and distribute verbatim copies of the Program's source code as you receive it, in any "
        "medium,"));
    EXPECT_TRUE(named("aom")->text.contains("\n1.1. Patent License. Subject to the terms and conditions of this License, "
                                            "each Licensor, on behalf of itself"));
}
