// The dialogs of the main window, created once after it and reused.
#include "app/MainDialogs.h"

#include "app/About.h"
#include "app/Helpview.h"
#include "compiler/ui/Errdial.h"
#include "graph/programgraph.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/FirstRun.h"
#include "romfiles/ui/Importf.h"
#include "romfiles/ui/Prefdlg.h"
#include "romfiles/ui/Reportdlg.h"
#include "romfiles/ui/Templatedlg.h"

TMainDialogs CreateMainDialogs(QWidget *window) {
    TMainDialogs d;
    d.ImportDlg = new TImportDlg(window);
    d.ExportDlg = new TExportDlg(window);
    d.ErrDialog = new TErrDialog(window);
    d.FirstRunDialog = new TFirstRunDialog(window);
    d.PreferencesDialog = new TPreferencesDialog(window);
    d.PreferencesDialog->LoadSettings(*d.FirstRunDialog);
    d.PrintWhichDialog = new TPrintWhichDialog(window);
    d.AboutBox = new TAboutBox(window);
    d.AuxView = new TAuxView(AuxDisplay(), window);
    d.HelpWindow = new THelpWindow(window);
    d.TemplateDlg = new TTemplateDlg(window);
    d.ImageReportDlg = new TImageReportDlg(window);
    return d;
}
