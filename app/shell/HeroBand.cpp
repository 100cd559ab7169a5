#include "app/shell/HeroBand.h"

#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSSymbols.h"
#include "app/design/DSTheme.h"
#include "app/shell/ExportProgress.h"
#include "app/shell/FigureLabel.h"
#include "app/shell/LinkButton.h"
#include "app/shell/RunNotice.h"
#include "app/shell/StatusPill.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace pictavo {

namespace {

void colourText(QLabel* label, const DSColour& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour.current());
    label->setPalette(palette);
}

} // namespace

HeroBand::HeroBand(DestinationStore& destinations, QWidget* parent) : QWidget(parent), destinations_(destinations) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(7);
    column->setContentsMargins(24, 18, 24, 20);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    countLabel_ = new QLabel(this);
    QFont countFont = fonts::DSFontCaptionSemibold();
    countFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    countLabel_->setFont(countFont);
    noticePill_ = new StatusPillWidget(this);
    const QFont linkFont = fonts::DSFontSmall();
    removeLink_ = new LinkButton(QString(), palette::DSAccent(), linkFont, this);
    removeLink_->setLeadingSymbol(QStringLiteral("trash"));
    deselectLink_ = new LinkButton(QStringLiteral("Deselect"), palette::secondary(), linkFont, this);
    clearAllLink_ = new LinkButton(QStringLiteral("Clear all"), palette::secondary(), linkFont, this);
    // What a screen reader says after each link's name, as the card's remove button words it.
    removeLink_->setAccessibleDescription(QStringLiteral("Take the selected images out of the batch"));
    deselectLink_->setAccessibleDescription(QStringLiteral("Select none of the images; they stay in the batch"));
    clearAllLink_->setAccessibleDescription(QStringLiteral("Take every image out of the batch"));
    // The row keeps the links' height when they go, so the band never jumps as an export starts.
    countLabel_->setMinimumHeight(clearAllLink_->sizeHint().height());
    top->addWidget(countLabel_);
    top->addWidget(noticePill_);
    top->addStretch(1);
    top->addWidget(removeLink_);
    top->addWidget(deselectLink_);
    top->addWidget(clearAllLink_);
    column->addLayout(top);
    connect(removeLink_, &QAbstractButton::clicked, this, &HeroBand::removeSelectedRequested);
    connect(deselectLink_, &QAbstractButton::clicked, this, &HeroBand::deselectRequested);
    connect(clearAllLink_, &QAbstractButton::clicked, this, &HeroBand::clearAllRequested);

    figureRow_ = new QStackedWidget(this);
    figureRow_->setMinimumHeight(40);
    figureRow_->addWidget(new QWidget(figureRow_));

    auto* bytes = new QWidget(figureRow_);
    auto* bytesRow = new QHBoxLayout(bytes);
    bytesRow->setContentsMargins(0, 0, 0, 0);
    bytesRow->setSpacing(14);
    figure_ = new FigureLabel(bytes);
    sizePill_ = new StatusPillWidget(bytes);
    progress_ = new QWidget(bytes);
    auto* progressRow = new QHBoxLayout(progress_);
    progressRow->setContentsMargins(0, 0, 0, 0);
    progressRow->setSpacing(8);
    progressBar_ = new ExportProgressBar(progress_);
    progressBar_->setFixedSize(120, 8);
    progressBar_->setFocusPolicy(Qt::TabFocus);
    DSFocusRing::follow(progressBar_, DSFocusRing::Shape::capsule());
    progressLabel_ = new ExportProgressCount(progress_);
    progressRow->addWidget(progressBar_);
    progressRow->addWidget(progressLabel_);
    bytesRow->addWidget(figure_, 0, Qt::AlignVCenter);
    bytesRow->addWidget(sizePill_, 0, Qt::AlignVCenter);
    bytesRow->addWidget(progress_, 0, Qt::AlignVCenter);
    bytesRow->addStretch(1);
    figureRow_->addWidget(bytes);

    auto* done = new QWidget(figureRow_);
    auto* doneRow = new QHBoxLayout(done);
    doneRow->setContentsMargins(0, 0, 0, 0);
    doneRow->setSpacing(12);
    auto* doneLabel = new QHBoxLayout;
    // With the summary's own margins, which keep its focus ring off the text, 6 apart.
    doneLabel->setSpacing(3);
    doneIcon_ = new QLabel(done);
    doneText_ = new QLabel(done);
    doneText_->setFont(fonts::DSFontBodyMedium());
    // The summary stays within reach of the keyboard after it has been read out.
    doneText_->setFocusPolicy(Qt::TabFocus);
    doneText_->setContentsMargins(3, 1, 3, 1);
    DSFocusRing::follow(doneText_, DSFocusRing::Shape::rounded(4));
    doneLabel->addWidget(doneIcon_);
    doneLabel->addWidget(doneText_, 0, Qt::AlignVCenter);
    revealLink_ = new LinkButton(QStringLiteral("Reveal"), palette::secondary(), fonts::DSFontBodyMedium(), done);
    revealLink_->setToolTip(QStringLiteral("Show the finished files in the File Manager"));
    doneRow->addLayout(doneLabel);
    doneRow->addWidget(revealLink_);
    doneRow->addStretch(1);
    runNotice_ = new RunNotice(done);
    doneRow->addWidget(runNotice_);
    figureRow_->addWidget(done);
    connect(revealLink_, &QAbstractButton::clicked, this, &HeroBand::revealRequested);
    column->addWidget(figureRow_);

    destinationButton_ = new LinkButton(QString(), palette::secondary(), fonts::DSFontBodyMedium(), this);
    destinationButton_->setTrailingSymbol(QStringLiteral("chevron.down"), 10, QFont::DemiBold);
    destinationButton_->setAccessibleName(QStringLiteral("Destination"));
    destinationButton_->setToolTip(QStringLiteral("Where the finished files go"));
    column->addWidget(destinationButton_, 0, Qt::AlignLeft);
    destinationMenu_ = new DSMenuPresenter<DestinationMenuTag>(destinationButton_, 320);
    destinationMenu_->setOnChoose([this](const DestinationMenuTag& tag) { chooseDestination(destinations_, tag); });
    connect(destinationButton_, &QAbstractButton::clicked, destinationMenu_,
            [this] { destinationMenu_->setPresented(!destinationMenu_->isPresented()); });

    for (auto signal : {&DestinationStore::choiceChanged, &DestinationStore::chosenFolderChanged,
                        &DestinationStore::defaultChoiceChanged}) {
        connect(&destinations_, signal, this, &HeroBand::refreshDestination);
    }
    connect(&DSTheme::shared(), &DSTheme::changed, this, &HeroBand::restyle);
    refreshDestination();
    setSummary(summary_, false, std::nullopt);
}

