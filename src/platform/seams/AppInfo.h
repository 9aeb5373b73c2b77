#pragma once

// The application's name as its windows show it, and the maker's web address.

#include <QString>

namespace savrona {

inline const QString applicationTitle = QStringLiteral("Savrona v1.0");
// The maker's web site: opened by Help, Savrona On-Line and written at the end
// of every exported recipe.
inline const QString webAddress = QStringLiteral("https://www.keltrim.com/savrona/");

} // namespace savrona
