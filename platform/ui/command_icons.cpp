#include "platform/ui/command_icons.h"

#include <QColor>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStringList>

namespace tv {

namespace {

void ChooseTheme() {
    static bool done = false;
    if (done) return;
    done = true;
    // Offscreen and bare window managers name no theme; Debian's Breeze has
    // an icon for every command of the tool bar.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory))
        if (!paths.contains(dir)) paths << dir;
    if (!paths.contains(QStringLiteral("/usr/share/icons"))) paths << QStringLiteral("/usr/share/icons");
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        for (const QString& base : QIcon::themeSearchPaths()) {
            if (QDir(base + QStringLiteral("/breeze")).exists()) {
                QIcon::setThemeName(QStringLiteral("breeze"));
                break;
            }
        }
    }
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QIcon Badge(const QString& text) {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2e, 0x6d, 0xb4));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 20, 20), 4, 4);
    QFont font = p.font();
    font.setPixelSize(text.size() > 2 ? 8 : 11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

}  // namespace

bool HasThemeIcon(const char* name) {
    ChooseTheme();
    return QIcon::hasThemeIcon(QString::fromLatin1(name));
}

QIcon CommandIcon(const char* name, const QString& badge) {
    if (HasThemeIcon(name)) return QIcon::fromTheme(QString::fromLatin1(name));
    return Badge(badge);
}

}  // namespace tv
