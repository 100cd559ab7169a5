#include "app/design/DSMenuPanel.h"

#include "platform/base/MainThread.h"
#include "app/design/DSFonts.h"
#include "app/design/DSMenuRowAccessible.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace pictavo {

using namespace palette;

namespace {

constexpr int cardPadding = 6;
constexpr int itemSpacing = 1;
constexpr int rowVerticalPadding = 7;
constexpr int rowHorizontalPadding = 10;
constexpr double rowRadius = 6;
constexpr int contentSpacing = 8;
constexpr int checkColumnWidth = 13;
constexpr int titleSubtitleSpacing = 2;
constexpr int trailingGap = 8;

QColor now(const DSColour& colour) { return colour.resolve(DSTheme::shared().appearance()); }

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A line across the card between two groups.
class Separator : public QWidget {
public:
    explicit Separator(QWidget* parent) : QWidget(parent) {
        setFixedHeight(1 + 2 * 5);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(10, 5, width() - 20, 1), now(DSSeparator()));
    }
};

class Heading : public QLabel {
public:
    Heading(const QString& text, QWidget* parent) : QLabel(text.toUpper(), parent) {
        QFont font = fonts::DSFontCaptionSemibold();
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        setFont(font);
        setContentsMargins(10, 6, 10, 3);
        restyle();
        connect(&DSTheme::shared(), &DSTheme::changed, this, [this] { restyle(); });
    }

private:
    void restyle() {
        QPalette colours = palette();
        colours.setColor(QPalette::WindowText, now(DSStructural()));
        setPalette(colours);
    }
};

void drawCheckmark(QPainter& painter, const QRectF& box, const QColor& colour) {
    // A check mark at the size of an 11-pixel semibold glyph.
    QPainterPath mark;
    mark.moveTo(box.left() + 0.08 * box.width(), box.top() + 0.55 * box.height());
    mark.lineTo(box.left() + 0.38 * box.width(), box.top() + 0.85 * box.height());
    mark.lineTo(box.left() + 0.95 * box.width(), box.top() + 0.15 * box.height());
    QPen pen(colour, 1.7);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(mark);
}

} // namespace

DSMenuPanel::DSMenuPanel(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    layout_->setSpacing(itemSpacing);
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

bool DSMenuPanel::sameShape(const std::vector<DSMenuPanelGroup>& a, const std::vector<DSMenuPanelGroup>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t group = 0; group < a.size(); ++group) {
        if (a[group].heading != b[group].heading || a[group].rows.size() != b[group].rows.size()) return false;
        for (std::size_t row = 0; row < a[group].rows.size(); ++row) {
            const DSMenuPanelRow& left = a[group].rows[row];
            const DSMenuPanelRow& right = b[group].rows[row];
            if (left.title != right.title || left.subtitle != right.subtitle || left.trailing != right.trailing ||
                left.isDestructive != right.isDestructive) {
                return false;
            }
        }
    }
    return true;
}

void DSMenuPanel::setGroups(std::vector<DSMenuPanelGroup> groups) {
    platform::assertMainThread();
    const bool rebuildNeeded = !sameShape(groups_, groups) || rows_.empty();
    groups_ = std::move(groups);
    if (rebuildNeeded) {
        rebuild();
        return;
    }
    std::size_t position = 0;
    for (const DSMenuPanelGroup& group : groups_) {
        for (const DSMenuPanelRow& row : group.rows) rows_[position++]->setRow(row);
    }
}

