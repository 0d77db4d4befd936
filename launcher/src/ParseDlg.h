#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class CLauncherSettings;
class IFileChooser;
class QButtonGroup;
class QKeyEvent;
class QLineEdit;

// The launcher's working window: the user picks the input file, the output file and the
// conversion option, and runs the converter, which lies beside the launcher.
class CParseDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids of the dialog; every control keeps its id (see FindControl).
    enum ControlId : int {
        kIdInputFile = 1002,
        kIdOutputFile = 1004,
        kIdRadioR = 1005,
        kIdRadioS = 1006,
        kIdRadioT = 1007,
        kIdRadioU = 1008,
        kIdRadioV = 1009,
        kIdRun = 1010,
        kIdRadioW = 1011,
        kIdRadioOther = 1012,
        kIdOther = 1013,
        kIdInputPath = 1014,
        kIdOutputPath = 1015,
        kIdAbout = 1016,
        kIdHelp = 1017,
    };
    // Index of the free option button; 0 to 5 are -R, -S, -T, -U, -V and -W.
    static constexpr int kOtherIndex = 6;

    // `modulePath` is the launcher's own executable: the converter is looked for in its folder.
    CParseDlg(CLauncherSettings& settings, IFileChooser& chooser, const QString& modulePath,
              QWidget* parent = nullptr);
    ~CParseDlg() override;

    // Starts the dialog and runs it until it ends; returns how it ended.
    int DoModal();
    // The dialog start. Returns false when the converter is missing: the user has been told and
    // the dialog has ended.
    bool OnInitDialog();

    QWidget* GetDlgItem(int id) const;

    int SelectedIndex() const { return m_nRadio; }
    const QString& OptionText() const { return m_strOption; }
    const QString& InputPath() const { return m_strInputPath; }
    const QString& OutputPath() const { return m_strOutputPath; }
    const QString& ConverterPath() const { return m_szConverterPath; }
    const QString& ConverterDir() const { return m_szConverterDir; }

    void OnInputFile();
    void OnOutputFile();
    void OnRadioR();
    void OnRadioS();
    void OnRadioT();
    void OnRadioU();
    void OnRadioV();
    void OnRadioW();
    void OnRadioOther();
    void OnChangeOther(const QString& text);
    void OnRun();
    void OnAbout();
    void OnHelpText();
    void OnOK();
    void OnCancel();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ConnectHandlers();
    void SelectFixedOption(int index);
    bool LocateConverter();
    void ShowError(const QString& text);
    QLineEdit* OtherField() const;

    CLauncherSettings& m_settings;
    IFileChooser& m_chooser;
    QButtonGroup* m_options = nullptr;

    QIcon m_hIcon;
    QString m_strOption;
    QString m_strInputPath;
    QString m_strOutputPath;
    QString m_szConverterPath;
    QString m_szConverterDir;
    QString m_szModulePath;
    int m_nRadio = 0;
};
