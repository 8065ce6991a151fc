#pragma once
// "Load from URL": fetches one address as text, shows the bytes received,
// saves the lines with CR LF and keeps the line count for the caller. Made
// for one download and freed afterwards; the download starts 250 ms after
// the window is shown and the window closes itself when it succeeded. A
// failure is shown in a box and the window stays open until it is closed.
#include <QDialog>
#include <string>

#include "acquire/url_loader.h"

class QLabel;
class QTimer;

namespace tv {

class TfrmLoadURL : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLoadURL(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblURL = nullptr;
    QLabel* lblBytes = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblProxy = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lblStatus = nullptr;
    QTimer* Timer1 = nullptr;

    void SetURL(const std::string& url) { loader_.SetURL(url); }
    void SetDestFile(const std::string& path) { loader_.SetDestFile(path); }
    void SetMemoryOnly(bool flag) { loader_.SetMemoryOnly(flag); }
    void SetProxy(const std::string& address, bool useCredentials, const std::string& user,
                  const std::string& password) {
        loader_.SetProxy(address, useCredentials, user, password);
    }

    // After the window has closed.
    int LineCount() const { return loader_.LineCount(); }
    const std::string& Text() const { return loader_.Text(); }
    // Whether the last download worked.
    bool Succeeded() const { return succeeded_; }

    // Runs once: the download, then the window closes (on success).
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    UrlLoader loader_;
    bool succeeded_ = false;
};

}  // namespace tv
