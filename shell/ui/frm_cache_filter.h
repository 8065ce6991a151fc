#pragma once
// The cache-type filter of the radius search: one box per cache type. OK keeps
// the ticks, Abbrechen restores those the window was shown with.
#include <QDialog>

#include "shell/cache_filter.h"

class QCheckBox;
class QPushButton;

namespace tv {

class TfrmCacheFilter : public QDialog {
    Q_OBJECT

public:
    TfrmCacheFilter();

    QCheckBox* cbTrad = nullptr;
    QCheckBox* cbMulti = nullptr;
    QCheckBox* cbVirtual = nullptr;
    QCheckBox* cbLetter = nullptr;
    QCheckBox* cbEvent = nullptr;
    QCheckBox* cbWebcam = nullptr;
    QCheckBox* cbMystery = nullptr;
    QCheckBox* cbLocless = nullptr;
    QCheckBox* cbCITO = nullptr;
    QCheckBox* cbEarth = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The state of the box of the type number (low 7 bits; false above 9).
    bool IsTypeSelected(int type) const;
    // The ten boxes in type order, and setting them (as if confirmed).
    TypeFilterBoxes Selection() const;
    void SetSelection(const TypeFilterBoxes& boxes);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* box(std::size_t type) const;
    TypeFilterBoxes shown_{};  // the last confirmed ticks
};

}  // namespace tv
