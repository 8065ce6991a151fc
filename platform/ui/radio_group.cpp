#include "platform/ui/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

#include "platform/ui/qt_text.h"

namespace tv {

QGroupBox* RadioGroup(const char* caption, std::initializer_list<const char*> items, int columns, QButtonGroup*& group,
                      QObject* owner, int checked, RadioFill fill) {
    auto* box = new QGroupBox(U(caption));
    auto* grid = new QGridLayout(box);
    group = new QButtonGroup(owner);
    const int count = static_cast<int>(items.size());
    const int rows = (count + columns - 1) / columns;
    int i = 0;
    for (const char* item : items) {
        auto* rb = new QRadioButton(U(item));
        group->addButton(rb, i);
        if (fill == RadioFill::RowByRow)
            grid->addWidget(rb, i / columns, i % columns);
        else
            grid->addWidget(rb, i % rows, i / rows);
        ++i;
    }
    if (checked >= 0 && checked < count) group->button(checked)->setChecked(true);
    return box;
}

int CheckedId(const QButtonGroup* group) { return group->checkedId() < 0 ? 0 : group->checkedId(); }

}  // namespace tv
