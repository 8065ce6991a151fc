#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Trailvane");
    QMainWindow w;
    w.setWindowTitle("Trailvane");
    w.show();
    return app.exec();
}
