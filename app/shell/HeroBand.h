#pragma once
#include "app/design/DSMenuPresenter.h"
#include "app/export/DestinationStore.h"
#include "app/shell/BandSummary.h"
#include "app/shell/DestinationMenu.h"

#include <QWidget>

#include <optional>

class QLabel;
class QStackedWidget;

namespace pictavo {

class ExportProgressBar;
class ExportProgressCount;
class FigureLabel;
class LinkButton;
class RunNotice;
class StatusPillWidget;

// The strip above the cards: how many there are or are selected, what the batch weighs now
// and after conversion (or how far an export has got, or how it went), and where the files
// go. It draws a BandSummary and forwards its links; it works nothing out itself.
class HeroBand : public QWidget {
    Q_OBJECT

public:
    explicit HeroBand(DestinationStore& destinations, QWidget* parent = nullptr);

    void setSummary(const BandSummary& summary, bool canReveal, const std::optional<QString>& notice);
    const BandSummary& summary() const { return summary_; }
    // The visible texts, in reading order, for tests and screen readers.
    QStringList texts() const;
    QAbstractButton* destinationButton() const;
    // The band's Tab stops in reading order, those hidden now included.
    QList<QWidget*> tabStops() const;
    // The export's progress, a Tab stop while a run goes on.
    QWidget* progressStop() const;
    // How the last run went, a Tab stop once it has ended.
    QWidget* summaryStop() const;
    DSMenuPresenter<DestinationMenuTag>& destinationMenu() const { return *destinationMenu_; }

Q_SIGNALS:
    void removeSelectedRequested();
    void deselectRequested();
    void clearAllRequested();
    void revealRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshDestination();
    void restyle();

    DestinationStore& destinations_;
    BandSummary summary_;
    QLabel* countLabel_ = nullptr;
    StatusPillWidget* noticePill_ = nullptr;
    LinkButton* removeLink_ = nullptr;
    LinkButton* deselectLink_ = nullptr;
    LinkButton* clearAllLink_ = nullptr;
    QStackedWidget* figureRow_ = nullptr;
    FigureLabel* figure_ = nullptr;
    StatusPillWidget* sizePill_ = nullptr;
    QWidget* progress_ = nullptr;
    ExportProgressBar* progressBar_ = nullptr;
    ExportProgressCount* progressLabel_ = nullptr;
    QLabel* doneIcon_ = nullptr;
    QLabel* doneText_ = nullptr;
    RunNotice* runNotice_ = nullptr;
    LinkButton* revealLink_ = nullptr;
    LinkButton* destinationButton_ = nullptr;
    DSMenuPresenter<DestinationMenuTag>* destinationMenu_ = nullptr;
};

} // namespace pictavo
