#include "ApplicationFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
const char *const kFallbackFamily = "Arial Unicode MS";
QString g_fontFamily;
QFont g_font;
}  // namespace

void loadApplicationFont(const QString &fontFilePath) {
    const int id = QFontDatabase::addApplicationFont(fontFilePath);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    g_fontFamily = families.isEmpty() ? QString::fromLatin1(kFallbackFamily) : families.first();
    g_font.setFamily(g_fontFamily);
    g_font.setWeight(57);
}

QFont applicationFont() {
    if (g_fontFamily == QString())
        return QFont(QString::fromLatin1(kFallbackFamily));
    return g_font;
}
