#pragma once
#include "app/options/Binding.h"

#include <QLineEdit>

#include <cstdint>
#include <optional>

namespace pictavo {

// One side of a custom box, in whole pixels; empty means no limit on that side. Whatever is
// typed is kept to its digits and to 1 … 1,000,000 at once ("12a3" becomes 123, "0" becomes
// 1), rather than refusing the keystroke.
class DimensionField : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int fieldWidth = 80;

    DimensionField(const QString& placeholder, Binding<std::optional<std::int64_t>> value, QWidget* parent = nullptr);

    // Shows the bound value; the text is left alone, cursor and all, when it already says it.
    void refresh();

private:
    void edited(const QString& text);

    Binding<std::optional<std::int64_t>> value_;
};

} // namespace pictavo
