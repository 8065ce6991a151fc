#include "geo/ui/coord_boxes.h"

#include <QComboBox>
#include <QLineEdit>

#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"

namespace tv {

QValidator::State CoordBoxValidator::validate(QString& input, int&) const {
    if (allowPoint_) input.replace(QLatin1Char(','), QLatin1Char('.'));
    for (const QChar ch : input) {
        if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) continue;
        if (allowPoint_ && ch == QLatin1Char('.')) continue;
        return Invalid;
    }
    return Acceptable;
}

QLineEdit* NewCoordBox(QWidget* parent, const char* name, int maxLength, bool allowPoint, const QString& text) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaxLength(maxLength);
    box->setValidator(new CoordBoxValidator(allowPoint, box));
    return box;
}

QComboBox* NewHemisphereBox(QWidget* parent, const char* name, bool latitude) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    if (latitude)
        box->addItems({QStringLiteral("Nord"), ToQ(W("Süd"))});
    else
        box->addItems({QStringLiteral("Ost"), QStringLiteral("West")});
    return box;
}

}  // namespace tv
