#include "app/options/ToolbarChips.h"

#include "app/options/FormatChip.h"
#include "app/options/SizeChip.h"

#include <QHBoxLayout>

namespace pictavo {

ToolbarChips::ToolbarChips(SettingsStore& settings, const ConversionEngine& engine,
                           OptionsChip::NamePreview namePreview, QWidget* parent)
    : QWidget(parent), format_(new FormatChip(settings, engine, this)), size_(new SizeChip(settings, this)),
      options_(new OptionsChip(settings, std::move(namePreview), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(format_);
    row->addWidget(size_);
    row->addSpacing(6);
    row->addWidget(options_);
}

} // namespace pictavo
