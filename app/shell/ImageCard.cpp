#include "app/shell/ImageCard.h"

#include "app/design/DSAnnouncer.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSPickerAccessible.h"
#include "app/design/DSSymbols.h"
#include "app/design/DSTheme.h"
#include "app/shell/CardBadge.h"
#include "app/shell/CardChrome.h"
#include "app/shell/CardFrame.h"
#include "app/shell/FittedLines.h"
#include "app/shell/ImageCardAccessible.h"
#include "app/shell/StatusPill.h"
#include "platform/base/Overloaded.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDrag>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

constexpr int padding = 12;
constexpr int rowSpacing = 8;
constexpr int maximumReasonLines = 3;
constexpr double maximumHelpWidth = 480;

QFont systemFont(int pixels, QFont::Weight weight = QFont::Normal) { return fonts::systemFont(pixels, weight); }

QColor chromeColour(CardChrome::Colour colour) {
    switch (colour) {
    case CardChrome::Colour::clear: return Qt::transparent;
    case CardChrome::Colour::accent: return palette::DSAccent().current();
    case CardChrome::Colour::keyboardRing: return palette::DSKeyboardRing().current();
    case CardChrome::Colour::accentTint: return palette::DSAccentTint().current();
    case CardChrome::Colour::accentTintStrong: return palette::DSAccentTintStrong().current();
    }
    return Qt::transparent;
}

// The badge of the card as it stands, with its help text.
std::optional<StatusPill> badgeOf(const BatchItem& item, bool onTint) {
    std::optional<SizeChange> change;
    if (const auto* estimated = std::get_if<BatchItem::Estimated>(&item.state)) {
        change = SizeChange::between(item.stamp.byteCount, estimated->bytes);
    }
    const bool answered = std::holds_alternative<BatchItem::Estimated>(item.state) || item.isExported();
    const std::vector<ConversionWarning> none;
    const std::optional<CardBadge> badge = cardBadge(change, answered ? item.warningsAboutTheAnswer : none);
    if (!badge) return std::nullopt;
    StatusPill pill;
    pill.prominence = StatusPill::Prominence::card(onTint);
    switch (badge->kind) {
    case CardBadge::Kind::saved:
        pill.label = badge->text;
        pill.colour = &palette::DSAccent();
        break;
    case CardBadge::Kind::grew:
        pill.label = badge->text;
        pill.icon = QStringLiteral("arrow.up");
        pill.colour = &palette::orange();
        break;
    case CardBadge::Kind::warning:
        pill.label = badge->text;
        pill.icon = QStringLiteral("exclamationmark.triangle");
        pill.colour = &palette::orange();
        break;
    case CardBadge::Kind::plain:
        pill.label = QStringLiteral("no change");
        break;
    }
    return pill;
}

QString badgeHelp(const BatchItem& item) {
    const bool answered = std::holds_alternative<BatchItem::Estimated>(item.state) || item.isExported();
    if (!answered) return {};
    QStringList sentences;
    for (const ConversionWarning& warning : item.warningsAboutTheAnswer) {
        sentences.append(QString::fromStdString(warning.message()));
    }
    return sentences.join(QLatin1Char('\n'));
}

bool isBusy(const BatchItem& item) {
    return std::holds_alternative<BatchItem::Estimating>(item.state) ||
           std::holds_alternative<BatchItem::Exporting>(item.state);
}

void paintSpinner(QPainter& painter, const QRectF& box, const QColor& colour) {
    const double turn = static_cast<double>(QDateTime::currentMSecsSinceEpoch() % 1000) / 1000.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 1.6, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.drawArc(box.adjusted(1, 1, -1, -1), static_cast<int>(-turn * 360 * 16), 270 * 16);
    painter.restore();
}

