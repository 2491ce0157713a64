// The aux view dialog: which aux ROM bits are drawn over the program graph, and in which colour.
#include "graph/ui/Auxbview.h"

#include "uikit/Forms.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

ColorChooser &Chooser() {
    static ColorChooser chooser;
    return chooser;
}

std::optional<QColor> InteractiveColor(QWidget *parent, const QColor &initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b); }
Color FromQColor(const QColor &c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

} // namespace

void SetColorChooser(ColorChooser chooser) { Chooser() = std::move(chooser); }

TColorPanel::TColorPanel(QWidget *parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setFixedSize(24, 16);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    SetPanelColor(Colors::Black);
}

void TColorPanel::SetPanelColor(Color color) {
    m_color = color;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    setPalette(palette);
}

void TColorPanel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) emit clicked();
    QFrame::mousePressEvent(event);
}

TAuxView::TAuxView(AuxDisplaySettings &settings, QWidget *parent) : QDialog(parent), m_settings(settings) {
    setObjectName("AuxView");
    setWindowTitle("View Options for Aux ROM Bits");
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto *top = new QHBoxLayout;
    auto *bits = new QGridLayout;
    for (int k = 0; k < 8; ++k) {
        QString caption = QString("Bit%1").arg(k + 1);
        if (k == 0) caption += " (msb)";
        if (k == 7) caption += " (lsb)";
        CBB[k] = new QCheckBox(caption, this);
        CBB[k]->setObjectName(QString("CBB%1").arg(k + 1));
        BColor[k] = new TColorPanel(this);
        BColor[k]->setObjectName(QString("B%1Color").arg(k + 1));
        bits->addWidget(CBB[k], k, 0);
        bits->addWidget(BColor[k], k, 1);
        connect(BColor[k], &TColorPanel::clicked, this, [this, k] { ColorClick(k); });
    }
    top->addLayout(bits);

    HelpText = new QPlainTextEdit(this);
    HelpText->setObjectName("HelpText");
    HelpText->setReadOnly(true);
    HelpText->setFocusPolicy(Qt::NoFocus);
    HelpText->setPlainText(
        "Check box to \nenable display for \nthat bit.\n\nClick on color box \nto change drawing "
        "\ncolor for that bit.");
    HelpText->setFixedWidth(170);
    top->addWidget(HelpText);
    layout->addLayout(top);

    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, &TAuxView::OKBtnClick);

    LoadControls();
}

void TAuxView::LoadControls() {
    for (int k = 0; k < 8; ++k) {
        CBB[k]->setChecked(m_settings.selected[k]);
        BColor[k]->SetPanelColor(m_settings.colour[k]);
    }
}

void TAuxView::OKBtnClick() {
    for (int k = 0; k < 8; ++k) {
        m_settings.selected[k] = CBB[k]->isChecked();
        m_settings.colour[k] = BColor[k]->PanelColor();
    }
    accept();
}

void TAuxView::CancelBtnClick() { reject(); }

void TAuxView::reject() {
    LoadControls();
    QDialog::reject();
}

void TAuxView::ColorClick(int k) {
    const QColor initial = ToQColor(BColor[k]->PanelColor());
    const std::optional<QColor> chosen =
        Chooser() ? Chooser()(this, initial) : InteractiveColor(this, initial);
    if (chosen && chosen->isValid()) BColor[k]->SetPanelColor(FromQColor(*chosen));
}
