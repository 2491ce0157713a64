// The Insert Template dialog: a manoeuvre template, its parameters, a preview of the program text,
// the program it goes into, and a series of runs over a list of amplitudes or the standard series.
#include "romfiles/ui/Templatedlg.h"

#include "compiler/parse.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Number(double value) { return QString::number(value, 'g', 12); }

// A number as typed: the C locale's decimal point, blanks around it allowed.
bool ParseNumber(const QString &text, double &value) {
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok;
}

} // namespace

ProgramText ProgramStatements(const ProgramText &program) {
    const LineRange statements = StatementLines(program);
    return ProgramText(program.begin() + static_cast<std::ptrdiff_t>(statements.first),
                       program.begin() + static_cast<std::ptrdiff_t>(statements.last));
}

TTemplateDlg::TTemplateDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("TemplateDlg");
    setWindowTitle("Insert Template");
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addLayout(CreateChoiceColumn());
    top->addLayout(CreatePreviewColumn(), 1);
    layout->addLayout(top, 1);

    ErrorLabel = new QLabel(this);
    ErrorLabel->setObjectName("ErrorLabel");
    ErrorLabel->setWordWrap(true);
    QPalette red = ErrorLabel->palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    ErrorLabel->setPalette(red);
    layout->addWidget(ErrorLabel);
    layout->addWidget(CreateButtons());
    connect(TemplateBox, &QComboBox::currentIndexChanged, this, [this] {
        BuildParameterForm();
        UpdatePreview();
    });

    BuildParameterForm();
    UpdatePreview();
}

// The template box, its description, the parameter form and the series boxes.
QVBoxLayout *TTemplateDlg::CreateChoiceColumn() {
    auto *left = new QVBoxLayout;
    auto *chooseRow = new QHBoxLayout;
    auto *chooseLabel = new QLabel("&Template:", this);
    TemplateBox = new QComboBox(this);
    TemplateBox->setObjectName("TemplateBox");
    for (const ManoeuvreTemplate &t : ManoeuvreTemplates())
        TemplateBox->addItem(FromLatin1(t.title), FromLatin1(t.name));
    chooseLabel->setBuddy(TemplateBox);
    chooseRow->addWidget(chooseLabel);
    chooseRow->addWidget(TemplateBox, 1);
    left->addLayout(chooseRow);

    DescriptionLabel = new QLabel(this);
    DescriptionLabel->setObjectName("DescriptionLabel");
    DescriptionLabel->setWordWrap(true);
    DescriptionLabel->setMinimumWidth(300);
    left->addWidget(DescriptionLabel);

    auto *intoRow = new QHBoxLayout;
    auto *intoLabel = new QLabel("Into &program:", this);
    IntoProgram = new QSpinBox(this);
    IntoProgram->setObjectName("IntoProgram");
    IntoProgram->setRange(0, ProgramCount - 1);
    IntoProgram->setToolTip("The program Replace Program replaces, and the first program Fill Series fills");
    intoLabel->setBuddy(IntoProgram);
    intoRow->addWidget(intoLabel);
    intoRow->addWidget(IntoProgram);
    intoRow->addStretch();
    left->addLayout(intoRow);
    connect(IntoProgram, &QSpinBox::valueChanged, this, &TTemplateDlg::UpdateSeriesLabel);

    ParameterGroup = new QGroupBox("Parameters", this);
    ParameterGroup->setObjectName("ParameterGroup");
    m_parameterForm = new QFormLayout(ParameterGroup);
    left->addWidget(ParameterGroup);
    left->addWidget(CreateSeriesGroup());
    left->addStretch();
    return left;
}

