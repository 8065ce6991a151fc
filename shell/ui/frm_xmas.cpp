#include "shell/ui/frm_xmas.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

TfrmXMas::TfrmXMas() : QDialog(nullptr) {
    setObjectName("frmXMas");
    setWindowTitle(QString::fromUtf8("Fröhliche Weihnachten"));
    auto* pictures = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        img[i] = new QLabel(this);
        img[i]->setObjectName(QStringLiteral("img%1").arg(i + 1));
        img[i]->setAlignment(Qt::AlignCenter);
        pictures->addWidget(img[i]);
    }
    auto* greeting = new QLabel(QString::fromUtf8("Frohe Weihnachten und ein gesundes neues Jahr\n"
                                                  "mit vielen schönen Geocaches!"),
                                this);
    QFont bold = greeting->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    greeting->setFont(bold);
    greeting->setAlignment(Qt::AlignCenter);
    btnOK = new QPushButton(QString::fromUtf8("Weiter geht's !"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnOK);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures);
    layout->addWidget(greeting);
    layout->addLayout(bottom);
}

}  // namespace tv
