// The quillard program as a process: stopped by SIGINT, SIGTERM or SIGHUP while it shows a graph, it
// leaves nothing in the temporary folder, as at shut-down.
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

class TestMain : public QObject {
    Q_OBJECT

    QTemporaryDir m_base;

    QString Folder(const QString &name) {
        const QString path = m_base.filePath(name);
        QDir().mkpath(path);
        return path;
    }
    // What the temporary folder holds, folders and files, at any depth.
    static QStringList Left(const QString &tmp) {
        QStringList left;
        QDirIterator it(tmp, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) left << QDir(tmp).relativeFilePath(it.next());
        return left;
    }

private slots:
    void initTestCase() { QVERIFY(m_base.isValid()); }

    void aStoppingSignalLeavesNoTemporaryFiles_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void aStoppingSignalLeavesNoTemporaryFiles() {
        QFETCH(int, signalNumber);
        const QString name = QTest::currentDataTag();
        const QString tmp = Folder(name + "/tmp"), config = Folder(name + "/config/quillard"),
                      work = Folder(name + "/work"), runtime = Folder(name + "/runtime");
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // Live Show left on draws the graph, and writes its snapshot, as soon as the window is up; the
        // defaults file spares the first-run dialog.
        QFile preferences(config + "/quillard.conf");
        QVERIFY(preferences.open(QIODevice::WriteOnly));
        preferences.write("[view]\nliveShow=true\n");
        preferences.close();
        QFile defaults(work + "/quildf.txt");
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        for (const QString &line : {QString("default directories"), QString(), work, work, work, QString(),
                                    QString("Corvan 3 compatibility only selected")})
            defaults.write(line.toLocal8Bit() + "\r\n");
        defaults.close();

        QProcess window;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("TMPDIR", tmp);
        environment.insert("XDG_CONFIG_HOME", m_base.filePath(name + "/config"));
        environment.insert("XDG_RUNTIME_DIR", runtime);
        window.setProcessEnvironment(environment);
        window.setWorkingDirectory(work);
        window.start(QUILLARD_WINDOW, {});
        QVERIFY2(window.waitForStarted(), qPrintable(window.errorString()));
        // The window is up once its graph's snapshot is in a folder of its own under TMPDIR; one that
        // stops before says why.
        QElapsedTimer waited;
        waited.start();
        while (Left(tmp).filter("imgsave.bmp").isEmpty() && window.state() == QProcess::Running &&
               waited.elapsed() < 120000)
            QTest::qWait(50);
        QVERIFY2(Left(tmp).filter("imgsave.bmp").size() == 1, window.readAllStandardError().constData());
        QVERIFY(::kill(static_cast<pid_t>(window.processId()), signalNumber) == 0);
        QVERIFY(window.waitForFinished(60000));
        QCOMPARE(window.exitStatus(), QProcess::CrashExit); // stopped by the signal, not exited
        QVERIFY2(Left(tmp).isEmpty(), qPrintable(Left(tmp).join(", ")));
    }
};

QTEST_MAIN(TestMain)
#include "test_main.moc"