// The card's page picker: reached with Tab after its card and opened with Space or Alt+Down,
// as a combo box is. The design system's ring shows its focus, so the style draws none of its own.
class PagePicker : public QComboBox {
public:
    explicit PagePicker(QWidget* parent) : QComboBox(parent) {
        setFocusPolicy(Qt::TabFocus);
        DSFocusRing::follow(this, DSFocusRing::Shape::rounded(3));
        showListOnlyWhileOpen(this);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.state &= ~QStyle::State_HasFocus;
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

} // namespace

ImageCard::ImageCard(const BatchItem& item, QWidget* parent) : QWidget(parent), item_(item) {
    installImageCardAccessibility();
    setAttribute(Qt::WA_Hover);
    // Tab reaches the grid's focused card only: the window's Tab order picks it.
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refreshChildren();
}

void ImageCard::setItem(const BatchItem& item) {
    const bool countChanged = item.pageCount != item_.pageCount;
    item_ = item;
    measuredHeight_.reset();
    if (countChanged && pagePicker_) {
        // The change may come from the picker's own key or click, still under way.
        pagePicker_->hide();
        pagePicker_->deleteLater();
        pagePicker_ = nullptr;
    } else if (pagePicker_ && pagePicker_->currentIndex() != static_cast<int>(item_.page - 1)) {
        pagePicker_->setCurrentIndex(static_cast<int>(item_.page - 1));
    }
    refreshChildren();
    updateGeometry();
    update();
}

void ImageCard::setSelected(bool selected) {
    if (selected == isSelected_) return;
    isSelected_ = selected;
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
}

void ImageCard::setFocusedCard(bool focused) {
    if (focused == isFocused_) return;
    isFocused_ = focused;
    refreshChildren();
    update();
}

bool ImageCard::showsFocus() const {
    if (!isFocused_) return false;
    const QWidget* focus = window()->focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void ImageCard::setLocked(bool locked) {
    if (locked == isLocked_) return;
    isLocked_ = locked;
    refreshChildren();
    update();
}

bool ImageCard::isRemoveButtonShown() const { return removeButton_ && removeButton_->isVisible(); }

void ImageCard::makeRemoveButton() {
    removeButton_ = new QToolButton(this);
    removeButton_->setToolTip(QStringLiteral("Take this image out of the batch"));
    removeButton_->setFixedSize(24, 24);
    removeButton_->setCursor(Qt::ArrowCursor);
    removeButton_->setFocusPolicy(Qt::NoFocus);
    removeButton_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    connect(removeButton_, &QToolButton::clicked, this, &ImageCard::removeRequested);
    // The cross is drawn over the button by a child that takes no events.
    class Cross : public QWidget {
    public:
        using QWidget::QWidget;
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            QColor backing = palette::black().current();
            backing.setAlphaF(0.55f);
            painter.setBrush(backing);
            painter.drawEllipse(rect());
            symbols::paint(painter, QStringLiteral("xmark"), QRectF(rect()).adjusted(7, 7, -7, -7),
                           palette::white().current(), 1.6);
        }
    };
    auto* cross = new Cross(removeButton_);
    cross->setAttribute(Qt::WA_TransparentForMouseEvents);
    cross->setGeometry(0, 0, 24, 24);
}

void ImageCard::refreshChildren() {
    // Set only when changed: Qt tells screen readers of every name and description set, and a
    // batch of hundreds of cards, each set again at every change of the batch, kept a screen
    // reader busy for many seconds behind the keys.
    if (accessibleName() != item_.displayName) setAccessibleName(item_.displayName);
    if (tellDescription()) {
        // Qt 6.4 tells of the change without its text, which a screen reader cannot read out.
        // Said with the card's name: a screen reader that has not yet come to the card's own
        // focus reads only the latest of the two.
        DSAnnouncer::accessible().say(this, spokenText());
    }
    const bool showsRemove = (isHovering_ || showsFocus()) && !isLocked_;
    // Made on first need: a batch of a thousand cards needs few of them.
    if (showsRemove && !removeButton_) makeRemoveButton();
    if (removeButton_) {
        const QString removeName = QStringLiteral("Remove ") + item_.displayName + QStringLiteral(" from the batch");
        if (removeButton_->accessibleName() != removeName) removeButton_->setAccessibleName(removeName);
        removeButton_->setVisible(showsRemove);
        removeButton_->move(width() - 8 - removeButton_->width(), 8);
        removeButton_->raise();
    }
    if (item_.pageCount >= 2 && !pagePicker_) {
        measuredHeight_.reset();
        pagePicker_ = new PagePicker(this);
        pagePicker_->setAccessibleName(QStringLiteral("Page"));
        pagePicker_->setAccessibleDescription(QStringLiteral("Choose which page of ") + item_.displayName +
                                              QStringLiteral(" to convert"));
        pagePicker_->setFont(systemFont(12));
        pagePicker_->installEventFilter(this);
        for (std::int64_t page = 1; page <= item_.pageCount; ++page) {
            pagePicker_->addItem(QStringLiteral("Page %1 of %2").arg(page).arg(item_.pageCount), QVariant::fromValue(page));
        }
        pagePicker_->setCurrentIndex(static_cast<int>(item_.page - 1));
        connect(pagePicker_, &QComboBox::activated, this,
                [this](int index) { Q_EMIT pageChosen(static_cast<std::int64_t>(index) + 1); });
        pagePicker_->show();
    }
    if (pagePicker_) pagePicker_->setEnabled(!isLocked_);
    if (pagePicker_) {
        const QRectF box = thumbnailBox();
        const int nameHeight = static_cast<int>(std::ceil(QFontMetricsF(systemFont(13, QFont::DemiBold)).height()));
        pagePicker_->setGeometry(padding, static_cast<int>(box.bottom()) + padding + nameHeight + rowSpacing,
                                 std::min(width() - 2 * padding, pagePicker_->sizeHint().width()),
                                 pagePicker_->sizeHint().height());
    }
}

void ImageCard::loadThumbnail(ThumbnailLoader& loader, const Adjustments& adjustments) {
    const ThumbnailLoader::Request request = ThumbnailLoader::requestFor(item_, adjustments, thumbnailSide);
    const QString key = ThumbnailLoader::keyText(request);
    if (key == requestedKey_) return;
    requestedKey_ = key;
    loader.thumbnail(request, this, [this, key](const QImage& image) {
        if (key != requestedKey_) return;
        thumbnail_ = image;
        update();
    });
}

void ImageCard::releaseThumbnail() {
    thumbnail_ = QImage();
    picture_ = QPixmap();
    requestedKey_.clear();
}

QRectF ImageCard::thumbnailBox() const { return QRectF(0, 0, width(), width() * 170.0 / 256.0); }

int ImageCard::statusHeight(int width) const {
    if (const auto* failed = std::get_if<BatchItem::Failed>(&item_.state)) {
        const QFont font = systemFont(12);
        const auto lines = reasonLines(failed->reason, font, std::max(1, width - 2 * padding - 18), maximumReasonLines);
        return static_cast<int>(std::ceil(QFontMetricsF(font).lineSpacing() * lines.size()));
    }
    const double text = QFontMetricsF(systemFont(12)).height();
    const double pill = StatusPill{QStringLiteral("x"), std::nullopt, nullptr, StatusPill::Prominence::card(false)}
                            .size()
                            .height();
    return static_cast<int>(std::ceil(std::max(text, pill)));
}

int ImageCard::lowerAreaHeight(int width) const {
    int height = padding + static_cast<int>(std::ceil(QFontMetricsF(systemFont(13, QFont::DemiBold)).height()));
    if (item_.pageCount >= 2) {
        const int picker = pagePicker_ ? pagePicker_->sizeHint().height() : 24;
        height += rowSpacing + picker;
    }
    height += rowSpacing + statusHeight(width) + padding;
    return height;
}

int ImageCard::heightForWidth(int width) const {
    if (!measuredHeight_ || measuredHeight_->first != width) {
        measuredHeight_ = {width, static_cast<int>(std::ceil(width * 170.0 / 256.0)) + lowerAreaHeight(width)};
    }
    return measuredHeight_->second;
}

QSize ImageCard::sizeHint() const { return {256, heightForWidth(256)}; }

QString ImageCard::statusText() const {
    const QString size = byteCountText(item_.stamp.byteCount);
    return std::visit(platform::Overloaded{
                          [&](const BatchItem::Estimated& estimated) {
                              return size + QStringLiteral(" \u2192 ") + byteCountText(estimated.bytes);
                          },
                          [](const BatchItem::Exported&) { return QStringLiteral("Saved"); },
                          [](const BatchItem::Failed& failed) { return failed.reason; },
                          [&](const BatchItem::Pending&) { return size; },
                          [&](const BatchItem::Estimating&) { return size; },
                          [](const BatchItem::Exporting&) { return QStringLiteral("Saving\u2026"); },
                      },
                      item_.state);
}

void ImageCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF whole = QRectF(rect());
    const CardChrome chrome = CardChrome::of(isSelected_, showsFocus());
    const QRectF box = thumbnailBox();
    // The lower area is tinted by the selection and focus.
    const CardFrame frame = CardFrame::of(CardFrame::Look{
        size(), devicePixelRatioF(), box.bottom(), palette::DSSurface().current(), palette::DSCheckerboard().current(),
        palette::DSCheckerboardAlt().current(), chromeColour(chrome.tint), palette::DSSeparator().current(),
        chromeColour(chrome.outerRing), chromeColour(chrome.innerRing)});
    painter.drawPixmap(QPointF(0, 0), frame.body);
    // Until the preview comes, the frame's checkerboard stands for it.
    if (!thumbnail_.isNull()) painter.drawPixmap(box.topLeft(), picture(box.size().toSize()));

