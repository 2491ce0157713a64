// Pieces that several dialogs are built from.
#include "uikit/Forms.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

DialogButtons AddDialogButtons(QDialog *dialog, QBoxLayout *layout, bool withHelp) {
    auto *box = new QDialogButtonBox(dialog);
    DialogButtons buttons;
    buttons.ok = box->addButton(QDialogButtonBox::Ok);
    buttons.cancel = box->addButton(QDialogButtonBox::Cancel);
    buttons.ok->setObjectName("OKBtn");
    buttons.cancel->setObjectName("CancelBtn");
    if (withHelp) {
        buttons.help = box->addButton(QDialogButtonBox::Help);
        buttons.help->setObjectName("HelpBtn");
        buttons.help->setEnabled(false);
    }
    layout->addWidget(box);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}

QRadioButton *AddChoice(QVBoxLayout *layout, QWidget *parent, const char *name, const char *text,
                        const QStringList &notes, const char *caption) {
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(name);
    layout->addWidget(button);
    if (caption) {
        auto *heading = new QLabel(caption, parent);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        heading->setContentsMargins(20, 0, 0, 0);
        layout->addWidget(heading);
    }
    auto *note = new QLabel(notes.join('\n'), parent);
    note->setContentsMargins(20, 0, 0, 6);
    layout->addWidget(note);
    return button;
}

QString FromPath(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string ToPath(const QString &path) { return QFile::encodeName(path).toStdString(); }

QPlainTextEdit *FixedFontMemo(QWidget *parent, const char *name, bool wrapLines) {
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(wrapLines ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return memo;
}
