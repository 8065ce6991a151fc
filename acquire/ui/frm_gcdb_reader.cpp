#include "acquire/ui/frm_gcdb_reader.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/ui/qt_text.h"

namespace tv {

TfrmGCDBReader::TfrmGCDBReader(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName("frmGCDBReader");
    setWindowTitle(QStringLiteral("Cache-DB einlesen / konvertieren"));
    setModal(false);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    auto* source = new QGroupBox(QStringLiteral("Quelldatei"), this);
    lblSourceName = new QLabel(source);
    lblSourceName->setObjectName("lblSourceName");
    (new QVBoxLayout(source))->addWidget(lblSourceName);
    auto* dest = new QGroupBox(QStringLiteral("Zieldatei"), this);
    lblDestName = new QLabel(dest);
    lblDestName->setObjectName("lblDestName");
    (new QVBoxLayout(dest))->addWidget(lblDestName);
    Label2 = new QLabel(QString::fromUtf8("Anzahl verarbeiteter Datensätze:"), this);
    Label2->setObjectName("Label2");
    lblAnz = new QLabel(QStringLiteral("0"), this);
    lblAnz->setObjectName("lblAnz");
    lblAnz->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* count = new QHBoxLayout;
    count->addWidget(Label2);
    count->addWidget(lblAnz, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(source);
    layout->addWidget(dest);
    layout->addLayout(count);
    setMinimumWidth(460);

    NationalDbEvents& ev = converter_.Events();
    ev.action = [this](const std::string& text) {
        Label1->setText(ToQ(text));
        // Both phases show the two files they work on.
        lblSourceName->setText(ToQ(source_));
        lblDestName->setText(ToQ(dest_));
    };
    ev.progress = [this](int n) { lblAnz->setText(QString::number(n)); };
    ev.showDetails = [this](const TCacheRec& rec) {
        if (showDetails) showDetails(rec);
    };
}

void TfrmGCDBReader::SetSourceName(const std::string& path) {
    source_ = path;
    converter_.SetSourceName(path);
}

void TfrmGCDBReader::SetDestName(const std::string& path) {
    dest_ = path;
    converter_.SetDestName(path);
}

int TfrmGCDBReader::ConverteHTTP(bool ShowNearest) { return converter_.ConverteHTTP(ShowNearest); }

}  // namespace tv
