#include "app/preferences/SettingsWindow.h"

#include "app/design/DSAnnouncer.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSFocusScrollArea.h"
#include "app/design/DSPickerAccessible.h"
#include "app/design/DSReadingOrder.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/design/DSSegmentedControl.h"
#include "app/design/DSTheme.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/QualityControl.h"
#include "app/preferences/DefaultSizePicker.h"
#include "app/preferences/DefaultSpecEditors.h"
#include "app/preferences/OutlinedCheckBox.h"
#include "app/preferences/SettingsFormatChoices.h"
#include "app/preferences/SettingsWindowFit.h"
#include "app/preferences/SettingsWindowFitter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace pictavo {
namespace {

using Choice = DestinationStore::Choice;

constexpr Choice saveChoices[] = {Choice::besideOriginal, Choice::chosenFolder, Choice::askEachTime,
                                  Choice::replaceOriginal};

QFormLayout* formIn(QGroupBox* box) {
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

} // namespace

// A row left out is taken out of the form, not hidden in it: a form holding a hidden row gives
// the last row whose height follows its width (the Naming row) no height at all once a row
// above it appears.
class SettingsWindow::FormRows {
public:
    explicit FormRows(QFormLayout* form) : form_(form) {}

    void add(const QString& title, QWidget* field) {
        QLabel* label = nullptr;
        if (!title.isEmpty()) {
            label = new QLabel(title);
            label->setBuddy(field);
        }
        rows_.push_back({label, field, true});
        form_->addRow(label, field);
    }

    void setShown(QWidget* field, bool shown) {
        for (Row& row : rows_) {
            if (row.field != field || row.shown == shown) continue;
            row.shown = shown;
            layOut();
        }
    }

    bool isShown(QWidget* field) const {
        return std::any_of(rows_.begin(), rows_.end(),
                           [field](const Row& row) { return row.field == field && row.shown; });
    }

private:
    struct Row {
        QLabel* label;
        QWidget* field;
        bool shown;
    };

    void layOut() {
        while (form_->rowCount() > 0) {
            const QFormLayout::TakeRowResult taken = form_->takeRow(0);
            delete taken.labelItem;
            delete taken.fieldItem;
        }
        for (const Row& row : rows_) {
            if (row.shown) form_->addRow(row.label, row.field);
            for (QWidget* widget : {static_cast<QWidget*>(row.label), row.field}) {
                if (widget) widget->setVisible(row.shown);
            }
        }
        // A row left out had no place in the Tab order; back in the form, it takes its own.
        followReadingOrder(form_->parentWidget());
    }

