#include "platform/qt/QtFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace corvane {

namespace {

QFont Monospaced(const QString& family) {
    QFont font(family);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

}  // namespace

QFont FixedPitchFont() {
    const QFont asked = Monospaced(QStringLiteral("Monospace"));
    if (QFontInfo(asked).fixedPitch()) return asked;
    // The platform's idea of a fixed font is only a second choice: some
    // platforms hand back their ordinary font for it.
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(system).fixedPitch()) return system;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(family)) continue;
        const QFont font = Monospaced(family);
        if (QFontInfo(font).fixedPitch()) return font;
    }
    return asked;
}

}  // namespace corvane
