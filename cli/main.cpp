// quillard-cli: the headless front end of Quillard.
#include "cli/commands.h"

#include "romfiles/fileio.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>

namespace {

// Runs the command; --strict turns its success into 1 when a compile raised a warning or a notice.
int Run(const CliOptions &options, int argc, char **argv) {
    if (options.command == "help") {
        WriteOut(UsageText());
        return 0;
    }
    if (options.command == "template-help") {
        WriteOut(TemplateHelpText(*FindTemplate(options.templateName)));
        return 0;
    }
    if (options.command == "version") {
        WriteOut("quillard-cli " QUILLARD_VERSION "\n");
        return 0;
    }
    if (options.command == "bash-completion") {
        WriteOut(BashCompletionScript());
        return 0;
    }
    const Command &command = *FindCommand(options.command);
    std::unique_ptr<QGuiApplication> application;
    if (command.draws && command.draws(options)) {
        // stderr carries the compile's notices and failures only, not Qt's remarks.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        // Drawing needs fonts, not a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    int status = 0;
    try {
        status = command.run(options);
    } catch (const FileError &e) { // the one place where a file that failed becomes "FILE: reason"
        throw InputError(e.path(), e.reason());
    }
    return status == 0 && options.strict && Findings().Any() ? 1 : status;
}

} // namespace

int main(int argc, char **argv) {
    // A closed descriptor 0, 1 or 2 would be taken by the first file opened, and what is printed would
    // go into it. A closed pipe on stdout is a failed write, reported like any other.
    ReserveStandardDescriptors();
    std::signal(SIGPIPE, SIG_IGN);
    // File names reach the core byte for byte, whatever their encoding.
    const std::vector<std::string> arguments(argv, argv + argc);
    std::string concerned; // the file a failed allocation is reported for
    try {
        CliOptions options = ParseArguments(arguments);
        concerned = options.files.empty() ? options.output : options.files.front();
        const int status = Run(options, argc, argv);
        FinishStandardOutput();
        return status;
    } catch (const std::bad_alloc &) {
        const std::string what = "out of memory";
        std::fprintf(stderr, "quillard-cli: %s\n",
                     (concerned.empty() ? what : DisplayName(concerned) + ": " + what).c_str());
    } catch (const std::exception &e) { // UsageError, InputError and whatever else stopped the command
        std::fprintf(stderr, "quillard-cli: %s\n", PrintableText(e.what()).c_str());
    }
    return 2;
}
