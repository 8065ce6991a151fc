#pragma once
// A captioned group of radio buttons, numbered 0.. in the order given.
#include <initializer_list>

class QButtonGroup;
class QGroupBox;
class QObject;

namespace tv {

enum class RadioFill { RowByRow, ColumnByColumn };

// Lays the items out in `columns` columns, filled row by row or column by
// column; `checked` is the id to tick first (-1: none). The button group is
// returned through `group` and owned by `owner`.
QGroupBox* RadioGroup(const char* caption, std::initializer_list<const char*> items, int columns, QButtonGroup*& group,
                      QObject* owner, int checked = -1, RadioFill fill = RadioFill::RowByRow);

// The checked id, 0 when none is checked.
int CheckedId(const QButtonGroup* group);

}  // namespace tv
