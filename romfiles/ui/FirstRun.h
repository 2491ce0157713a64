// The first-run dialog: asks for the machine version when no defaults file exists yet.
#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

class TFirstRunDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFirstRunDialog(QWidget *parent = nullptr);

    // The machine-version setting as the dialog holds it: true = Corvan 3 only.
    bool Corvan3Only() const;

    QRadioButton *Corvan2Select;
    QRadioButton *Corvan3Select;
    QPushButton *OKBtn;
};
