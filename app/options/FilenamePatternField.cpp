#include "app/options/FilenamePatternField.h"

#include "app/design/DSAnnouncer.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/options/TokenLegend.h"
#include "app/options/WrappingText.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace pictavo {

namespace {

constexpr int pauseMilliseconds = 700;

} // namespace

FilenamePatternField::FilenamePatternField(Binding<std::string> pattern, FilenameSubject subject, QWidget* parent)
    : QWidget(parent), pattern_(std::move(pattern)), subject_(std::move(subject)), field_(new QLineEdit(this)),
      legend_(new TokenLegend({QStringLiteral("{name}"), QStringLiteral("{w}"), QStringLiteral("{h}"),
                               QStringLiteral("{scale}"), QStringLiteral("{quality}"), QStringLiteral("{format}")},
                              this)),
      preview_(new WrappingText(palette::secondary(), fonts::DSFontCaption(), this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(9);
    field_->setFont(fonts::DSFontBody());
    field_->setPlaceholderText(QStringLiteral("Naming"));
    field_->setToolTip(QStringLiteral("What each exported file is called, with tokens filled in"));
    field_->setAccessibleName(QStringLiteral("Filename pattern"));
    // The style's own focus frame is a hairline hardly darker than the panel.
    DSFocusRing::follow(field_, DSFocusRing::Shape::rounded(3));
    column->addWidget(field_);
    column->addWidget(legend_);
    column->addWidget(preview_);
    connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
        pattern_.set(text.toStdString());
        showPreview();
        pause_.start();
    });
    // The name is read once typing pauses: read on every key, it would talk over the letters
    // a screen reader echoes.
    pause_.setSingleShot(true);
    pause_.setInterval(pauseMilliseconds);
    connect(&pause_, &QTimer::timeout, this, [this] {
        if (field_->hasFocus()) DSAnnouncer::accessible().say(field_, preview_->text());
    });
    refresh();
}

void FilenamePatternField::setSubject(const FilenameSubject& subject) {
    if (subject == subject_) return;
    subject_ = subject;
    showPreview();
}

void FilenamePatternField::refresh() {
    const QString wanted = QString::fromStdString(pattern_.get());
    if (field_->text() != wanted) field_->setText(wanted);
    showPreview();
}

void FilenamePatternField::showPreview() {
    const QString preview = subject_.preview(field_->text());
    preview_->setText(preview);
    // Read after the field's name and text when the field takes the focus.
    field_->setAccessibleDescription(preview);
}

} // namespace pictavo