    painter.setPen(palette::primary().current());
    const QFont nameFont = systemFont(13, QFont::DemiBold);
    painter.setFont(nameFont);
    const QFontMetricsF nameMetrics(nameFont);
    const QRectF nameRow(padding, box.bottom() + padding, whole.width() - 2 * padding, nameMetrics.height());
    painter.drawText(nameRow, Qt::AlignLeft | Qt::AlignVCenter,
                     nameMetrics.elidedText(item_.displayName, Qt::ElideMiddle, nameRow.width()));
    double statusTop = nameRow.bottom() + rowSpacing;
    if (item_.pageCount >= 2) statusTop += (pagePicker_ ? pagePicker_->height() : 24) + rowSpacing;
    paintStatus(painter, QRectF(padding, statusTop, whole.width() - 2 * padding, statusHeight(width())));

    painter.drawPixmap(QPointF(0, 0), frame.edge);
}

QPixmap ImageCard::picture(const QSize& size) {
    const double ratio = devicePixelRatioF();
    const QColor light = palette::DSCheckerboard().current();
    const QColor dark = palette::DSCheckerboardAlt().current();
    const std::tuple key{size, ratio, thumbnail_.cacheKey(), light.rgba(), dark.rgba()};
    if (key == pictureKey_ && !picture_.isNull()) return picture_;
    pictureKey_ = key;
    picture_ = QPixmap::fromImage(CardFrame::picture(thumbnail_, size, ratio, light, dark));
    return picture_;
}