QGroupBox *TTemplateDlg::CreateSeriesGroup() {
    SeriesGroup = new QGroupBox("Series: one run per amplitude, from the program on", this);
    SeriesGroup->setObjectName("SeriesGroup");
    auto *seriesForm = new QFormLayout(SeriesGroup);
    SeriesStandard = new QCheckBox("&Standard series for A", SeriesGroup);
    SeriesStandard->setObjectName("SeriesStandard");
    SeriesStandard->setToolTip(
        QString(
            "Sine with dwell from 1.5 A in steps of 0.5 A up to the larger of 6.5 A and %1 deg; no run above "
            "%2 deg (or a lower maxsteer), the last run at that end")
            .arg(StandardSeriesEnd)
            .arg(StandardSeriesCap));
    seriesForm->addRow(SeriesStandard);
    connect(SeriesStandard, &QCheckBox::toggled, this, &TTemplateDlg::StandardToggled);
    auto addSeriesBox = [&](QLineEdit *&box, const char *name, const char *label, const char *value,
                            const char *tip) {
        box = new QLineEdit(value, SeriesGroup);
        box->setObjectName(name);
        box->setToolTip(tip);
        seriesForm->addRow(label, box);
        connect(box, &QLineEdit::textChanged, this, &TTemplateDlg::UpdateSeriesLabel);
    };
    addSeriesBox(SeriesFrom, "SeriesFrom", "From (x A):", "1.5", "First amplitude, in multiples of A");
    addSeriesBox(SeriesTo, "SeriesTo", "To (x A):", "6.5", "Last amplitude, in multiples of A");
    addSeriesBox(SeriesStep, "SeriesStep", "Step (x A):", "0.5",
                 "Step between amplitudes, in multiples of A");
    addSeriesBox(SeriesA, "SeriesA", "A (deg):", "10", "The reference amplitude A, degrees");
    SeriesFirstRun = new QSpinBox(SeriesGroup);
    SeriesFirstRun->setObjectName("SeriesFirstRun");
    SeriesFirstRun->setRange(1, MaxSeriesRuns);
    SeriesFirstRun->setToolTip(
        "The first run that goes into this set: 17 fills a second set of a longer series");
    seriesForm->addRow("From r&un:", SeriesFirstRun);
    connect(SeriesFirstRun, &QSpinBox::valueChanged, this, &TTemplateDlg::UpdateSeriesLabel);
    SeriesLabel = new QLabel(SeriesGroup);
    SeriesLabel->setObjectName("SeriesLabel");
    SeriesLabel->setWordWrap(true);
    SeriesLabel->setMinimumHeight(4 * SeriesLabel->fontMetrics().lineSpacing());
    SeriesLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    seriesForm->addRow(SeriesLabel);
    return SeriesGroup;
}

QVBoxLayout *TTemplateDlg::CreatePreviewColumn() {
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel("Program text:", this));
    // Wrapped: the comment line that names the values is long, and all of it should be seen.
    Preview = FixedFontMemo(this, "Preview", true);
    Preview->setMinimumSize(Preview->fontMetrics().horizontalAdvance(QString(60, 'x')) + 24, 300);
    right->addWidget(Preview, 1);
    return right;
}

// The buttons act themselves; the box's accept and reject roles are not wired.
QDialogButtonBox *TTemplateDlg::CreateButtons() {
    auto *box = new QDialogButtonBox(this);
    InsertBtn = box->addButton("&Insert", QDialogButtonBox::AcceptRole);
    InsertBtn->setObjectName("InsertBtn");
    InsertBtn->setToolTip("Insert the template's statements before the caret's line of the current program");
    ReplaceBtn = box->addButton("&Replace Program", QDialogButtonBox::AcceptRole);
    ReplaceBtn->setObjectName("ReplaceBtn");
    ReplaceBtn->setToolTip("Replace the current program with the template's program");
    SeriesBtn = box->addButton("&Fill Series...", QDialogButtonBox::AcceptRole);
    SeriesBtn->setObjectName("SeriesBtn");
    SeriesBtn->setToolTip("Replace the programs from the chosen one on with the runs of the series");
    CloseBtn = box->addButton(QDialogButtonBox::Close);
    CloseBtn->setObjectName("CloseBtn");
    for (QPushButton *button : {InsertBtn, ReplaceBtn, SeriesBtn, CloseBtn}) button->setAutoDefault(false);
    connect(InsertBtn, &QPushButton::clicked, this, &TTemplateDlg::InsertBtnClick);
    connect(ReplaceBtn, &QPushButton::clicked, this, &TTemplateDlg::ReplaceBtnClick);
    connect(SeriesBtn, &QPushButton::clicked, this, &TTemplateDlg::SeriesBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    return box;
}

std::string TTemplateDlg::TemplateName() const { return TemplateBox->currentData().toString().toStdString(); }

int TTemplateDlg::TargetProgram() const { return IntoProgram->value(); }

bool TTemplateDlg::SelectTemplate(const QString &name) {
    const int index = TemplateBox->findData(name);
    if (index < 0) return false;
    TemplateBox->setCurrentIndex(index);
    return true;
}

QLineEdit *TTemplateDlg::ParameterBox(const QString &name) const {
    const auto found = m_parameters.find(name);
    return found == m_parameters.end() ? nullptr : found->second;
}

void TTemplateDlg::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    m_choice = Choice::None;
}

