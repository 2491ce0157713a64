// quillard: the desktop editor and compiler of the steering machine's programs.
// Usage: quillard [program-set.rom]
#include "app/Mainform.h"
#include "app/SetFiles.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/Prefdlg.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

int main(int argc, char *argv[]) {
    ReserveStandardDescriptors(); // Qt's remarks on stderr never go into a file being written
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillard 1.5");
    Settings().startupDir = QDir::currentPath().toStdString();
    const QDir config(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    SetRecentSetsFile(config.filePath("quillard/recent-sets.conf"));
    SetPreferencesFile(config.filePath("quillard/quillard.conf"));
    TForm1 form;
    form.CreateDialogs();
    // Without a window manager "maximised" means nothing: start at the screen's working area.
    if (QScreen *screen = QGuiApplication::primaryScreen()) form.setGeometry(screen->availableGeometry());
    form.showMaximized();
    form.OpenArguments(QApplication::arguments().mid(1));
    return QApplication::exec();
}
