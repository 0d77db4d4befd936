#pragma once

#include "DialogTemplate.h"
#include "FileNames.h"
#include "ParseDlgModel.h"
#include "RunFeedback.h"
#include "resource.h"

#include <QByteArrayList>
#include <QDialog>
#include <QIcon>
#include <QString>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

class IFileChooser;
class QButtonGroup;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QEvent;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The launcher's working window: the user picks the input file, the output file and the
// conversion option, and runs the converter, which lies beside the launcher. The choices, which
// control is enabled when, and the run itself are the launcher core's (ParseDlgModel); the dialog
// passes the user's input on to it and shows each control as it says.
class CParseDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids of the dialog template (resource.h).
    enum ControlId : int {
        kIdInputFile = IDC_INPUT_FILE,
        kIdOutputFile = IDC_OUTPUT_FILE,
        kIdRadioR = IDC_RADIO_R,
        kIdRadioS = IDC_RADIO_S,
        kIdRadioT = IDC_RADIO_T,
        kIdRadioU = IDC_RADIO_U,
        kIdRadioV = IDC_RADIO_V,
        kIdRun = IDC_RUN,
        kIdRadioW = IDC_RADIO_W,
        kIdRadioOther = IDC_RADIO_OTHER,
        kIdOther = IDC_OTHER,
        kIdInputPath = IDC_INPUT_PATH,
        kIdOutputPath = IDC_OUTPUT_PATH,
        kIdAbout = IDC_ABOUT,
        kIdHelp = IDC_HELP_TEXT,
        kIdLimitPoints = IDC_LIMIT_POINTS,
        kIdPoints = IDC_POINTS,
        kIdLimitTolerance = IDC_LIMIT_TOLERANCE,
        kIdTolerance = IDC_TOLERANCE,
        kIdSplit = IDC_SPLIT,
        kIdInputNote = IDC_INPUT_NOTE,
        kIdOutputNote = IDC_OUTPUT_NOTE,
        kIdFit = IDC_FIT,
        kIdWaypoints = IDC_WAYPOINTS,
        kIdWaypointsNote = IDC_WAYPOINTS_NOTE,
        kIdProgress = IDC_PROGRESS,
        kIdShowRun = IDC_SHOW_RUN,
    };
    // The option buttons' ids by index: -R, -S, -T, -U, -V, -W, then the free option.
    static constexpr std::array<ControlId, runkorvix::kOptionCount> kOptionIds = {
        kIdRadioR, kIdRadioS, kIdRadioT, kIdRadioU, kIdRadioV, kIdRadioW, kIdRadioOther};
    static_assert(std::equal(kOptionIds.begin(), kOptionIds.end(),
                             runkorvix::ParseDlgModel::kOptionIds.begin()));

    // `modulePath` is the launcher's own executable: the converter is looked for in its folder.
    // A file that the launcher's command line `arguments` (without the program; its words as
    // the system gives them, bytes) name becomes the input at the start.
    CParseDlg(runkorvix::LauncherSettings& settings, IFileChooser& chooser,
              const QString& modulePath, const QByteArrayList& arguments = {},
              QWidget* parent = nullptr);
    ~CParseDlg() override;

    // Starts the dialog and runs it until it ends; returns how it ended.
    int DoModal();
    // The dialog start. Returns false when the converter is missing: the user has been told and
    // the dialog has ended.
    bool OnInitDialog();

    QWidget* GetDlgItem(ControlId id) const;

    int SelectedIndex() const { return Choices().Radio(); }
    QString OptionText() const { return QString::fromStdString(Choices().Option()); }
    // The chosen files as their path fields show them.
    QString InputPath() const { return ShownName(Choices().Input()); }
    QString OutputPath() const { return ShownName(Choices().Output()); }
    QString ConverterPath() const { return QString::fromStdString(Choices().ConverterPath()); }
    QString ConverterDir() const { return QString::fromStdString(Choices().ConverterDir()); }

    void OnInputFile();
    void OnOutputFile();
    void OnRun();
    void OnAbout();
    void OnHelpText();
    // The picture of the last run that made routes or tracks.
    void OnShowRun();
    void OnOK();
    void OnCancel();

protected:
    // A click on an option's description selects the option, as one on its button does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab go round the controls in the template's order (ParseDlgModel::Key).
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    // One file dropped on the dialog becomes the input, as if chosen.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    const runkorvix::Launcher& Choices() const { return m_model.Choices(); }
    void ConnectHandlers();
    // Where the file choosers open: the folder of the last file chosen.
    QString ChooserFolder() const;
    // Shows every control as the model says.
    void ShowStates();
    // Shows the run's progress bar, or the line it stands on, as the model says.
    void ShowProgress();
    // The id of the control with the focus; IDC_STATIC for none.
    int FocusedId() const;
    // Pumps the started run until it has ended, passing on the events that the model takes
    // meanwhile.
    void WaitForConverter();
    // A box of the dialog's; with `offerShow` it offers the picture of the run too: true when
    // the user chose it.
    bool ShowMessage(runkorvix::FeedbackIcon icon, const QString& text,
                     const QByteArray& folder = {}, bool offerShow = false);
    // Shows `path` in a path field: cut short to the field, the file name whole; all of it in
    // the field's tooltip.
    static void ShowPath(QLineEdit* field, const QString& path);

    runkorvix::ParseDlgModel m_model;
    IFileChooser& m_chooser;
    QIcon m_hIcon;
    QString m_szModulePath;
    std::vector<std::string> m_arguments;
    CreatedControls m_controls;

    QPushButton* m_inputFile;
    QPushButton* m_outputFile;
    QPushButton* m_run;
    QPushButton* m_about;
    QPushButton* m_help;
    std::array<QRadioButton*, runkorvix::kOptionCount> m_optionButtons;
    std::array<QWidget*, runkorvix::kOptionCount> m_descriptions; // the labels beside them
    QButtonGroup* m_options;
};
