// The fields that name a log file and its columns, shared by the dialogs that read a log.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

// The first entry of a column list: no column named, the reader's own choice.
extern const char *const AutomaticColumn;

// A log file's name with a Browse... button beside it.
struct LogFileRow {
    QLineEdit *edit;
    QPushButton *browse;
    QHBoxLayout *layout;
};
LogFileRow MakeLogFileRow(QWidget *parent);

// An editable list of a log's columns (a name or a number from 1 that the list does not offer),
// whose first entry stands for no column named.
QComboBox *ColumnBox(QWidget *parent, const char *name, const char *first = AutomaticColumn);
// The column as the log reader takes it: empty for the first entry, else the text as typed or chosen.
std::string ColumnOf(const QComboBox *box);
// Chooses a column by its text; an empty one chooses the first entry.
void SetColumn(QComboBox *box, const QString &column);
// Fills the list with a header's names, keeping the column typed or chosen.
void FillColumns(QComboBox *box, const QStringList &names);
// The column names in the header of a log file: none when it has no header or cannot be read, and
// then why in `error` for a file that cannot be read.
QStringList HeaderColumns(const QString &path, QString *error = nullptr);
// Asks for an existing log file, starting in the folder of the current one; empty when cancelled.
QString ChooseLogFile(QWidget *parent, const QString &title, const QString &current);
