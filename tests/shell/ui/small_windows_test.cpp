// The small windows offscreen: wait window, input line, ROT13, type filter
// and About box / splash.
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QApplication>
#include <QKeyEvent>

#include "core/app_paths.h"
#include "core/proc_settings.h"
#include "shell/ui/frm_about.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/ui/frm_cache_filter.h"
#include "shell/ui/frm_input_line.h"
#include "shell/ui/frm_wait.h"
#include "support/temp_dir.h"
#include "platform/ui/qt_text.h"

namespace tv {
namespace {

TEST(WaitWindow, IsTheProgressServiceAndShowsItsAction) {
    platform::ScopedFakes fakes;
    TfrmWait w;

    const auto previous = InstallWaitWindow(w);
    EXPECT_EQ(&platform::progress(), &w);
    EXPECT_EQ(previous.progress, &fakes.progress);
    // Only the progress slot changed.
    EXPECT_EQ(&platform::messages(), &fakes.messages);

    platform::progress().setRange(0, 500);
    platform::progress().setPosition(200);
    EXPECT_FALSE(w.isVisible());
    const int pumps = fakes.pump.pumps;
    platform::progress().setAction(W("Cacheliste wird gelesen für Ämter"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(fakes.pump.pumps, pumps + 1);
    EXPECT_EQ(w.lblAction->text(), U("Cacheliste wird gelesen für Ämter"));
    EXPECT_EQ(w.Progress->value(), 200);
    platform::progress().hide();
    EXPECT_FALSE(w.isVisible());
    platform::install(previous);
}


TEST(InputLineWindow, TypedUmlautsStayInTheFolderName) {
    TfrmInputLine w;
    w.show();
    // Typed key by key, as a keyboard with these letters sends them.
    for (const QChar ch : U("Übersee/-Tour: 2€")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w.edName, &press);
    }
    EXPECT_EQ(w.edName->text(), U("Übersee-Tour 2"));
    EXPECT_TRUE(w.btnOK->isEnabled());
    EXPECT_EQ(w.GetText(), W("Übersee-Tour 2"));
    w.SetText(W("Grüße aus Köln"));
    EXPECT_EQ(w.edName->text(), U("Grüße aus Köln"));
}

// The About box and the documentation command open the page shipped in the
// program folder, never an address on a server.
TEST(AboutBox, LinksOnlyTheShippedDocumentation) {
    platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    const std::string previous = ProgramDir();
    SetProgramDir(dir.str());
    TfrmAbout about(true);
    for (QPushButton* b : about.findChildren<QPushButton*>())
        EXPECT_FALSE(b->toolTip().contains(QStringLiteral("://"))) << b->text().toStdString();

    // Missing page: said in German, nothing opened.
    about.btnDoc->click();
    EXPECT_TRUE(fakes.shell.opened.empty());
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text.rfind(W("Die Dokumentation wurde nicht gefunden:\r\n") + dir.str() +
                                                     "Dokumentation.html",
                                                 0),
              0u);

    dir.write("Dokumentation.html", "<html></html>");
    about.btnDoc->click();
    EXPECT_EQ(fakes.shell.opened, (std::vector<std::string>{dir.str() + "Dokumentation.html"}));
    EXPECT_EQ(about.btnDoc->toolTip(), ToQ(dir.str() + "Dokumentation.html"));
    SetProgramDir(previous);
}

}  // namespace
}  // namespace tv