void ImageCard::updateBusyIndicator() {
    if (!spinnerBox_.isEmpty()) update(spinnerBox_.toAlignedRect().adjusted(-1, -1, 1, 1));
}

void ImageCard::paintStatus(QPainter& painter, const QRectF& row) {
    const QFont font = systemFont(12);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    const QColor secondary = palette::secondary().current();
    badgeBox_ = QRectF();
    statusBox_ = row;
    if (const auto* failed = std::get_if<BatchItem::Failed>(&item_.state)) {
        const double icon = metrics.height() * 0.85;
        symbols::paint(painter, QStringLiteral("exclamationmark.triangle"),
                    QRectF(row.left(), row.top() + (metrics.height() - icon) / 2, icon, icon),
                    palette::red().current(), 1.2);
        painter.setPen(palette::primary().current());
        const QStringList lines = reasonLines(failed->reason, font, row.width() - 18, maximumReasonLines);
        for (int i = 0; i < lines.size(); ++i) {
            painter.drawText(QRectF(row.left() + 18, row.top() + i * metrics.lineSpacing(), row.width() - 18,
                                    metrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
        }
        return;
    }
    const CardChrome chrome = CardChrome::of(isSelected_, showsFocus());
    const std::optional<StatusPill> badge = badgeOf(item_, chrome.isTinted);
    double textRight = row.right();
    if (badge) {
        const QSizeF size = badge->size();
        badgeBox_ = QRectF(QPointF(row.right() - size.width(), row.center().y() - size.height() / 2), size);
        badge->paint(painter, badgeBox_.topLeft());
        textRight -= size.width() + 4;
    }
    double x = row.left();
    const QRectF line(x, row.center().y() - metrics.height() / 2, textRight - x, metrics.height());
    spinnerBox_ = QRectF();
    if (isBusy(item_)) {
        const double side = metrics.height() * 0.8;
        spinnerBox_ = QRectF(x, row.center().y() - side / 2, side, side);
        paintSpinner(painter, spinnerBox_, secondary);
        x += side + 4;
    }
    if (item_.isExported()) {
        const double side = metrics.height() * 0.85;
        symbols::paint(painter, QStringLiteral("checkmark.circle"), QRectF(x, row.center().y() - side / 2, side, side),
                    palette::green().current(), 1.2);
        x += side + 4;
        painter.setPen(palette::primary().current());
    } else {
        painter.setPen(secondary);
    }
    QString text = statusText();
    QFont shrunk = font;
    const double room = textRight - x;
    if (std::holds_alternative<BatchItem::Estimated>(item_.state) && metrics.horizontalAdvance(text) > room) {
        // Shrinks to 0.8 of its size before it is cut.
        shrunk.setPixelSize(std::max(1, static_cast<int>(std::floor(12 * 0.8))));
        painter.setFont(shrunk);
    }
    painter.drawText(QRectF(x, line.top(), room, line.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(painter.font()).elidedText(text, Qt::ElideRight, room));
}

void ImageCard::resizeEvent(QResizeEvent*) { refreshChildren(); }

void ImageCard::enterEvent(QEnterEvent*) {
    isHovering_ = true;
    refreshChildren();
}

void ImageCard::leaveEvent(QEvent*) {
    isHovering_ = false;
    refreshChildren();
}

void ImageCard::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressPosition_ = event->position().toPoint();
        dragged_ = false;
    }
    QWidget::mousePressEvent(event);
}

void ImageCard::mouseMoveEvent(QMouseEvent* event) {
    if (!pressPosition_ || dragged_ || !(event->buttons() & Qt::LeftButton)) return;
    if ((event->position().toPoint() - *pressPosition_).manhattanLength() < QApplication::startDragDistance()) return;
    dragged_ = true;
    QMimeData* data = dragData_ ? dragData_() : nullptr;
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    if (!thumbnail_.isNull()) {
        drag->setPixmap(QPixmap::fromImage(thumbnail_.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    drag->exec(Qt::CopyAction);
}

void ImageCard::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a press and release without a drag, so starting a drag leaves the selection.
    if (event->button() == Qt::LeftButton && pressPosition_ && !dragged_) Q_EMIT clicked(event->modifiers());
    pressPosition_.reset();
    dragged_ = false;
}

bool ImageCard::event(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange ||
        event->type() == QEvent::StyleChange) {
        measuredHeight_.reset();
    }
    if (event->type() == QEvent::ToolTip) {
        const QPointF at = static_cast<QHelpEvent*>(event)->pos();
        QString help;
        if (const auto* failed = std::get_if<BatchItem::Failed>(&item_.state); failed && statusBox_.contains(at)) {
            help = failed->reason;
        } else if (badgeBox_.contains(at)) {
            help = badgeHelp(item_);
        }
        if (help.isEmpty()) {
            QToolTip::hideText();
        } else {
            // Qt wraps a help text only once it is wider than the screen, and never inside a
            // word: it is broken here into lines of at most half the screen, a long file name
            // inside itself.
            const double width = std::min(maximumHelpWidth, screen()->availableGeometry().width() / 2.0);
            const QStringList lines = wrappedLines(help, QToolTip::font(), width);
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), lines.join(QLatin1Char('\n')), this);
        }
        return true;
    }
    return QWidget::event(event);
}

