#pragma once
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace pictavo {

// A titled part of the options panel: its title in small capitals above its controls.
class OptionSection : public QWidget {
    Q_OBJECT

public:
    static constexpr int spacing = 9;

    explicit OptionSection(const QString& title, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    // Below the title and the controls added before.
    void addContent(QWidget* content);

private:
    QLabel* title_;
    QVBoxLayout* layout_;
};

} // namespace pictavo
