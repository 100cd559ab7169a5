#pragma once
#include "app/export/DestinationStore.h"
#include "app/preferences/UpdateController.h"
#include "app/settings/SettingsStore.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace pictavo {

class ConversionEngine;
class CustomSizeEditor;
class DSSegmentedControl;
class DefaultSizePicker;
class FilenamePatternField;
class QualityControl;

// Edits what new batches start with, where their files go and the update preference. Every
// change goes straight into the stores: there is nothing to apply or cancel.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int fixedWidth = 460;

    // The formats offered and the example name are what `engine` writes.
    SettingsWindow(SettingsStore& settings, DestinationStore& destinations, UpdateController& updates,
                   const ConversionEngine& engine, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Shows the one settings window, made anew after it was closed.
    static SettingsWindow* open(SettingsStore& settings, DestinationStore& destinations, UpdateController& updates,
                                const ConversionEngine& engine);

    // The content height the screen has room for; none when it cannot be known.
    void setScreenHeight(std::optional<int> height);
    std::optional<int> contentHeight() const { return contentHeight_; }

    QComboBox* formatPicker() const { return format_; }
    QComboBox* savePicker() const { return save_; }
    DefaultSizePicker* sizePicker() const { return size_; }
    CustomSizeEditor* dimensionsRow() const { return dimensions_; }
    QualityControl* compressionControl() const { return compression_; }
    FilenamePatternField* namingField() const { return naming_; }
    QCheckBox* keepMetadataToggle() const { return keepMetadata_; }
    QCheckBox* convertToSRGBToggle() const { return convertToSRGB_; }
    DSSegmentedControl* backgroundPicker() const { return background_; }
    QLabel* folderText() const { return folderText_; }
    QPushButton* chooseFolderButton() const { return chooseFolder_; }
    QCheckBox* automaticUpdatesToggle() const { return automaticUpdates_; }
    QPushButton* checkForUpdatesButton() const { return checkForUpdates_; }
    QPushButton* resetButton() const { return reset_; }
    QScrollArea* scrollArea() const { return scroll_; }
    bool isRowShown(QWidget* field) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class FormRows;

    QWidget* makeOutputSection();
    QWidget* makeDestinationSection();
    QWidget* makeUpdatesSection();
    QWidget* makeResetSection();
    void refreshOutput();
    void refreshDestination();
    void refreshUpdates();
    void resetToDefaults();
    // Secondary texts that must still be read: the folder and the update caption.
    void makeSecondary(QLabel* label);
    void recolourSecondaryTexts();
    void measureContent();
    void applyHeightRule();

    SettingsStore& settings_;
    DestinationStore& destinations_;
    UpdateController& updates_;
    const ConversionEngine& engine_;

    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    std::unique_ptr<FormRows> outputRows_;
    std::unique_ptr<FormRows> destinationRows_;
    QComboBox* format_ = nullptr;
    DefaultSizePicker* size_ = nullptr;
    CustomSizeEditor* dimensions_ = nullptr;
    QualityControl* compression_ = nullptr;
    FilenamePatternField* naming_ = nullptr;
    QCheckBox* keepMetadata_ = nullptr;
    QCheckBox* convertToSRGB_ = nullptr;
    DSSegmentedControl* background_ = nullptr;
    QComboBox* save_ = nullptr;
    QWidget* folderRow_ = nullptr;
    QLabel* folderText_ = nullptr;
    QPushButton* chooseFolder_ = nullptr;
    QCheckBox* automaticUpdates_ = nullptr;
    QPushButton* checkForUpdates_ = nullptr;
    QPushButton* reset_ = nullptr;
    QList<QLabel*> secondaryTexts_;

    // The window that was active when this one was asked for.
    QPointer<QWidget> opener_;
    std::optional<int> contentHeight_;
    std::optional<int> screenHeight_;
};

} // namespace pictavo
