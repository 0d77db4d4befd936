#pragma once

#include <QString>

// Names under which the launcher presents itself and keeps its settings.
namespace names {

inline const QString kCompany = QStringLiteral("Vantory");
// Title of every message box, and the settings' application name.
inline const QString kApplication = QStringLiteral("runkorvix");

} // namespace names
