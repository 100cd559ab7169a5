#include "app/shell/DropZone.h"

#include "app/shell/ExportButton.h"
#include "app/shell/ShellPalette.h"
#include "app/shell/StatusPill.h"
#include "app/shell/Symbols.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace pictavo {

namespace {

// The icon grows and shrinks with the user's text size, as a large title would.
int iconSide() {
    const double scale = QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() / 10.0 : 1.0;
    return static_cast<int>(std::round(52 * std::max(scale, 1.0)));
}

class DropIcon : public QWidget {
public:
    explicit DropIcon(QWidget* parent) : QWidget(parent) { setFixedSize(iconSide(), iconSide()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintSymbol(painter, QStringLiteral("photo.on.rectangle"), QRectF(rect()), shellColour(ShellColour::accent), 1.4);
    }
};

} // namespace

DropZone::DropZone(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);
    column->setContentsMargins(32, 32, 32, 32);
    column->addStretch(1);
    column->addWidget(new DropIcon(this), 0, Qt::AlignHCenter);

    auto* title = new QLabel(QStringLiteral("Drop images here"), this);
    QFont titleFont;
    titleFont.setPixelSize(22);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title, 0, Qt::AlignHCenter);

    auto* formats = new QLabel(QStringLiteral("SVG, PDF, PNG, JPEG, HEIC, WebP, AVIF, TIFF and RAW. They are optimised "
                                              "where they are, unless you ask for something else."),
                               this);
    QFont formatsFont;
    formatsFont.setPixelSize(15);
    formats->setFont(formatsFont);
    formats->setWordWrap(true);
    formats->setAlignment(Qt::AlignCenter);
    formats->setFixedWidth(320);
    formats->setMinimumHeight(formats->heightForWidth(320));
    QPalette palette = formats->palette();
    palette.setColor(QPalette::WindowText, shellColour(ShellColour::secondaryText));
    formats->setPalette(palette);
    column->addWidget(formats, 0, Qt::AlignHCenter);

    column->addSpacing(4);
    chooseButton_ = new CapsuleButton(QStringLiteral("Choose Images\u2026"), this);
    static_cast<CapsuleButton*>(chooseButton_)->setFilled(true);
    connect(chooseButton_, &QPushButton::clicked, this, &DropZone::chooseRequested);
    column->addWidget(chooseButton_, 0, Qt::AlignHCenter);

    notice_ = new StatusPillWidget(this);
    notice_->hide();
    column->addWidget(notice_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

void DropZone::setTargeted(bool targeted) {
    if (targeted == isTargeted_) return;
    isTargeted_ = targeted;
    update();
}

void DropZone::setNotice(const std::optional<QString>& notice) {
    notice_->setVisible(notice.has_value());
    if (notice) {
        notice_->setPill(StatusPill{*notice, QStringLiteral("exclamationmark.triangle"),
                                    shellColour(ShellColour::orange), StatusPill::Prominence::band()});
    }
}

bool DropZone::showsNotice() const { return notice_->isVisibleTo(this); }

void DropZone::paintEvent(QPaintEvent*) {
    if (!isTargeted_) return;
    QPainter painter(this);
    painter.fillRect(rect(), shellColour(ShellColour::accentTint));
}

} // namespace pictavo
