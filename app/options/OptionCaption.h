#pragma once
#include "app/options/ColouredLabel.h"

namespace pictavo {

// A sentence under a control that says what it does: small, secondary, wrapping onto as many
// lines as the width asks for.
class OptionCaption : public ColouredLabel {
    Q_OBJECT

public:
    explicit OptionCaption(const QString& text, QWidget* parent = nullptr);
};

} // namespace pictavo
