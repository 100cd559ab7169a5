#include "ShellTesting.h"

#include "app/desktop/AlertBox.h"
#include "app/shell/DesktopShellServices.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

// The question about quitting is about a run; once the run has ended it has no subject.
class QuitDuringExport : public testing::Test, protected WindowScene {
protected:
    void startExport(int photoCount) {
        for (int i = 0; i < photoCount; ++i) writePhoto(photos() / ("photo " + std::to_string(i) + ".png"), 640, 480, i);
        bool imported = false;
        QObject::connect(window.get(), &MainWindow::importFinished, [&] { imported = true; });
        std::vector<fs::path> paths;
        for (int i = 0; i < photoCount; ++i) paths.push_back(photos() / ("photo " + std::to_string(i) + ".png"));
        window->importFiles(urlsOf(paths));
        ASSERT_TRUE(eventually([&] { return imported; }));
        folderAsker.answers = {output()};
        ASSERT_TRUE(destinations.chooseFolder());
        window->exportAction()->trigger();
        ASSERT_TRUE(window->store().isExporting());
    }
    static QMessageBox* shownQuestion() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible() && box->text() == "Stop exporting and quit?") return box;
        }
        return nullptr;
    }
};

TEST_F(QuitDuringExport, AnAnswerThatComesAfterTheRunEndedHoldsNothingBack) {
    startExport(2);
    services.quitAnswer = false;
    services.whileAskingToQuit = [&] { EXPECT_TRUE(exportEnds()); };
    EXPECT_TRUE(window->close()) << "Keep Exporting, with no run left to keep, does not keep the window";
    EXPECT_EQ(services.quitQuestions, 1);
    EXPECT_TRUE(fs::exists(output() / "photo 1.png"));
}

TEST_F(QuitDuringExport, TheQuestionOnScreenClosesWhenTheRunEndsAndTheQuitGoesAhead) {
    startExport(6);
    bool seen = false, leftOnScreen = false;
    QTimer look, giveUp;
    look.setSingleShot(true);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* box = qobject_cast<AlertBox*>(shownQuestion());
        seen = box != nullptr;
        if (box) {
            EXPECT_GE(box->width(), box->titleBarWidth()) << "the whole title shows";
        }
    });
    look.start(0);
    // Should the question stay, it is taken down, so that the test fails instead of hanging.
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [&] {
        if (QMessageBox* box = shownQuestion()) {
            leftOnScreen = true;
            box->reject();
        }
    });
    giveUp.start(60'000);
    DesktopShellServices desktop;
    EXPECT_TRUE(desktop.confirmQuitDuringExport(window.get(), window->store()));
    EXPECT_FALSE(leftOnScreen);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(window->store().isExporting());
    EXPECT_EQ(shownQuestion(), nullptr);
    EXPECT_TRUE(fs::exists(output() / "photo 5.png"));
    // With no run there is nothing to ask.
    EXPECT_TRUE(desktop.confirmQuitDuringExport(window.get(), window->store()));
}

} // namespace