void ImageCard::contextMenuEvent(QContextMenuEvent* event) {
    Q_EMIT contextMenuRequested(event->globalPos(), event->reason() == QContextMenuEvent::Keyboard);
}

bool ImageCard::tellDescription() {
    // Only the card with the keyboard tells of a new description; the others tell theirs as they
    // take it, before their focus is read. Hundreds of cards telling each step of an export
    // flooded the screen reader, which then dropped the news of how the run ended.
    if (!hasFocus()) return false;
    const QString description = item_.accessibilityDescription();
    if (accessibleDescription() == description) return false;
    setAccessibleDescription(description);
    return true;
}

QString ImageCard::spokenDescription() const {
    const QString description = item_.accessibilityDescription();
    return isSelected_ ? QStringLiteral("selected, ") + description : description;
}

QString ImageCard::spokenText() const { return item_.displayName + QStringLiteral(", ") + spokenDescription(); }

void ImageCard::focusInEvent(QFocusEvent* event) {
    // Read out with the focus that follows.
    tellDescription();
    QWidget::focusInEvent(event);
    Q_EMIT focusTaken();
    refreshChildren();
    update();
}

void ImageCard::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    refreshChildren();
    update();
}

bool ImageCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pagePicker_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        refreshChildren();
        update();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pictavo
