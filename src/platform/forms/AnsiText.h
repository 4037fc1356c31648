#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace forms {

// Table texts are single-byte Windows-1252; the windows show QString. Characters that
// Windows-1252 cannot hold become '?'.
QString fromAnsi(std::string_view text);
std::string toAnsi(const QString& text);

} // namespace forms