void DSMenuPanel::rebuild() {
    while (QLayoutItem* item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    rows_.clear();
    for (std::size_t group = 0; group < groups_.size(); ++group) {
        if (group > 0) layout_->addWidget(new Separator(this));
        if (groups_[group].heading) layout_->addWidget(new Heading(*groups_[group].heading, this));
        for (const DSMenuPanelRow& row : groups_[group].rows) {
            auto* view = new DSMenuRowView(row, this);
            const std::size_t position = rows_.size();
            connect(view, &QAbstractButton::clicked, this, [this, position] {
                if (onChoose) onChoose(position);
            });
            view->onHover = [this, position](bool inside) {
                if (onHighlight) onHighlight(inside ? std::optional(position) : std::nullopt);
            };
            layout_->addWidget(view);
            rows_.push_back(view);
        }
    }
    layout_->addStretch(1);
    updateGeometry();
}

DSMenuRowView* DSMenuPanel::rowView(std::size_t position) const {
    return position < rows_.size() ? rows_[position] : nullptr;
}

DSMenuRowView::DSMenuRowView(DSMenuPanelRow row, QWidget* parent) : QAbstractButton(parent) {
    installMenuRowAccessibility();
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setRow(std::move(row));
}

void DSMenuRowView::setRow(DSMenuPanelRow row) {
    const bool textsChanged = row.title != row_.title || row.subtitle != row_.subtitle;
    const bool selectionChanged = row.isSelected != row_.isSelected;
    row_ = std::move(row);
    setText(row_.title);
    setChecked(row_.isSelected);
    setAccessibleName(row_.spokenLabel);
    setAccessibleDescription(row_.spokenDetail);
    if (selectionChanged) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    if (textsChanged) updateGeometry();
    update();
}

QSize DSMenuRowView::sizeHint() const {
    const QFontMetrics title(fonts::DSFontBodyMedium());
    int height = title.height();
    int textWidth = title.horizontalAdvance(row_.title);
    if (row_.subtitle) {
        const QFontMetrics subtitle(fonts::DSFontCaption());
        height += titleSubtitleSpacing + subtitle.height();
        textWidth = std::max(textWidth, subtitle.horizontalAdvance(*row_.subtitle));
    }
    int width = 2 * rowHorizontalPadding + checkColumnWidth + contentSpacing + textWidth;
    if (row_.trailing) {
        width += trailingGap + QFontMetrics(fonts::DSFontSmallField()).horizontalAdvance(*row_.trailing);
    }
    return {width, height + 2 * rowVerticalPadding};
}

QSize DSMenuRowView::minimumSizeHint() const { return {0, sizeHint().height()}; }

void DSMenuRowView::enterEvent(QEnterEvent* event) {
    if (onHover) onHover(true);
    QAbstractButton::enterEvent(event);
}

void DSMenuRowView::leaveEvent(QEvent* event) {
    if (onHover) onHover(false);
    QAbstractButton::leaveEvent(event);
}

bool DSMenuRowView::hitButton(const QPoint& position) const {
    return roundedRect(rect(), rowRadius).contains(position);
}

void DSMenuRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (row_.isSelected) {
        painter.fillPath(roundedRect(bounds, rowRadius), now(DSMenuSelection()));
    } else if (row_.isHighlighted) {
        painter.fillPath(roundedRect(bounds, rowRadius), now(palette::DSMenuHighlight()));
    }
    if (row_.isHighlighted) {
        painter.setPen(QPen(now(DSMenuHighlightRing()), 1.0));
        painter.drawPath(roundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), rowRadius - 0.5));
    }

    const QRect content = rect().adjusted(rowHorizontalPadding, rowVerticalPadding, -rowHorizontalPadding,
                                          -rowVerticalPadding);
    const QFontMetrics titleMetrics(fonts::DSFontBodyMedium());
    if (row_.isSelected) {
        const double side = 11;
        const QRectF box(content.left() + 1, content.top() + (titleMetrics.height() - side) / 2, side - 2, side);
        drawCheckmark(painter, box, now(DSAccent()));
    }
    int textRight = content.right() + 1;
    if (row_.trailing) {
        // The trailing text keeps the row's end; the title gives way before it.
        const QFontMetrics trailingMetrics(fonts::DSFontSmallField());
        const int trailingWidth = trailingMetrics.horizontalAdvance(*row_.trailing);
        painter.setFont(fonts::DSFontSmallField());
        painter.setPen(now(DSStructural()));
        painter.drawText(QRect(textRight - trailingWidth, content.top(), trailingWidth, titleMetrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, *row_.trailing);
        textRight -= trailingWidth + trailingGap;
    }
    const int textLeft = content.left() + checkColumnWidth + contentSpacing;
    const int textWidth = std::max(0, textRight - textLeft);
    painter.setFont(fonts::DSFontBodyMedium());
    painter.setPen(now(row_.isDestructive ? palette::red() : primary()));
    painter.drawText(QRect(textLeft, content.top(), textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(row_.title, Qt::ElideRight, textWidth));
    if (row_.subtitle) {
        const QFontMetrics subtitleMetrics(fonts::DSFontCaption());
        painter.setFont(fonts::DSFontCaption());
        painter.setPen(now(secondary()));
        painter.drawText(QRect(textLeft, content.top() + titleMetrics.height() + titleSubtitleSpacing, textWidth,
                               subtitleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         subtitleMetrics.elidedText(*row_.subtitle, Qt::ElideRight, textWidth));
    }
}

} // namespace pictavo
