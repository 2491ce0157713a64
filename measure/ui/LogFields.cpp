#include "measure/ui/LogFields.h"

#include "measure/logfile.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

const char *const AutomaticColumn = "(automatic)";

namespace {

// A header is far shorter than this; the rest of a large log is not read for it.
constexpr qint64 HeaderBytes = 64 * 1024;

} // namespace

LogFileRow MakeLogFileRow(QWidget *parent) {
    LogFileRow row{new QLineEdit(parent), new QPushButton("Browse...", parent), new QHBoxLayout};
    row.edit->setObjectName("FileEdit");
    row.edit->setMinimumWidth(320);
    row.browse->setObjectName("BrowseBtn");
    row.layout->addWidget(row.edit, 1);
    row.layout->addWidget(row.browse);
    return row;
}

QComboBox *ColumnBox(QWidget *parent, const char *name, const char *first) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->addItem(first);
    box->setMinimumContentsLength(18);
    return box;
}

std::string ColumnOf(const QComboBox *box) {
    const QString text = box->currentText().trimmed();
    return box->currentIndex() == 0 && text == box->itemText(0) ? std::string() : Latin1Line(text);
}

void SetColumn(QComboBox *box, const QString &column) {
    if (column.isEmpty())
        box->setCurrentIndex(0);
    else
        box->setCurrentText(column);
}

void FillColumns(QComboBox *box, const QStringList &names) {
    const QString chosen = box->currentIndex() == 0 ? QString() : box->currentText();
    while (box->count() > 1) box->removeItem(1);
    box->addItems(names);
    SetColumn(box, chosen);
}

QStringList HeaderColumns(const QString &path, QString *error) {
    QFile file(path);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return names;
    }
    const QByteArray start = file.read(HeaderBytes);
    for (const std::string &name :
         LogColumnNames(std::string_view(start.constData(), static_cast<std::size_t>(start.size()))))
        names << FromLatin1(name);
    return names;
}

QString ChooseLogFile(QWidget *parent, const QString &title, const QString &current) {
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = title;
    request.directory = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    request.filters = {"Logs (*.csv *.txt *.tsv *.dat *.log *.vbo *.VBO)", "All files (*)"};
    request.mustExist = true;
    return ChooseFile(parent, request);
}
