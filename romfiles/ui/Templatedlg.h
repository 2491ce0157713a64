// The Insert Template dialog: a manoeuvre template, its parameters, a preview of the program text,
// the program it goes into, and a series of runs over a list of amplitudes or the standard series.
#pragma once

#include "romfiles/programset.h"
#include "romfiles/templates.h"

#include <QDialog>

#include <map>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

// The statements of a complete program as the compiler reads them (StatementLines): the lines after
// its begin line up to its end statement, both left out.
ProgramText ProgramStatements(const ProgramText &program);

class TTemplateDlg : public QDialog {
    Q_OBJECT
public:
    explicit TTemplateDlg(QWidget *parent = nullptr);

    // What the dialog was closed with; None for Close or Escape.
    enum class Choice { None, Insert, Replace, Series };
    Choice Chosen() const { return m_choice; }

    // The selected template's name and the values in its form (every parameter).
    std::string TemplateName() const;
    // The program of the preview; empty while the form holds a fault.
    const ProgramText &Program() const { return m_program; }
    // The program Replace Program replaces and the series' first run goes into.
    int TargetProgram() const;
    // The runs of the series that go into programs TargetProgram() on, made when Fill Series was
    // confirmed.
    const std::vector<ProgramText> &Series() const { return m_series; }

    // Selects a template by name (false when there is none of that name).
    bool SelectTemplate(const QString &name);
    // The box of a parameter of the selected template, or nullptr.
    QLineEdit *ParameterBox(const QString &name) const;

    // Controls.
    QComboBox *TemplateBox;
    QLabel *DescriptionLabel;
    QGroupBox *ParameterGroup;
    QPlainTextEdit *Preview;
    QLabel *ErrorLabel;    // the fault of the form or of the template, in red; empty when all is well
    QSpinBox *IntoProgram; // the program Replace Program and Fill Series write into
    QGroupBox *SeriesGroup;
    QCheckBox *SeriesStandard; // the standard sine-with-dwell series instead of from, to and step
    QLineEdit *SeriesFrom, *SeriesTo, *SeriesStep, *SeriesA; // from, to, step in multiples of A (deg)
    QSpinBox *SeriesFirstRun;                                // the first run that goes into the set
    QLabel *SeriesLabel;                                     // the runs the series would write, and where
    QPushButton *InsertBtn, *ReplaceBtn, *SeriesBtn, *CloseBtn;

public slots:
    void UpdatePreview();
    void UpdateSeriesLabel();
    void InsertBtnClick();
    void ReplaceBtnClick();
    // Asks before it replaces the 16 programs; the dialog stays open on Cancel or a fault.
    void SeriesBtnClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QVBoxLayout *CreateChoiceColumn();
    QGroupBox *CreateSeriesGroup();
    QVBoxLayout *CreatePreviewColumn();
    QDialogButtonBox *CreateButtons();
    void BuildParameterForm();
    // The form's values; false (with the fault shown) when a box does not hold a number.
    bool ReadValues(TemplateValues &values);
    // Amplitudes of the series in degrees; false (with the fault shown) on a bad box or range.
    bool ReadAmplitudes(std::vector<double> &amplitudes);
    // The runs of the series that fit the set from the target program on: first and count (0-based).
    std::pair<int, int> RunsThatFit(int runs) const;
    void StandardToggled(bool on);
    void ShowFault(const QString &text);

    QFormLayout *m_parameterForm = nullptr;
    std::map<QString, QLineEdit *> m_parameters;
    ProgramText m_program;
    std::vector<ProgramText> m_series;
    Choice m_choice = Choice::None;
};
