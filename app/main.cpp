// quillard: the desktop editor and compiler of the steering machine's programs.
#include "app/Mainform.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillard 1.5");
    TForm1 form;
    form.CreateDialogs();
    // Without a window manager "maximised" means nothing: start at the screen's working area.
    if (QScreen *screen = QGuiApplication::primaryScreen()) form.setGeometry(screen->availableGeometry());
    form.showMaximized();
    return QApplication::exec();
}
