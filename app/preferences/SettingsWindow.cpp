#include "app/preferences/SettingsWindow.h"

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

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QImage>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

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
    // As every settings window of the desktop closes.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    content_ = new QWidget;
    auto* sections = new QVBoxLayout(content_);
    sections->addWidget(makeOutputSection());
    sections->addWidget(makeDestinationSection());
    sections->addWidget(makeUpdatesSection());
    sections->addWidget(makeResetSection());
    sections->addStretch(0);

    scroll_ = new QScrollArea(this);
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

    content_->installEventFilter(this);
    new SettingsWindowFitter(*this, [this](std::optional<int> room) { setScreenHeight(room); });
    measureContent();
}

SettingsWindow* SettingsWindow::open(SettingsStore& settings, DestinationStore& destinations,
                                     UpdateController& updates, const ConversionEngine& engine) {
    static QPointer<SettingsWindow> window;
    if (!window) {
        window = new SettingsWindow(settings, destinations, updates, engine);
        // Closing ends the window's own state, such as the remembered size preset.
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget* SettingsWindow::makeOutputSection() {
    auto* box = new QGroupBox(QStringLiteral("Default Output"));
    outputForm_ = formIn(box);

    format_ = new QComboBox;
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
    outputForm_->addRow(QStringLiteral("Format"), format_);

    size_ = DefaultSpecEditors::sizeEditor(settings_, box);
    outputForm_->addRow(QStringLiteral("Size"), size_);
    dimensions_ = size_->dimensions();
    outputForm_->addRow(QStringLiteral("Dimensions"), dimensions_);
    connect(size_, &DefaultSizePicker::shownChoiceChanged, this,
            [this] { outputForm_->setRowVisible(dimensions_, size_->showsCustom()); });
    outputForm_->setRowVisible(dimensions_, size_->showsCustom());
    compression_ = DefaultSpecEditors::compressionEditor(settings_, box);
    outputForm_->addRow(QStringLiteral("Compression"), compression_);

    keepMetadata_ = new OutlinedCheckBox(QStringLiteral("Keep EXIF and GPS"));
    keepMetadata_->setToolTip(QStringLiteral("Off removes camera, location and timestamps"));
    connect(keepMetadata_, &QCheckBox::clicked, this, [this](bool on) {
        OutputSpec spec = settings_.defaultSpec();
        spec.metadata = on ? MetadataPolicy::keepAll : MetadataPolicy::strip;
        settings_.setDefaultSpec(spec);
    });
    outputForm_->addRow(QString(), keepMetadata_);

    convertToSRGB_ = new OutlinedCheckBox(QStringLiteral("Convert to sRGB"));
    convertToSRGB_->setToolTip(QStringLiteral("Stops Display P3 photos coming out oversaturated"));
    connect(convertToSRGB_, &QCheckBox::clicked, this, [this](bool on) {
        OutputSpec spec = settings_.defaultSpec();
        spec.colour = on ? ColourPolicy::convertToSRGB : ColourPolicy::preserve;
        settings_.setDefaultSpec(spec);
    });
    outputForm_->addRow(QString(), convertToSRGB_);

    naming_ = DefaultSpecEditors::namingEditor(settings_, engine_, box);
    outputForm_->addRow(QStringLiteral("Naming"), naming_);

    background_ = new DSSegmentedControl(QStringLiteral("Background"));
    background_->setSegments({QStringLiteral("White"), QStringLiteral("Black")});
    connect(background_, &DSSegmentedControl::segmentChosen, this, [this](int index) {
        OutputSpec spec = settings_.defaultSpec();
        spec.matte = index == 0 ? MatteColour::white() : MatteColour::black();
        settings_.setDefaultSpec(spec);
    });
    outputForm_->addRow(QStringLiteral("Background"), background_);
    return box;
}

QWidget* SettingsWindow::makeDestinationSection() {
    auto* box = new QGroupBox(QStringLiteral("Default Destination"));
    destinationForm_ = formIn(box);

    save_ = new QComboBox;
    save_->setToolTip(QStringLiteral("Where the finished files go"));
    for (const QString& title : {QStringLiteral("Beside each original"), QStringLiteral("In a folder\u2026"),
                                 QStringLiteral("Ask each time"), QStringLiteral("Replace the originals")})
        save_->addItem(title);
    // Only what new batches start with; the current batch keeps its own choice.
    connect(save_, &QComboBox::activated, this,
            [this](int index) { destinations_.setDefaultChoice(saveChoices[index]); });
    destinationForm_->addRow(QStringLiteral("Save"), save_);

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
    destinationForm_->addRow(QStringLiteral("Folder"), folderRow_);
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
    settings_.setDefaultSpec(SettingsStore::builtInDefaultSpec());
    settings_.setSpec(SettingsStore::builtInDefaultSpec());
    destinations_.resetToDefaults();
    size_->forgetChoice();
}

void SettingsWindow::refreshOutput() {
    const OutputSpec& spec = settings_.defaultSpec();
    format_->setCurrentIndex(format_->findData(QString::fromStdString(spec.format.id())));
    outputForm_->setRowVisible(compression_, formatIsLossy(spec.format));
    keepMetadata_->setChecked(spec.metadata == MetadataPolicy::keepAll);
    convertToSRGB_->setChecked(spec.colour == ColourPolicy::convertToSRGB);
    background_->setSelectedIndex(spec.matte == MatteColour::white() ? 0 : spec.matte == MatteColour::black() ? 1 : -1);
    outputForm_->setRowVisible(background_, !formatKeepsTransparency(spec.format));
}

void SettingsWindow::refreshDestination() {
    const Choice choice = destinations_.defaultChoice();
    for (int index = 0; index < 4; ++index)
        if (saveChoices[index] == choice) save_->setCurrentIndex(index);
    folderText_->setText(destinations_.subtitle(Choice::chosenFolder));
    destinationForm_->setRowVisible(folderRow_, choice == Choice::chosenFolder);
}

void SettingsWindow::refreshUpdates() {
    automaticUpdates_->setChecked(updates_.automaticallyChecksForUpdates());
    automaticUpdates_->setEnabled(updates_.isAvailable());
    checkForUpdates_->setEnabled(updates_.canCheckForUpdates());
}

bool SettingsWindow::isRowShown(QWidget* field) const {
    for (QFormLayout* form : {outputForm_, destinationForm_}) {
        int row = -1;
        QFormLayout::ItemRole role;
        form->getWidgetPosition(field, &row, &role);
        if (row >= 0) return form->isRowVisible(row);
    }
    return false;
}

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
