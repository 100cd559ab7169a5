#pragma once
#include "app/options/Binding.h"
#include "app/options/FilenameSubject.h"

#include <QTimer>
#include <QWidget>

#include <string>

class QLineEdit;

namespace pictavo {

class TokenLegend;
class WrappingText;

// The filename pattern: a field written on every keystroke, the tokens it may use, and the name
// it gives the subject, which follows as the user types and is read out once the typing pauses.
class FilenamePatternField : public QWidget {
    Q_OBJECT

public:
    FilenamePatternField(Binding<std::string> pattern, FilenameSubject subject, QWidget* parent = nullptr);

    void setSubject(const FilenameSubject& subject);
    // Shows the bound pattern; the text is left alone, cursor and all, when it already says it.
    void refresh();

    QLineEdit* field() const { return field_; }
    TokenLegend* legend() const { return legend_; }
    WrappingText* previewLine() const { return preview_; }

private:
    void showPreview();

    Binding<std::string> pattern_;
    FilenameSubject subject_;
    QLineEdit* field_;
    TokenLegend* legend_;
    WrappingText* preview_;
    QTimer pause_;
};

} // namespace pictavo
