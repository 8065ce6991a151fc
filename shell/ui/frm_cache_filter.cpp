#include "shell/ui/frm_cache_filter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/ui/dialog_buttons.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmCacheFilter::TfrmCacheFilter() : QDialog(nullptr) {
    setObjectName("frmCacheFilter");
    setWindowTitle(QStringLiteral("Cachefilter"));
    auto* group = new QGroupBox(QStringLiteral("Cachetypen"), this);
    auto* label = new QLabel(
        QString::fromUtf8("Bei der Radiussuche nur folgende Cachetypen berücksichtigen:"), group);
    label->setWordWrap(true);
    auto make = [group](const char* name, const char* caption) {
        auto* cb = new QCheckBox(QString::fromUtf8(caption), group);
        cb->setObjectName(QString::fromLatin1(name));
        cb->setChecked(true);
        return cb;
    };
    cbTrad = make("cbTrad", "Traditional");
    cbMulti = make("cbMulti", "Multi");
    cbVirtual = make("cbVirtual", "Virtual");
    cbLetter = make("cbLetter", "Letterbox");
    cbEvent = make("cbEvent", "Event");
    cbWebcam = make("cbWebcam", "Webcam");
    cbMystery = make("cbMystery", "Mystery");
    cbLocless = make("cbLocless", "Locationless");
    cbCITO = make("cbCITO", "CITO-Event");
    cbEarth = make("cbEarth", "Earth");

    auto* grid = new QGridLayout(group);
    grid->addWidget(label, 0, 0, 1, 2);
    for (std::size_t t = 0; t < 10; ++t)
        grid->addWidget(box(t), 1 + static_cast<int>(t % 5), static_cast<int>(t / 5));

    auto* buttons = OkCancelButtons(this, btnOK, btnCancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    shown_ = Selection();
}

QCheckBox* TfrmCacheFilter::box(std::size_t type) const {
    QCheckBox* const boxes[10] = {cbTrad,  cbMulti,   cbVirtual, cbLetter, cbEvent,
                                  cbWebcam, cbMystery, cbLocless, cbCITO,   cbEarth};
    return boxes[type];
}

TypeFilterBoxes TfrmCacheFilter::Selection() const {
    TypeFilterBoxes b{};
    for (std::size_t t = 0; t < b.size(); ++t) b[t] = box(t)->isChecked();
    return b;
}

void TfrmCacheFilter::SetSelection(const TypeFilterBoxes& boxes) {
    for (std::size_t t = 0; t < boxes.size(); ++t) box(t)->setChecked(boxes[t]);
    shown_ = boxes;
}

bool TfrmCacheFilter::IsTypeSelected(int type) const { return tv::IsTypeSelected(Selection(), type); }

void TfrmCacheFilter::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) shown_ = Selection();
}

void TfrmCacheFilter::done(int result) {
    if (result == QDialog::Accepted)
        shown_ = Selection();
    else
        SetSelection(shown_);
    QDialog::done(result);
}

}  // namespace tv
