#include "app/desktop/FolderRequestDialog.h"
#include "support/TemporaryFolder.h"

#include <QFileDialog>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;

class FolderRequestPanels : public testing::Test {
protected:
    using Answers = std::vector<std::pair<QUuid, std::optional<fs::path>>>;

    FolderRequest request(PanelPurpose purpose, std::optional<fs::path> start = std::nullopt) {
        return FolderRequest{QUuid::createUuid(), purpose, std::move(start)};
    }
    FolderRequestDialog::Answer recorder() {
        return [this](const QUuid& id, std::optional<fs::path> folder) { answers_.emplace_back(id, folder); };
    }
    // The panels open now; a closed one may linger until its deletion comes round.
    std::vector<QFileDialog*> openPanels() const {
        std::vector<QFileDialog*> open;
        for (QFileDialog* panel : window_.findChildren<QFileDialog*>()) {
            if (panel->isVisible()) open.push_back(panel);
        }
        return open;
    }
    QFileDialog* panel() const { return openPanels().empty() ? nullptr : openPanels().front(); }

    testing_support::TemporaryFolder folder_;
    QWidget window_;
    FolderRequestDialog dialog_{&window_};
    Answers answers_;
};

TEST_F(FolderRequestPanels, OpenWithoutWaitingAndAnswerWhenClosed) {
    const FolderRequest permission = request(PanelPurpose::replacePermission, folder_.path());
    dialog_.show(permission, recorder());
    ASSERT_TRUE(panel());
    EXPECT_EQ(panel()->windowTitle(), panelMessage(PanelPurpose::replacePermission));
    EXPECT_EQ(panel()->labelText(QFileDialog::Accept), "Allow");
    EXPECT_TRUE(answers_.empty());

    // As the accepting button does, for the folder the panel shows.
    static_cast<QDialog*>(panel())->accept();
    EXPECT_EQ(answers_, (Answers{{permission.id, folder_.path()}}));

    const FolderRequest fallback = request(PanelPurpose::fallbackFolder);
    dialog_.show(fallback, recorder());
    // Asked again for the request it shows, it shows the one panel.
    dialog_.show(fallback, recorder());
    ASSERT_EQ(openPanels().size(), 1u);
    panel()->reject();
    EXPECT_EQ(answers_, (Answers{{permission.id, folder_.path()}, {fallback.id, std::nullopt}}));
}

TEST_F(FolderRequestPanels, AWithdrawnOrReplacedRequestGetsNoAnswer) {
    dialog_.show(request(PanelPurpose::fallbackFolder), recorder());
    dialog_.withdraw();
    EXPECT_EQ(panel(), nullptr);

    dialog_.show(request(PanelPurpose::fallbackFolder), recorder());
    const FolderRequest later = request(PanelPurpose::replacePermission, folder_.path());
    dialog_.show(later, recorder());
    ASSERT_EQ(openPanels().size(), 1u);
    panel()->reject();
    EXPECT_EQ(answers_, (Answers{{later.id, std::nullopt}}));
}

} // namespace