// One row per parameter: the name, a box with the default, the unit; the description as tooltip.
void TTemplateDlg::BuildParameterForm() {
    while (m_parameterForm->rowCount() > 0) m_parameterForm->removeRow(0);
    m_parameters.clear();
    const ManoeuvreTemplate *chosen = FindTemplate(TemplateName());
    DescriptionLabel->setText(chosen ? FromLatin1(chosen->description) : QString());
    if (!chosen) return;
    for (const TemplateParameter &p : chosen->parameters) {
        const QString name = FromLatin1(p.name);
        auto *row = new QWidget(ParameterGroup);
        auto *rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto *box = new QLineEdit(Number(p.defaultValue), row);
        box->setObjectName("Param_" + name);
        const QString tip = FromLatin1(p.description) +
                            QString(" (default %1 %2)").arg(Number(p.defaultValue), FromLatin1(p.unit));
        box->setToolTip(tip);
        auto *unit = new QLabel(FromLatin1(p.unit), row);
        unit->setMinimumWidth(40);
        rowLayout->addWidget(box, 1);
        rowLayout->addWidget(unit);
        auto *label = new QLabel(name + ":", ParameterGroup);
        label->setToolTip(tip);
        label->setBuddy(box);
        m_parameterForm->addRow(label, row);
        m_parameters[name] = box;
        connect(box, &QLineEdit::textChanged, this, &TTemplateDlg::UpdatePreview);
    }
}

void TTemplateDlg::ShowFault(const QString &text) { ErrorLabel->setText(text); }

bool TTemplateDlg::ReadValues(TemplateValues &values) {
    for (const auto &[name, box] : m_parameters) {
        double value = 0;
        if (!ParseNumber(box->text(), value)) {
            ShowFault(QString("%1: \"%2\" is not a number").arg(name, box->text()));
            return false;
        }
        values[name.toStdString()] = value;
    }
    return true;
}

// The program of the template for the form's values, or the fault that stops it.
void TTemplateDlg::UpdatePreview() {
    m_program.clear();
    ShowFault({});
    TemplateValues values;
    if (ReadValues(values)) {
        try {
            m_program = TemplateProgram(TemplateName(), values);
        } catch (const std::exception &e) {
            ShowFault(ErrorText(e));
        }
    }
    QStringList lines;
    for (const std::string &line : m_program) lines << FromLatin1(line);
    Preview->setPlainText(lines.join('\n'));
    InsertBtn->setEnabled(!m_program.empty());
    ReplaceBtn->setEnabled(!m_program.empty());
    UpdateSeriesLabel();
}

bool TTemplateDlg::ReadAmplitudes(std::vector<double> &amplitudes) {
    const bool standard = SeriesStandard->isChecked();
    double from = 0, to = 0, step = 0, a = 0, maxSteer = StandardSeriesCap;
    std::vector<std::pair<QLineEdit *, double *>> boxes{{SeriesA, &a}};
    if (!standard) boxes.insert(boxes.end(), {{SeriesFrom, &from}, {SeriesTo, &to}, {SeriesStep, &step}});
    if (QLineEdit *limit = ParameterBox("maxsteer"); standard && limit) boxes.push_back({limit, &maxSteer});
    for (const auto &[box, value] : boxes)
        if (!ParseNumber(box->text(), *value)) {
            SeriesLabel->setText(QString("\"%1\" is not a number").arg(box->text()));
            return false;
        }
    try {
        if (standard) {
            amplitudes = StandardSeries(a, maxSteer);
            return true;
        }
        amplitudes = AmplitudeSeries(from, to, step);
    } catch (const std::exception &e) {
        SeriesLabel->setText(ErrorText(e));
        return false;
    }
    for (double &amplitude : amplitudes) amplitude *= a;
    return true;
}

