#include "app/shell/DropZone.h"

#include "app/design/DSCapsuleButton.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSSymbols.h"
#include "app/design/DSTheme.h"
#include "app/shell/StatusPill.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace pictavo {

namespace {

// The icon grows and shrinks with the user's text size, as a large title would.
int iconSide() { return static_cast<int>(std::lround(52 * DSTheme::shared().typeScale())); }

class DropIcon : public QWidget {
public:
    explicit DropIcon(QWidget* parent) : QWidget(parent) { setFixedSize(iconSide(), iconSide()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        symbols::paint(painter, QStringLiteral("photo.on.rectangle"), QRectF(rect()), palette::DSAccent().current(),
                       1.4);
    }
};

void colourText(QLabel* label, const DSColour& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour.current());
    label->setPalette(palette);
}

} // namespace

DropZone::DropZone(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);
    column->setContentsMargins(32, 32, 32, 32);
    column->addStretch(1);
    icon_ = new DropIcon(this);
    column->addWidget(icon_, 0, Qt::AlignHCenter);

    title_ = new QLabel(QStringLiteral("Drop images here"), this);
    title_->setFont(fonts::DSFontDropTitle());
    title_->setAlignment(Qt::AlignCenter);
    column->addWidget(title_, 0, Qt::AlignHCenter);

    formats_ = new QLabel(QStringLiteral("SVG, PDF, PNG, JPEG, HEIC, WebP, AVIF, TIFF and RAW. They are optimised "
                                         "where they are, unless you ask for something else."),
                          this);
    formats_->setFont(fonts::DSFontDropBody());
    formats_->setWordWrap(true);
    formats_->setAlignment(Qt::AlignCenter);
    formats_->setFixedWidth(320);
    formats_->setMinimumHeight(formats_->heightForWidth(320));
    column->addWidget(formats_, 0, Qt::AlignHCenter);

    column->addSpacing(4);
    chooseButton_ = new DSCapsuleButton(QStringLiteral("Choose Images\u2026"),
                                        DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::primary, false, true}, this);
    chooseButton_->setCursor(Qt::PointingHandCursor);
    // The open panel's own words for what it is for.
    chooseButton_->setAccessibleDescription(QStringLiteral("Choose images to convert"));
    connect(chooseButton_, &QAbstractButton::clicked, this, &DropZone::chooseRequested);
    column->addWidget(chooseButton_, 0, Qt::AlignHCenter);

    notice_ = new StatusPillWidget(this);
    notice_->hide();
    column->addWidget(notice_, 0, Qt::AlignHCenter);
    column->addStretch(1);

    connect(&DSTheme::shared(), &DSTheme::changed, this, &DropZone::restyle);
    restyle();
}

void DropZone::restyle() {
    icon_->setFixedSize(iconSide(), iconSide());
    colourText(title_, palette::primary());
    colourText(formats_, palette::secondary());
    update();
}

void DropZone::setTargeted(bool targeted) {
    if (targeted == isTargeted_) return;
    isTargeted_ = targeted;
    update();
}

void DropZone::setNotice(const std::optional<QString>& notice) {
    notice_->setVisible(notice.has_value());
    if (notice) {
        notice_->setPill(StatusPill{*notice, QStringLiteral("exclamationmark.triangle"), &palette::orange(),
                                    StatusPill::Prominence::band()});
    }
}

bool DropZone::showsNotice() const { return notice_->isVisibleTo(this); }

void DropZone::paintEvent(QPaintEvent*) {
    if (!isTargeted_) return;
    QPainter painter(this);
    painter.fillRect(rect(), palette::DSAccentTint().current());
}

} // namespace pictavo
