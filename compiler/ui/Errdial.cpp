// The Messages dialog: the message lines of the last compile in a read-only memo.
#include "compiler/ui/Errdial.h"

#include "compiler/tokens.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

TErrDialog::TErrDialog(QWidget *parent) : QDialog(parent) {
    setObjectName("ErrDialog");
    setWindowTitle("Messages");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setFixedSize(554, 241);

    auto *bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 8, 538, 190);
    ErrMemo = new QPlainTextEdit(bevel);
    ErrMemo->setObjectName("ErrMemo");
    ErrMemo->setReadOnly(true);
    // A long message wraps rather than running out of sight: a memo line stays one message.
    ErrMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ErrMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ErrMemo->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    ErrMemo->setGeometry(6, 6, 526, 178);
    ErrMemo->viewport()->installEventFilter(this);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(380, 206, 75, 25);
    OKBtn->setDefault(true);
    HelpBtn = new QPushButton("&Help", this);
    HelpBtn->setObjectName("HelpBtn");
    HelpBtn->setGeometry(464, 206, 75, 25);
    HelpBtn->setEnabled(false);
    connect(OKBtn, &QPushButton::clicked, this, &TErrDialog::OKBtnClick);
}

void TErrDialog::SetLines(const std::vector<std::string> &lines) {
    QStringList text;
    for (const auto &line : lines) text << FromLatin1(line);
    ErrMemo->setPlainText(text.join('\n'));
}

void TErrDialog::ShowCompileMessages(const CompilerState &state) {
    SetLines(state.messageLines);
    OKBtn->setFocus();
    RunModal(*this);
}

void TErrDialog::OKBtnClick() { accept(); }

bool TErrDialog::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ErrMemo->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const QPoint position = static_cast<QMouseEvent *>(event)->position().toPoint();
        const QByteArray text = ErrMemo->cursorForPosition(position).block().text().toLatin1();
        if (const int line = MessageLineNumber(text.toStdString()); line > 0) {
            accept();
            emit lineChosen(line);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
