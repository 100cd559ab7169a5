#include "app/shell/HeroBand.h"

#include "app/shell/FigureLabel.h"
#include "app/shell/ShellPalette.h"
#include "app/shell/StatusPill.h"
#include "app/shell/Symbols.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pictavo {

namespace {

QFont pixelFont(int pixels, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QPushButton* link(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(pixelFont(12));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void colourLink(QPushButton* button, const QColor& colour) {
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0px; color: %1; }")
                              .arg(colour.name(QColor::HexArgb)));
}

void colourLabel(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
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
    QFont countFont = pixelFont(11, QFont::DemiBold);
    countFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    countLabel_->setFont(countFont);
    noticePill_ = new StatusPillWidget(this);
    removeLink_ = link(QString(), this);
    deselectLink_ = link(QStringLiteral("Deselect"), this);
    clearAllLink_ = link(QStringLiteral("Clear all"), this);
    top->addWidget(countLabel_);
    top->addWidget(noticePill_);
    top->addStretch(1);
    top->addWidget(removeLink_);
    top->addWidget(deselectLink_);
    top->addWidget(clearAllLink_);
    column->addLayout(top);
    connect(removeLink_, &QPushButton::clicked, this, &HeroBand::removeSelectedRequested);
    connect(deselectLink_, &QPushButton::clicked, this, &HeroBand::deselectRequested);
    connect(clearAllLink_, &QPushButton::clicked, this, &HeroBand::clearAllRequested);

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
    progressBar_ = new QProgressBar(progress_);
    progressBar_->setRange(0, 1000);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedSize(120, 8);
    progressBar_->setAccessibleName(QStringLiteral("Export progress"));
    progressLabel_ = new QLabel(progress_);
    progressLabel_->setFont(pixelFont(13, QFont::Medium));
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
    doneLabel->setSpacing(6);
    doneIcon_ = new QLabel(done);
    doneText_ = new QLabel(done);
    doneText_->setFont(pixelFont(13, QFont::Medium));
    doneLabel->addWidget(doneIcon_);
    doneLabel->addWidget(doneText_);
    revealLink_ = link(QStringLiteral("Reveal"), done);
    revealLink_->setToolTip(QStringLiteral("Show the finished files in the File Manager"));
    doneRow->addLayout(doneLabel);
    doneRow->addWidget(revealLink_);
    doneRow->addStretch(1);
    figureRow_->addWidget(done);
    connect(revealLink_, &QPushButton::clicked, this, &HeroBand::revealRequested);
    column->addWidget(figureRow_);

    destinationButton_ = new QToolButton(this);
    destinationButton_->setAutoRaise(true);
    destinationButton_->setFont(pixelFont(13, QFont::Medium));
    destinationButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    destinationButton_->setLayoutDirection(Qt::RightToLeft);
    destinationButton_->setAccessibleName(QStringLiteral("Destination"));
    destinationButton_->setToolTip(QStringLiteral("Where the finished files go"));
    destinationButton_->setCursor(Qt::PointingHandCursor);
    destinationButton_->setStyleSheet(
        QStringLiteral("QToolButton { border: none; padding: 0px; } QToolButton::menu-indicator { image: none; }"));
    destinationMenu_ = new QMenu(this);
    destinationMenu_->setMinimumWidth(320);
    destinationButton_->setMenu(destinationMenu_);
    destinationButton_->setPopupMode(QToolButton::InstantPopup);
    // The chevron follows the text, so the button runs right to left; the band stays left-aligned.
    column->addWidget(destinationButton_, 0, Qt::AlignLeft | Qt::AlignAbsolute);
    connect(destinationMenu_, &QMenu::aboutToShow, this, &HeroBand::rebuildDestinationMenu);
    connect(&destinations_, &DestinationStore::choiceChanged, this, &HeroBand::refreshDestination);
    connect(&destinations_, &DestinationStore::chosenFolderChanged, this, &HeroBand::refreshDestination);
    refreshDestination();
    setSummary(summary_, false, std::nullopt);
}

void HeroBand::refreshDestination() {
    const QString status = destinations_.statusText();
    destinationButton_->setText(status);
    destinationButton_->setAccessibleDescription(status);
    destinationButton_->setIcon(
        QIcon(symbolPixmap(QStringLiteral("chevron.down"), 10, shellColour(ShellColour::secondaryText), 1.4)));
    QPalette palette = destinationButton_->palette();
    palette.setColor(QPalette::ButtonText, shellColour(ShellColour::secondaryText));
    destinationButton_->setPalette(palette);
}

void HeroBand::rebuildDestinationMenu() {
    destinationMenu_->clear();
    auto* group = new QActionGroup(destinationMenu_);
    const auto row = [&](DestinationStore::Choice choice) {
        QAction* action = destinationMenu_->addAction(menuTitle(choice) + QStringLiteral("\n") +
                                                      destinations_.subtitle(choice));
        action->setCheckable(true);
        action->setChecked(destinations_.choice() == choice);
        action->setActionGroup(group);
        connect(action, &QAction::triggered, this, [this, choice] { choose(choice); });
    };
    row(DestinationStore::Choice::besideOriginal);
    row(DestinationStore::Choice::chosenFolder);
    row(DestinationStore::Choice::askEachTime);
    destinationMenu_->addSeparator();
    row(DestinationStore::Choice::replaceOriginal);
    if (destinations_.choice() != destinations_.defaultChoice()) {
        destinationMenu_->addSeparator();
        QAction* save = destinationMenu_->addAction(QStringLiteral("Save as default\nNew batches ") +
                                                    destinations_.sentenceTail(destinations_.choice()));
        connect(save, &QAction::triggered, this, [this] { choose(std::nullopt); });
    }
}

void HeroBand::choose(std::optional<DestinationStore::Choice> choice) {
    if (!choice) {
        destinations_.setDefaultChoice(destinations_.choice());
        return;
    }
    // "In a folder…" always asks, also when a folder is chosen already.
    if (*choice == DestinationStore::Choice::chosenFolder) {
        destinations_.chooseFolder();
        return;
    }
    destinations_.setChoice(*choice);
}

void HeroBand::setSummary(const BandSummary& summary, bool canReveal, const std::optional<QString>& notice) {
    summary_ = summary;
    countLabel_->setText(summary.countLabel);
    colourLabel(countLabel_, shellColour(summary.isSelecting ? ShellColour::accent : ShellColour::structural));
    noticePill_->setVisible(notice.has_value());
    if (notice) {
        noticePill_->setPill(StatusPill{*notice, QStringLiteral("exclamationmark.triangle"),
                                        shellColour(ShellColour::orange), StatusPill::Prominence::band()});
    }
    const auto* remove = summary.action ? std::get_if<BandSummary::Remove>(&*summary.action) : nullptr;
    const bool clearAll = summary.action && std::holds_alternative<BandSummary::ClearAll>(*summary.action);
    removeLink_->setVisible(remove != nullptr);
    deselectLink_->setVisible(remove != nullptr);
    clearAllLink_->setVisible(clearAll);
    if (remove) {
        removeLink_->setText(QStringLiteral("Remove ") + QString::number(remove->count));
        removeLink_->setIcon(QIcon(symbolPixmap(QStringLiteral("trash"), 12, shellColour(ShellColour::accent), 1.2)));
        colourLink(removeLink_, shellColour(ShellColour::accent));
    }
    colourLink(deselectLink_, shellColour(ShellColour::secondaryText));
    colourLink(clearAllLink_, shellColour(ShellColour::secondaryText));
    colourLink(revealLink_, shellColour(ShellColour::secondaryText));

    if (const auto* bytes = std::get_if<BandSummary::Bytes>(&summary.figure)) {
        figureRow_->setCurrentIndex(1);
        figure_->setTexts(bytes->source, bytes->output);
        const auto* pill = bytes->trailing ? std::get_if<BandSummary::Pill>(&*bytes->trailing) : nullptr;
        const auto* progress = bytes->trailing ? std::get_if<BandSummary::Progress>(&*bytes->trailing) : nullptr;
        sizePill_->setVisible(pill != nullptr);
        progress_->setVisible(progress != nullptr);
        if (pill) {
            sizePill_->setPill(StatusPill{pill->label, pill->icon,
                                          shellColour(pill->tone == BandSummary::Tone::accent ? ShellColour::accent
                                                                                              : ShellColour::orange),
                                          StatusPill::Prominence::band()});
        }
        if (progress) {
            progressBar_->setValue(static_cast<int>(progress->fraction * 1000));
            progressBar_->setAccessibleDescription(progress->label);
            progressLabel_->setText(progress->label);
            colourLabel(progressLabel_, shellColour(ShellColour::secondaryText));
        }
    } else if (const auto* done = std::get_if<BandSummary::Done>(&summary.figure)) {
        figureRow_->setCurrentIndex(2);
        doneText_->setText(done->text);
        doneIcon_->setPixmap(done->failed ? symbolPixmap(QStringLiteral("exclamationmark.triangle"), 15,
                                                         shellColour(ShellColour::orange), 1.3)
                                          : symbolPixmap(QStringLiteral("checkmark.circle"), 15,
                                                         shellColour(ShellColour::green), 1.3));
        revealLink_->setVisible(canReveal);
    } else {
        figureRow_->setCurrentIndex(0);
    }
    refreshDestination();
}

QStringList HeroBand::texts() const {
    QStringList texts{countLabel_->text()};
    if (noticePill_->isVisibleTo(this)) texts.append(noticePill_->pill().label);
    for (const QPushButton* link : {removeLink_, deselectLink_, clearAllLink_}) {
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
    painter.setPen(QPen(shellColour(ShellColour::separator), 1));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
}

} // namespace pictavo
