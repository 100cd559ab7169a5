#include "app/preferences/DefaultSpecEditors.h"

#include "app/options/FilenamePatternField.h"
#include "app/options/QualityControl.h"
#include "app/options/SpecBindings.h"
#include "app/preferences/DefaultSizePicker.h"

namespace pictavo {

DefaultSizePicker* DefaultSpecEditors::sizeEditor(SettingsStore& settings, QWidget* parent) {
    return new DefaultSizePicker(settings, parent);
}

QualityControl* DefaultSpecEditors::compressionEditor(SettingsStore& settings, QWidget* parent) {
    auto* control = new QualityControl(defaultSpecBinding(settings).member(&OutputSpec::quality), parent);
    QObject::connect(&settings, &SettingsStore::defaultSpecChanged, control, &QualityControl::refresh);
    return control;
}

FilenamePatternField* DefaultSpecEditors::namingEditor(SettingsStore& settings, const ConversionEngine& engine,
                                                       QWidget* parent) {
    auto* field = new FilenamePatternField(defaultSpecBinding(settings).member(&OutputSpec::namePattern),
                                           FilenameSubject::example(engine, settings.defaultSpec()), parent);
    // The example name follows the default format, size and quality as well as the pattern.
    QObject::connect(&settings, &SettingsStore::defaultSpecChanged, field, [&settings, &engine, field] {
        field->setSubject(FilenameSubject::example(engine, settings.defaultSpec()));
        field->refresh();
    });
    return field;
}

} // namespace pictavo
