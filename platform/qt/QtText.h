#pragma once
// Text between the toolkit-free core (UTF-8, CR LF line ends) and Qt.
#include <QString>
#include <string>

namespace corvane {

// CR LF (or a lone CR) becomes a line feed.
QString ToQt(const std::string& text);
// Line feeds become CR LF.
std::string FromQtLines(const QString& text);
// Plain UTF-8, nothing changed.
std::string FromQt(const QString& text);

}  // namespace corvane