    QFormLayout* form_;
    std::vector<Row> rows_;
};

namespace {

// The colour a text is drawn over: the style shades a group box's inside a little darker than
// the window, so the group box is drawn alone, without its children, and read inside.
QColor backgroundUnder(QWidget* text, const QColor& window) {
    QWidget* box = text->parentWidget();
    while (box && !qobject_cast<QGroupBox*>(box) && !box->isWindow()) box = box->parentWidget();
    if (!box || box->contentsRect().isEmpty()) return window;
    QImage drawn(box->size(), QImage::Format_RGB32);
    drawn.fill(window);
    box->render(&drawn, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return drawn.pixelColor(box->contentsRect().center());
}

} // namespace

SettingsWindow::SettingsWindow(SettingsStore& settings, DestinationStore& destinations, UpdateController& updates,
                               const ConversionEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), destinations_(destinations), updates_(updates),
      engine_(engine) {
    setWindowTitle(QStringLiteral("Settings"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedWidth(fixedWidth);
    // Ctrl+W as every settings window of the desktop closes; Esc is taken in keyPressEvent.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this), &QShortcut::activated, this, &QWidget::close);

    content_ = new QWidget;
    auto* sections = new QVBoxLayout(content_);
    sections->addWidget(makeOutputSection());
    sections->addWidget(makeDestinationSection());
    sections->addWidget(makeUpdatesSection());
    sections->addWidget(makeResetSection());
    sections->addStretch(0);

    scroll_ = new DSFocusScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(content_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);

    connect(&settings_, &SettingsStore::defaultSpecChanged, this, &SettingsWindow::refreshOutput);
    connect(&destinations_, &DestinationStore::defaultChoiceChanged, this, &SettingsWindow::refreshDestination);
    connect(&destinations_, &DestinationStore::chosenFolderChanged, this, &SettingsWindow::refreshDestination);
    connect(&updates_, &UpdateController::canCheckForUpdatesChanged, this, &SettingsWindow::refreshUpdates);
    connect(&updates_, &UpdateController::automaticallyChecksForUpdatesChanged, this, &SettingsWindow::refreshUpdates);
    // Queued: the new palette reaches the group boxes the texts sit in only after the change.
    connect(&DSTheme::shared(), &DSTheme::changed, this, &SettingsWindow::recolourSecondaryTexts,
            Qt::QueuedConnection);
    recolourSecondaryTexts();
    refreshOutput();
    refreshDestination();
    refreshUpdates();

    // Rows appear and go again as the format and the destination change; Tab follows the form.
    followReadingOrder(content_);
    // The style's own focus frame is a hairline hardly darker than the window.
    for (QWidget* control :
         std::initializer_list<QWidget*>{format_, size_, save_, chooseFolder_, checkForUpdates_, reset_}) {
        DSFocusRing::follow(control, DSFocusRing::Shape::rounded(3));
    }
    // A screen reader starts at the first row, and the first Tab goes on from it.
    format_->setFocus(Qt::OtherFocusReason);

    content_->installEventFilter(this);
    new SettingsWindowFitter(*this, [this](std::optional<int> room) { setScreenHeight(room); });
    measureContent();
}

SettingsWindow* SettingsWindow::open(SettingsStore& settings, DestinationStore& destinations,
                                     UpdateController& updates, const ConversionEngine& engine) {
    static QPointer<SettingsWindow> window;
    QWidget* opener = QApplication::activeWindow();
    if (!window) {
        window = new SettingsWindow(settings, destinations, updates, engine);
        // Closing ends the window's own state, such as the remembered size preset.
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (opener && opener != window) window->opener_ = opener;
    window->show();
    // Asked for from a window the keyboard has been used in, it shows where its focus is.
    if (opener && opener != window && opener->testAttribute(Qt::WA_KeyboardFocusChange)) {
        window->setAttribute(Qt::WA_KeyboardFocusChange);
    }
    window->raise();
    window->activateWindow();
    return window;
}

QWidget* SettingsWindow::makeOutputSection() {
    auto* box = new QGroupBox(QStringLiteral("Default Output"));
    outputRows_ = std::make_unique<FormRows>(formIn(box));

    format_ = new QComboBox;
    showListOnlyWhileOpen(format_);
    const auto choices = settingsFormatChoices(engine_);
    for (const auto& choice : choices) {
        if (choice) format_->addItem(QString::fromStdString(choice->displayName()), QString::fromStdString(choice->id()));
        else format_->insertSeparator(format_->count());
    }
    connect(format_, &QComboBox::activated, this, [this, choices](int index) {
        const std::string id = format_->itemData(index).toString().toStdString();
        for (const auto& choice : choices) {
            if (!choice || choice->id() != id) continue;
            OutputSpec spec = settings_.defaultSpec();
            spec.format = *choice;
            settings_.setDefaultSpec(spec);
        }
    });
    outputRows_->add(QStringLiteral("Format"), format_);

    size_ = DefaultSpecEditors::sizeEditor(settings_, box);
    outputRows_->add(QStringLiteral("Size"), size_);
    dimensions_ = size_->dimensions();
    outputRows_->add(QStringLiteral("Dimensions"), dimensions_);
    connect(size_, &DefaultSizePicker::shownChoiceChanged, this,
            [this] { outputRows_->setShown(dimensions_, size_->showsCustom()); });
    outputRows_->setShown(dimensions_, size_->showsCustom());
    compression_ = DefaultSpecEditors::compressionEditor(settings_, box);
    outputRows_->add(QStringLiteral("Compression"), compression_);

    keepMetadata_ = new OutlinedCheckBox(QStringLiteral("Keep EXIF and GPS"));
    keepMetadata_->setToolTip(QStringLiteral("Off removes camera, location and timestamps"));
    connect(keepMetadata_, &QCheckBox::clicked, this, [this](bool on) {
        OutputSpec spec = settings_.defaultSpec();
        spec.metadata = on ? MetadataPolicy::keepAll : MetadataPolicy::strip;
        settings_.setDefaultSpec(spec);
    });
    outputRows_->add(QString(), keepMetadata_);

    convertToSRGB_ = new OutlinedCheckBox(QStringLiteral("Convert to sRGB"));
    convertToSRGB_->setToolTip(QStringLiteral("Stops Display P3 photos coming out oversaturated"));
    connect(convertToSRGB_, &QCheckBox::clicked, this, [this](bool on) {
        OutputSpec spec = settings_.defaultSpec();
        spec.colour = on ? ColourPolicy::convertToSRGB : ColourPolicy::preserve;
        settings_.setDefaultSpec(spec);
    });
    outputRows_->add(QString(), convertToSRGB_);

    naming_ = DefaultSpecEditors::namingEditor(settings_, engine_, box);
    outputRows_->add(QStringLiteral("Naming"), naming_);

    background_ = new DSSegmentedControl(QStringLiteral("Background"));
    background_->setSegments({QStringLiteral("White"), QStringLiteral("Black")});
    connect(background_, &DSSegmentedControl::segmentChosen, this, [this](int index) {
        OutputSpec spec = settings_.defaultSpec();
        spec.matte = index == 0 ? MatteColour::white() : MatteColour::black();
        settings_.setDefaultSpec(spec);
    });
    outputRows_->add(QStringLiteral("Background"), background_);
    return box;
}

QWidget* SettingsWindow::makeDestinationSection() {
    auto* box = new QGroupBox(QStringLiteral("Default Destination"));
    destinationRows_ = std::make_unique<FormRows>(formIn(box));

    save_ = new QComboBox;
    showListOnlyWhileOpen(save_);
    save_->setToolTip(QStringLiteral("Where the finished files go"));
    for (const QString& title : {QStringLiteral("Beside each original"), QStringLiteral("In a folder\u2026"),
                                 QStringLiteral("Ask each time"), QStringLiteral("Replace the originals")})
        save_->addItem(title);
    // Only what new batches start with; the current batch keeps its own choice.
    connect(save_, &QComboBox::activated, this,
            [this](int index) { destinations_.setDefaultChoice(saveChoices[index]); });
    destinationRows_->add(QStringLiteral("Save"), save_);

    folderRow_ = new QWidget;
    auto* row = new QHBoxLayout(folderRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    folderText_ = new QLabel;
    makeSecondary(folderText_);
    folderText_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    chooseFolder_ = new QPushButton(QStringLiteral("Choose\u2026"));
    connect(chooseFolder_, &QPushButton::clicked, this, [this] {
        // Choosing points the current batch at the folder as well.
        if (destinations_.chooseFolder()) destinations_.setDefaultChoice(destinations_.choice());
    });
    row->addWidget(folderText_, 1);
    row->addWidget(chooseFolder_);
    destinationRows_->add(QStringLiteral("Folder"), folderRow_);
    return box;
}

QWidget* SettingsWindow::makeUpdatesSection() {
    auto* box = new QGroupBox(QStringLiteral("Updates"));
    auto* form = formIn(box);
    automaticUpdates_ = new OutlinedCheckBox(QStringLiteral("Check for updates automatically"));
    connect(automaticUpdates_, &QCheckBox::clicked, this,
            [this](bool on) { updates_.setAutomaticallyChecksForUpdates(on); });
    form->addRow(QString(), automaticUpdates_);
    checkForUpdates_ = new QPushButton(QStringLiteral("Check for Updates\u2026"));
    connect(checkForUpdates_, &QPushButton::clicked, this, [this] { updates_.controller().checkForUpdates(); });
    form->addRow(QString(), checkForUpdates_);
    if (!updates_.isAvailable()) {
        auto* caption = new QLabel(QStringLiteral("This build has no update feed, so it never looks for updates."));
        makeSecondary(caption);
        QFont small = caption->font();
        small.setPixelSize(11);
        caption->setFont(small);
        form->addRow(QString(), caption);
    }
    return box;
}

QWidget* SettingsWindow::makeResetSection() {
    auto* box = new QGroupBox;
    auto* form = formIn(box);
    reset_ = new QPushButton(QStringLiteral("Reset to Defaults"));
    reset_->setToolTip(QStringLiteral("Puts every default back to what the app ships with"));
    connect(reset_, &QPushButton::clicked, this, &SettingsWindow::resetToDefaults);
    form->addRow(QString(), reset_);
    return box;
}

void SettingsWindow::resetToDefaults() {
    // The update preference, the folder's bookmark and the replace permissions stay.
    settings_.restoreBuiltInDefaults();
    destinations_.resetToDefaults();
    size_->forgetChoice();
    // Nothing asks first, and the button stays where it is: what it did is told.
    if (reset_->hasFocus())
        DSAnnouncer::accessible().say(reset_, QStringLiteral("Every default is back to what the app ships with."));
}

void SettingsWindow::refreshOutput() {
    const OutputSpec& spec = settings_.defaultSpec();
    format_->setCurrentIndex(format_->findData(QString::fromStdString(spec.format.id())));
    outputRows_->setShown(compression_, formatIsLossy(spec.format));
    keepMetadata_->setChecked(spec.metadata == MetadataPolicy::keepAll);
    convertToSRGB_->setChecked(spec.colour == ColourPolicy::convertToSRGB);
    background_->setSelectedIndex(spec.matte == MatteColour::white() ? 0 : spec.matte == MatteColour::black() ? 1 : -1);
    outputRows_->setShown(background_, !formatKeepsTransparency(spec.format));
}

void SettingsWindow::refreshDestination() {
    const Choice choice = destinations_.defaultChoice();
    for (int index = 0; index < 4; ++index)
        if (saveChoices[index] == choice) save_->setCurrentIndex(index);
    folderText_->setText(destinations_.subtitle(Choice::chosenFolder));
    // The folder is shown beside the button, out of a screen reader's way: the button says it.
    chooseFolder_->setAccessibleDescription(folderText_->text());
    destinationRows_->setShown(folderRow_, choice == Choice::chosenFolder);
}

void SettingsWindow::refreshUpdates() {
    automaticUpdates_->setChecked(updates_.automaticallyChecksForUpdates());
    automaticUpdates_->setEnabled(updates_.isAvailable());
    checkForUpdates_->setEnabled(updates_.canCheckForUpdates());
}

bool SettingsWindow::isRowShown(QWidget* field) const {
    return outputRows_->isShown(field) || destinationRows_->isShown(field);
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::makeSecondary(QLabel* label) {
    label->setWordWrap(true);
    secondaryTexts_.append(label);
}

void SettingsWindow::recolourSecondaryTexts() {
    const QColor window = palette().color(QPalette::Window);
    for (QLabel* label : std::as_const(secondaryTexts_)) {
        QPalette shade = label->palette();
        shade.setColor(QPalette::WindowText,
                       secondaryLabelOver(backgroundUnder(label, window), DSTheme::shared().appearance()));
        label->setPalette(shade);
    }
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    // Esc reaches the window only when nothing open over it took it first: an open list closes
    // and the window stays. A shortcut would see the key before the list does.
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & ~Qt::KeypadModifier)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    // The window it was opened from takes the keyboard back, and with it the control that had
    // the focus there; without this the desktop may give it to no window of ours.
    if (opener_ && opener_->isVisible()) opener_->activateWindow();
    QWidget::closeEvent(event);
}

void SettingsWindow::changeEvent(QEvent* event) {
    // The application's palette follows the appearance too, and the texts follow its background.
    if (event->type() == QEvent::PaletteChange)
        QMetaObject::invokeMethod(this, &SettingsWindow::recolourSecondaryTexts, Qt::QueuedConnection);
    QWidget::changeEvent(event);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest) measureContent();
    return QWidget::eventFilter(watched, event);
}

void SettingsWindow::setScreenHeight(std::optional<int> height) {
    screenHeight_ = height;
    applyHeightRule();
}

void SettingsWindow::measureContent() {
    QLayout* layout = content_->layout();
    layout->activate();
    contentHeight_ = layout->hasHeightForWidth() ? layout->totalHeightForWidth(fixedWidth)
                                                 : layout->totalSizeHint().height();
    applyHeightRule();
}

void SettingsWindow::applyHeightRule() {
    const std::optional<int> capped = cappedHeight(contentHeight_, screenHeight_);
    scroll_->setVerticalScrollBarPolicy(capped ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (const std::optional<int> height = capped ? capped : contentHeight_) setFixedHeight(*height);
}

} // namespace pictavo
