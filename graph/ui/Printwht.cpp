// The print selection dialog and the Print command's flow: program texts or graphs onto a printer.
#include "graph/ui/Printwht.h"

#include "graph/print.h"
#include "graph/ui/QPainterCanvas.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

QSpinBox *ProgramSpin(QWidget *parent, const char *name) {
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(0, 15);
    spin->setValue(0);
    return spin;
}

// The jobs of a range as one job on a device that cannot hold more than one (a file): every job
// after the first starts on a new page and numbers its pages from 1 again.
class SharedJobDevice : public PageDevice {
public:
    explicit SharedJobDevice(PageDevice &device) : m_device(device) {}
    ~SharedJobDevice() override {
        if (m_open) m_device.EndJob();
    }

    int PageWidth() const override { return m_device.PageWidth(); }
    int PageHeight() const override { return m_device.PageHeight(); }
    void BeginJob() override {
        if (m_open)
            m_device.NewPage();
        else
            m_device.BeginJob();
        m_open = true;
        m_page = 1;
    }
    void NewPage() override {
        m_device.NewPage();
        ++m_page;
    }
    int PageNumber() const override { return m_page; }
    void EndJob() override {}

    void MoveTo(int x, int y) override { m_device.MoveTo(x, y); }
    void LineTo(int x, int y) override { m_device.LineTo(x, y); }
    void Rectangle(int l, int t, int r, int b) override { m_device.Rectangle(l, t, r, b); }
    void TextOut(int x, int y, const std::string &text) override { m_device.TextOut(x, y, text); }
    int TextWidth(const std::string &text) override { return m_device.TextWidth(text); }
    int TextHeight(const std::string &text) override { return m_device.TextHeight(text); }
    int FontHeight() override { return m_device.FontHeight(); }
    Pen GetPen() const override { return m_device.GetPen(); }
    void SetPen(const Pen &pen) override { m_device.SetPen(pen); }
    Brush GetBrush() const override { return m_device.GetBrush(); }
    void SetBrush(const Brush &brush) override { m_device.SetBrush(brush); }
    Font GetFont() const override { return m_device.GetFont(); }
    void SetFont(const Font &font) override { m_device.SetFont(font); }
    Color WindowColor() const override { return m_device.WindowColor(); }

private:
    PageDevice &m_device;
    bool m_open = false;
    int m_page = 0;
};

int PrintTexts(PageDevice &device, int first, int last, const PrintMaterial &material) {
    const std::string setFileName = Latin1Line(material.setFileName);
    const Font font = PrintFont(material.editorFont);
    int jobs = 0;
    for (int n = std::max(first, 0); n <= last && n < ProgramCount; ++n, ++jobs)
        PrintProgramText(device, material.programs[n], setFileName, n, font);
    return jobs;
}

} // namespace

TPrintWhichDialog::TPrintWhichDialog(QWidget *parent) : QDialog(parent) {
    setObjectName("PrintWhichDialog");
    setWindowTitle("Item to Print");
    auto *layout = new QVBoxLayout(this);

    PrintSourceGrp = new QGroupBox("Print", this);
    PrintSourceGrp->setObjectName("PrintSourceGrp");
    auto *items = new QVBoxLayout(PrintSourceGrp);
    m_items = new QButtonGroup(PrintSourceGrp);
    const QStringList captions{"Current program", "Programs: (new page for each selected)", "Current Graph",
                               "Graphs: (all selected on one page)"};
    for (int i = 0; i < captions.size(); ++i) {
        auto *button = new QRadioButton(captions[i], PrintSourceGrp);
        items->addWidget(button);
        m_items->addButton(button, i);
    }
    m_items->button(0)->setChecked(true);
    layout->addWidget(PrintSourceGrp);

    auto *range = new QHBoxLayout;
    fromgraph = ProgramSpin(this, "fromgraph");
    thrugraph = ProgramSpin(this, "thrugraph");
    range->addWidget(fromgraph);
    range->addWidget(new QLabel("thru", this));
    range->addWidget(thrugraph);
    range->addStretch(1);
    layout->addLayout(range);

    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

PrintSource TPrintWhichDialog::Source() const { return PrintSource(m_items->checkedId()); }
int TPrintWhichDialog::FromGraph() const { return fromgraph->value(); }
int TPrintWhichDialog::ThruGraph() const { return thrugraph->value(); }

Font PrintFont(const QFont &font) {
    const QFontInfo info(font);
    return {Latin1Line(info.family()), static_cast<int>(std::lround(info.pointSizeF())), info.bold()};
}

int RunPrint(QPrinter &printer, CompilerState &state, PrintSource source, int first, int last,
             const PrintMaterial &material) {
    const int current = material.currentProgram;
    if (source == PrintSource::CurrentProgram || source == PrintSource::CurrentGraph) first = last = current;
    if (last < first) return 0;
    QPainterPageDevice device(printer);
    if (source == PrintSource::CurrentProgram) return PrintTexts(device, first, last, material);
    if (source == PrintSource::Programs) {
        if (printer.outputFileName().isEmpty()) return PrintTexts(device, first, last, material);
        SharedJobDevice shared(device);
        return PrintTexts(shared, first, last, material) > 0 ? 1 : 0;
    }
    const std::vector<std::vector<std::string>> programs(material.programs.begin(), material.programs.end());
    const QString setName =
        material.setFileName.isEmpty() ? QString() : QFileInfo(material.setFileName).fileName();
    PrintGraphs(device, state, programs, first, last, material.options, setName.toLatin1().toStdString(),
                material.graphEnd);
    return 1;
}

int PrintCommand(QWidget *parent, TPrintWhichDialog &which, QPrinter &printer, CompilerState &state,
                 const PrintMaterial &material) {
    if (RunModal(which) != QDialog::Accepted) return 0;
    QPrintDialog printDialog(&printer, parent);
    printDialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (RunModal(printDialog) != QDialog::Accepted) return 0;
    return RunPrint(printer, state, which.Source(), which.FromGraph(), which.ThruGraph(), material);
}
