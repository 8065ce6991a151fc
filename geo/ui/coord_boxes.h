#pragma once
// Key filters of the coordinate boxes: digits only, or digits and '.' with a
// typed or pasted ',' turned into '.'.
#include <QValidator>

class QComboBox;
class QLineEdit;

namespace tv {

class CoordBoxValidator : public QValidator {
    Q_OBJECT

public:
    CoordBoxValidator(bool allowPoint, QObject* parent) : QValidator(parent), allowPoint_(allowPoint) {}
    State validate(QString& input, int& pos) const override;

private:
    bool allowPoint_;
};

// A line edit with the filter and a length limit.
QLineEdit* NewCoordBox(QWidget* parent, const char* name, int maxLength, bool allowPoint, const QString& text = {});
// A hemisphere choice with two items ("Nord"/"Süd" or "Ost"/"West").
QComboBox* NewHemisphereBox(QWidget* parent, const char* name, bool latitude);

}  // namespace tv