std::pair<int, int> TTemplateDlg::RunsThatFit(int runs) const {
    const int first = std::min(SeriesFirstRun->value(), runs) - 1;
    return {first, std::min(runs - first, ProgramCount - TargetProgram())};
}

// The standard series needs room up to its cap: a lower maxsteer caps it, the default one is raised.
void TTemplateDlg::StandardToggled(bool on) {
    for (QLineEdit *box : {SeriesFrom, SeriesTo, SeriesStep}) box->setEnabled(!on);
    double maxSteer = 0;
    QLineEdit *limit = ParameterBox("maxsteer");
    const ManoeuvreTemplate *chosen = FindTemplate(TemplateName());
    if (on && limit && chosen && ParseNumber(limit->text(), maxSteer))
        for (const TemplateParameter &p : chosen->parameters)
            if (p.name == "maxsteer" && maxSteer == p.defaultValue) limit->setText(Number(StandardSeriesCap));
    UpdateSeriesLabel();
}

void TTemplateDlg::UpdateSeriesLabel() {
    std::vector<double> amplitudes;
    if (!ReadAmplitudes(amplitudes)) return;
    const int runs = static_cast<int>(amplitudes.size());
    const auto [first, count] = RunsThatFit(runs);
    QStringList shown;
    for (int k = first; k < first + count; ++k) shown << Number(amplitudes[static_cast<std::size_t>(k)]);
    QString text = QString("Runs %1 to %2 of %3 into programs %4 to %5: %6 deg")
                       .arg(first + 1)
                       .arg(first + count)
                       .arg(runs)
                       .arg(TargetProgram())
                       .arg(TargetProgram() + count - 1)
                       .arg(shown.join(", "));
    if (first + count < runs)
        text += QString("; runs %1 to %2 go into another set (From run %1)").arg(first + count + 1).arg(runs);
    SeriesLabel->setText(text);
}

void TTemplateDlg::InsertBtnClick() {
    if (m_program.empty()) return;
    m_choice = Choice::Insert;
    accept();
}

void TTemplateDlg::ReplaceBtnClick() {
    if (m_program.empty()) return;
    m_choice = Choice::Replace;
    accept();
}

void TTemplateDlg::SeriesBtnClick() {
    TemplateValues values;
    std::vector<double> amplitudes;
    if (!ReadValues(values)) return;
    if (!ReadAmplitudes(amplitudes)) {
        ShowFault(SeriesLabel->text());
        return;
    }
    const bool standard = SeriesStandard->isChecked();
    if (standard && TemplateName() != "sine-with-dwell") {
        ShowFault("The standard series is a series of sine with dwell");
        return;
    }
    std::vector<ProgramText> runs;
    try {
        double a = 0;
        ParseNumber(SeriesA->text(), a); // read by ReadAmplitudes already
        const std::string note = standard ? StandardSeriesNote(a) : std::string();
        runs = TemplateRuns(TemplateName(), values, amplitudes, note);
    } catch (const std::exception &e) {
        ShowFault(ErrorText(e));
        return;
    }
    const auto [first, count] = RunsThatFit(static_cast<int>(runs.size()));
    const auto answer = ShowBox(this, {BoxIcon::Warning,
                                       {},
                                       QString("This will replace programs %1 to %2!")
                                           .arg(TargetProgram())
                                           .arg(TargetProgram() + count - 1),
                                       QMessageBox::Ok | QMessageBox::Cancel,
                                       QMessageBox::Cancel});
    if (answer != QMessageBox::Ok) return;
    m_series.assign(runs.begin() + first, runs.begin() + first + count);
    m_choice = Choice::Series;
    accept();
}
