// The aux view dialog: which aux ROM bits are drawn over the program graph, and in which colour.
#pragma once

#include "graph/programgraph.h"

#include <QColor>
#include <QDialog>
#include <QFrame>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

// The colour dialog behind the panels: the chosen colour, or nothing when cancelled. Tests replace
// it; an empty function restores the interactive colour dialog.
using ColorChooser = std::function<std::optional<QColor>(QWidget *parent, const QColor &initial)>;
void SetColorChooser(ColorChooser chooser);

// A small panel showing one bit's colour; a click asks for another.
class TColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget *parent = nullptr);
    Color PanelColor() const { return m_color; }
    void SetPanelColor(Color color);
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    Color m_color;
};

class TAuxView : public QDialog {
    Q_OBJECT
public:
    // The dialog edits these settings: OK stores into them, Cancel reloads from them.
    explicit TAuxView(AuxDisplaySettings &settings, QWidget *parent = nullptr);

    // Controls (names of the form); element 0 is bit 1 (CBB1, B1Color).
    std::array<QCheckBox *, 8> CBB;
    std::array<TColorPanel *, 8> BColor;
    QPlainTextEdit *HelpText;
    QPushButton *OKBtn, *CancelBtn;

public slots:
    void OKBtnClick();
    void CancelBtnClick();
    // Opens the colour dialog preset to bit k's panel (k from 0); a confirmed colour goes to the panel.
    void ColorClick(int k);
    void reject() override; // Escape and the close box discard like Cancel

private:
    void LoadControls();

    AuxDisplaySettings &m_settings;
};
