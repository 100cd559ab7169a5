#pragma once
#include <QString>
#include <QStringList>

namespace pictavo {

// The file arguments of a launch as absolute local paths: relative ones against the folder
// the launch was made in (not the running instance's), file: URIs decoded. URIs of other
// schemes and empty arguments are dropped; nothing is checked for existence.
QStringList absoluteFilePaths(const QStringList& arguments, const QString& workingFolder);

} // namespace pictavo
