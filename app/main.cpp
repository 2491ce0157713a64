// quillard: the desktop editor and compiler of the steering machine's programs.
// Usage: quillard [program-set.rom]
#include "app/Mainform.h"
#include "app/SetFiles.h"
#include "romfiles/fileio.h"
#include "uikit/Settings.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>
#include <string_view>

namespace {

const char *const Usage = R"(Usage: quillard [SET.rom]
The desktop editor and compiler of steering machine programs: 16 program editors, Show (the
graph of a program), Build (the EPROM and aux files of the set), templates, import, export and
printing. SET.rom is opened at start; without it the set holds 16 default programs.

Options:
  -h, --help     print this text and exit
  --version      print the version and exit
The options of Qt (-platform NAME, -style NAME, ...) are taken too.

quillard-cli does the same from a terminal or a script: see quillard-cli --help.
)";

// --help and --version are answered before the window's application starts: they need no display.
bool AnswersWithoutWindow(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") return false;
        if (argument == "-h" || argument == "--help") {
            std::fputs(Usage, stdout);
            return true;
        }
        if (argument == "--version") {
            std::fputs("quillard " QUILLARD_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[]) {
    ReserveStandardDescriptors(); // Qt's remarks on stderr never go into a file being written
    if (AnswersWithoutWindow(argc, argv)) return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 2;
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