QAbstractButton* HeroBand::destinationButton() const { return destinationButton_; }

QList<QWidget*> HeroBand::tabStops() const {
    return {removeLink_, deselectLink_, clearAllLink_, progressBar_, doneText_, revealLink_, destinationButton_};
}

QWidget* HeroBand::progressStop() const { return progressBar_; }

QWidget* HeroBand::summaryStop() const { return doneText_; }

void HeroBand::refreshDestination() {
    const QString status = destinations_.statusText();
    destinationButton_->setText(status);
    destinationButton_->updateGeometry();
    destinationButton_->setAccessibleDescription(status);
    // An open menu shows the change at once.
    destinationMenu_->setContent(pictavo::destinationMenu(destinations_));
    destinationMenu_->setSelection(DestinationMenuTag::value(destinations_.choice()));
}

void HeroBand::restyle() {
    colourText(countLabel_, summary_.isSelecting ? palette::DSAccent() : palette::DSStructural());
    colourText(doneText_, palette::primary());
    const auto* done = std::get_if<BandSummary::Done>(&summary_.figure);
    if (done && done->failed) {
        doneIcon_->setPixmap(symbols::pixmap(QStringLiteral("exclamationmark.triangle"), 15,
                                             palette::orange().current(), 1.3, devicePixelRatioF()));
    } else {
        doneIcon_->setPixmap(symbols::pixmap(QStringLiteral("checkmark.circle"), 15, palette::green().current(), 1.3,
                                             devicePixelRatioF()));
    }
    update();
}

