// The dialogs of the main window, created once after it and reused.
#pragma once

class QWidget;
class TAboutBox;
class TAuxView;
class TErrDialog;
class TExportDlg;
class TFirstRunDialog;
class THelpWindow;
class TImageReportDlg;
class TImportDlg;
class TPreferencesDialog;
class TPrintWhichDialog;
class TTemplateDlg;

struct TMainDialogs {
    TImportDlg *ImportDlg = nullptr;
    TExportDlg *ExportDlg = nullptr;
    TErrDialog *ErrDialog = nullptr;
    TFirstRunDialog *FirstRunDialog = nullptr;
    TPreferencesDialog *PreferencesDialog = nullptr;
    TPrintWhichDialog *PrintWhichDialog = nullptr;
    TAboutBox *AboutBox = nullptr;
    TAuxView *AuxView = nullptr;
    THelpWindow *HelpWindow = nullptr;
    TTemplateDlg *TemplateDlg = nullptr;
    TImageReportDlg *ImageReportDlg = nullptr;
};

// The dialogs over the window, in start-up order. Creating the Preferences dialog loads the settings,
// running the first-run dialog when there is no defaults file yet.
TMainDialogs CreateMainDialogs(QWidget *window);
