// quillard: the desktop editor and compiler of the steering machine's programs.
#include "app/Mainform.h"
#include "romfiles/Prefdlg.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillard 1.5");
    Settings().startupDir = QDir::currentPath().toStdString();
    TForm1 form;
    form.CreateDialogs();
    // Without a window manager "maximised" means nothing: start at the screen's working area.
    if (QScreen *screen = QGuiApplication::primaryScreen()) form.setGeometry(screen->availableGeometry());
    form.showMaximized();
    return QApplication::exec();
}
