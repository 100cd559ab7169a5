#pragma once
#include "app/options/FlowLayout.h"

#include <QStringList>
#include <QWidget>

#include <vector>

namespace pictavo {

// The tokens a filename pattern may use, each on a small rounded chip, wrapping onto as many
// lines as the width needs. It is one element for assistive technology, which reads
// "Tokens: " and the tokens in order.
class TokenLegend : public QWidget {
    Q_OBJECT

public:
    static constexpr double spacing = 5;
    static constexpr double lineSpacing = 5;
    static constexpr double horizontalInset = 5;
    static constexpr double verticalInset = 1;
    static constexpr double cornerRadius = 4;

    explicit TokenLegend(const QStringList& tokens, QWidget* parent = nullptr);

    const QStringList& tokens() const { return tokens_; }
    // Where each chip is drawn at the current width.
    std::vector<QRectF> chipFrames() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QSizeF> chipSizes() const;
    FlowLayout flow() const { return {spacing, lineSpacing}; }

    QStringList tokens_;
};

} // namespace pictavo
