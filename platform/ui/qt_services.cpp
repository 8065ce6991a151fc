#include "platform/ui/qt_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTranslator>
#include <QUrl>

#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"

namespace tv::platform {

namespace {

QString DefaultCaption(MsgKind kind) {
    switch (kind) {
        case MsgKind::Information: return QStringLiteral("Information");
        case MsgKind::Warning: return QStringLiteral("Warnung");
        case MsgKind::Error: return QStringLiteral("Fehler");
        case MsgKind::Confirmation: return QString::fromUtf8("Bestätigung");
    }
    return {};
}

QMessageBox::Icon IconOf(MsgKind kind) {
    switch (kind) {
        case MsgKind::Information: return QMessageBox::Information;
        case MsgKind::Warning: return QMessageBox::Warning;
        case MsgKind::Error: return QMessageBox::Critical;
        case MsgKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

std::string StripSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

}  // namespace

// Boxes and pickers open over the modal dialog that is waiting for an answer,
// even while no window is active for a moment (a box that has just closed,
// the window manager still deciding): over the main window they would raise
// it above that dialog and hide it. Else over the active window; while none
// is active (no window manager yet, or the program still starting) over the
// visible main window, so they never sit apart on the screen.
QWidget* DialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    QWidget* fallback = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::ToolTip) continue;
        if (w->inherits("QMainWindow")) return w;
        if (!fallback) fallback = w;
    }
    return fallback;
}

// A name from a dialog or a drop in the program's code page; a name it
// cannot hold is reported and refused instead of being mangled.
std::optional<std::string> PathFromQ(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    if (auto p = Utf8ToCp1252Exact(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())))) return p;
    messages().show(MsgKind::Error, UnrepresentableNameText(utf8.toStdString()), MsgButtons::Ok, {});
    return std::nullopt;
}

MsgResult QtMessageBox::show(MsgKind kind, const std::string& text, MsgButtons buttons, const std::string& caption,
                             MsgDefault defaultButton) {
    // The wait window stays on top of every window: a box under it could be
    // neither read nor answered.
    progress().hide();
    QString body = ToQ(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(IconOf(kind), caption.empty() ? DefaultCaption(kind) : ToQ(caption), body, QMessageBox::NoButton,
                    DialogParent());
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* cancel = nullptr;
    if (buttons == MsgButtons::Ok) {
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    } else {
        yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        if (buttons == MsgButtons::YesNoCancel) cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        box.setDefaultButton(defaultButton == MsgDefault::No ? no : yes);
        box.setEscapeButton(cancel ? cancel : no);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes) return MsgResult::Yes;
    if (clicked && clicked == no) return MsgResult::No;
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    if (clicked && clicked == cancel) return MsgResult::Cancel;
    return cancel ? MsgResult::Cancel : MsgResult::No;
}

std::optional<std::string> QtFileDialogs::openFile(const std::string& title, const std::string& filter,
                                                   const std::string& startDir) {
    QString f = QFileDialog::getOpenFileName(DialogParent(), ToQ(title), ToQ(startDir), ToQ(filter));
    if (f.isEmpty()) return std::nullopt;
    return PathFromQ(f);
}

std::optional<std::vector<std::string>> QtFileDialogs::openFiles(const std::string& title, const std::string& filter,
                                                                 const std::string& startDir) {
    QStringList files =
        QFileDialog::getOpenFileNames(DialogParent(), ToQ(title), ToQ(startDir), ToQ(filter));
    if (files.isEmpty()) return std::nullopt;
    std::vector<std::string> out;
    for (const QString& f : files)
        if (auto p = PathFromQ(f)) out.push_back(*p);
    if (out.empty()) return std::nullopt;
    return out;
}

std::optional<std::string> QtFileDialogs::saveFile(const std::string& title, const std::string& filter,
                                                   const std::string& startPath) {
    QString f = QFileDialog::getSaveFileName(DialogParent(), ToQ(title), ToQ(startPath), ToQ(filter));
    if (f.isEmpty()) return std::nullopt;
    return PathFromQ(f);
}

std::optional<std::string> QtFileDialogs::saveFileFiltered(const std::string& title, const std::string& filter,
                                                           const std::string& selectedFilter,
                                                           const std::string& startPath) {
    QString selected = ToQ(selectedFilter);
    QString f = QFileDialog::getSaveFileName(DialogParent(), ToQ(title), ToQ(startPath), ToQ(filter), &selected);
    if (f.isEmpty()) return std::nullopt;
    return PathFromQ(f);
}

std::optional<std::string> QtFileDialogs::chooseFolder(const std::string& title, const std::string& startDir) {
    QString d = QFileDialog::getExistingDirectory(DialogParent(), ToQ(title), ToQ(startDir));
    if (d.isEmpty()) return std::nullopt;
    auto p = PathFromQ(d);
    if (!p) return std::nullopt;
    return StripSlash(*p);
}

bool QtShellOpen::open(const std::string& pathOrUrl) {
    const QString s = ToQ(pathOrUrl);
    const bool isUrl = s.contains(QStringLiteral("://")) || s.startsWith(QStringLiteral("mailto:"));
    return QDesktopServices::openUrl(isUrl ? QUrl(s) : QUrl::fromLocalFile(s));
}

void QtClipboard::setText(const std::string& text) { QGuiApplication::clipboard()->setText(ToQ(text)); }

std::string QtClipboard::text() { return FromQ(QGuiApplication::clipboard()->text()); }

DateTime QtClock::now() {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime h = t.time();
    return DateTime{d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second(), h.msec()};
}

void QtEventPump::pump() { QCoreApplication::processEvents(); }

void QtEventPump::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QtProgress::QtProgress() = default;
QtProgress::~QtProgress() {
    if (dialog_ && QCoreApplication::instance()) delete dialog_.data();
}

QProgressDialog& QtProgress::dialog() {
    if (!dialog_) {
        dialog_ = new QProgressDialog;
        dialog_->setWindowTitle(QStringLiteral("Bitte warten"));
        dialog_->setCancelButton(nullptr);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->reset();
        dialog_->hide();
    }
    return *dialog_;
}

void QtProgress::setRange(int minimum, int maximum) { dialog().setRange(minimum, maximum); }
void QtProgress::setPosition(int position) { dialog().setValue(position); }

void QtProgress::setAction(const std::string& text) {
    dialog().setLabelText(ToQ(text));
    dialog().show();
    QCoreApplication::processEvents();
}

void QtProgress::hide() {
    if (dialog_) dialog_->hide();
}

Services InstallQtServices() {
    static QtMessageBox messages;
    static QtFileDialogs files;
    static QtShellOpen shell;
    static QtClipboard clipboard;
    static QtClock clock;
    static QtEventPump pump;
    static QtProgress progress;
    return install({&messages, &files, &shell, &clipboard, &clock, &pump, &progress});
}

bool InstallGermanQtTranslations() {
    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool any = false;
    for (const char* name : {"qtbase", "qt"}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(german, QString::fromLatin1(name), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            any = true;
        } else {
            delete translator;
        }
    }
    return any;
}

}  // namespace tv::platform
