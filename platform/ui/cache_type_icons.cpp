#include "platform/ui/cache_type_icons.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace tv {

namespace {

struct TypeLook {
    const char* letter;
    QColor color;
};

}  // namespace

QIcon CacheTypeIcon(int image) {
    static const std::array<TypeLook, 11> kLooks = {{
        {"T", QColor(0x2e, 0x8b, 0x3a)},  // traditional
        {"M", QColor(0xe0, 0x8a, 0x00)},  // multi
        {"V", QColor(0x3a, 0x7b, 0xd5)},  // virtual
        {"L", QColor(0x1f, 0x3f, 0x8f)},  // letterbox
        {"E", QColor(0xc0, 0x2b, 0x2b)},  // event
        {"W", QColor(0x70, 0x70, 0x70)},  // webcam
        {"?", QColor(0x25, 0x5d, 0xb5)},  // mystery
        {"R", QColor(0x9b, 0x59, 0xb6)},  // locationless
        {"C", QColor(0x16, 0xa0, 0x85)},  // cache in trash out
        {"G", QColor(0x8b, 0x5a, 0x2b)},  // earthcache
        {"-", QColor(0xa0, 0xa0, 0xa0)},  // other / not in the database
    }};
    // Kept for the whole run (never destroyed after the application).
    static auto& icons = *new std::array<QIcon, 11>;
    const auto i = static_cast<std::size_t>(image >= 0 && image <= 10 ? image : 10);
    if (icons[i].isNull()) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(kLooks[i].color);
        p.setPen(kLooks[i].color.darker(130));
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        QFont f = p.font();
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromLatin1(kLooks[i].letter));
        p.end();
        icons[i] = QIcon(pm);
    }
    return icons[i];
}

}  // namespace tv