void HeroBand::setSummary(const BandSummary& summary, bool canReveal, const std::optional<QString>& notice) {
    summary_ = summary;
    countLabel_->setText(summary.countLabel);
    noticePill_->setVisible(notice.has_value());
    if (notice) {
        noticePill_->setPill(StatusPill{*notice, QStringLiteral("exclamationmark.triangle"), &palette::orange(),
                                        StatusPill::Prominence::band()});
    }
    const auto* remove = summary.action ? std::get_if<BandSummary::Remove>(&*summary.action) : nullptr;
    const bool clearAll = summary.action && std::holds_alternative<BandSummary::ClearAll>(*summary.action);
    removeLink_->setVisible(remove != nullptr);
    deselectLink_->setVisible(remove != nullptr);
    clearAllLink_->setVisible(clearAll);
    if (remove) {
        removeLink_->setText(QStringLiteral("Remove ") + QString::number(remove->count));
        removeLink_->updateGeometry();
    }

    if (const auto* bytes = std::get_if<BandSummary::Bytes>(&summary.figure)) {
        figureRow_->setCurrentIndex(1);
        figure_->setTexts(bytes->source, bytes->output);
        const auto* pill = bytes->trailing ? std::get_if<BandSummary::Pill>(&*bytes->trailing) : nullptr;
        const auto* progress = bytes->trailing ? std::get_if<BandSummary::Progress>(&*bytes->trailing) : nullptr;
        sizePill_->setVisible(pill != nullptr);
        progress_->setVisible(progress != nullptr);
        if (pill) {
            sizePill_->setPill(StatusPill{pill->label, pill->icon,
                                          pill->tone == BandSummary::Tone::accent ? &palette::DSAccent()
                                                                                  : &palette::orange(),
                                          StatusPill::Prominence::band()});
        }
        if (progress) {
            progressBar_->setProgress(progress->fraction, progress->label);
            progressLabel_->setText(progress->label);
        }
    } else if (const auto* done = std::get_if<BandSummary::Done>(&summary.figure)) {
        // Told once, as the band turns to it: the summary is set again on every refresh.
        if (figureRow_->currentIndex() != 2) runNotice_->announce(done->text);
        figureRow_->setCurrentIndex(2);
        doneText_->setText(done->text);
        revealLink_->setVisible(canReveal);
    } else {
        figureRow_->setCurrentIndex(0);
    }
    restyle();
}

QStringList HeroBand::texts() const {
    QStringList texts{countLabel_->text()};
    if (noticePill_->isVisibleTo(this)) texts.append(noticePill_->pill().label);
    for (const LinkButton* link : {removeLink_, deselectLink_, clearAllLink_}) {
        if (link->isVisibleTo(this)) texts.append(link->text());
    }
    switch (figureRow_->currentIndex()) {
    case 1:
        texts.append(figure_->text());
        if (sizePill_->isVisibleTo(this)) texts.append(sizePill_->pill().label);
        if (progress_->isVisibleTo(this)) texts.append(progressLabel_->text());
        break;
    case 2:
        texts.append(doneText_->text());
        if (revealLink_->isVisibleTo(this)) texts.append(revealLink_->text());
        break;
    default:
        break;
    }
    texts.append(destinationButton_->text());
    return texts;
}

void HeroBand::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette::DSSeparator().current(), 1));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
}

} // namespace pictavo
