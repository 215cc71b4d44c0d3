#include "platform/qt/QtText.h"

namespace corvane {

QString ToQt(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            s += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            s += text[i];
        }
    }
    return QString::fromStdString(s);
}

std::string FromQtLines(const QString& text) {
    const std::string s = text.toStdString();
    std::string out;
    out.reserve(s.size() + s.size() / 32);
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string FromQt(const QString& text) { return text.toStdString(); }

}  // namespace corvane
