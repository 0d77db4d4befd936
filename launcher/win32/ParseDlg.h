#pragma once

#include "ParseDlgModel.h"
#include "RunFeedback.h"

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

// The launcher's working window on Windows, made from the dialog resource IDD_PARSEDLG: the user
// picks the input file, the output file and the conversion option, and runs the converter, which
// lies beside the launcher. The choices, which control is enabled when, and the run itself are the
// launcher core's (ParseDlgModel); the dialog passes the user's input on to it and shows each
// control as it says.
class CParseDlg {
public:
    // A file that the launcher's command line `arguments` (without the program) name becomes the
    // input at the start.
    CParseDlg(runkorvix::LauncherSettings& settings, HINSTANCE instance,
              std::vector<std::string> arguments = {});
    ~CParseDlg();
    CParseDlg(const CParseDlg&) = delete;
    CParseDlg& operator=(const CParseDlg&) = delete;

    // Runs the dialog until it ends; returns IDOK or IDCANCEL.
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The dialog start. Returns FALSE when the converter is missing: the user has been told and
    // the dialog has ended.
    BOOL OnInitDialog();
    void OnCommand(int id, int code);
    void OnInputFile();
    void OnOutputFile();
    void OnRun();
    // Pumps the started run until it has ended, passing on the messages that the model takes
    // meanwhile.
    void WaitForConverter();
    // Dispatches the messages that are waiting, so that the model takes them (a close among
    // them) before the box after a run.
    void TakeWaitingMessages();
    // Shows the run's progress bar, or the line it stands on, as the model says.
    void ShowProgress();
    // Enter where no push button has the focus (the OK command).
    void OnEnter();
    // An arrow key on the option button `id`: the model selects the next or previous option.
    void OnOptionArrow(int id, WPARAM key);
    static LRESULT CALLBACK OptionKeys(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR dialog);
    void OnAbout();
    void OnHelpText();
    // The picture of the last run that made routes or tracks.
    void OnShowRun();
    // The chosen file's full path, or an empty string when the user cancelled.
    std::string ChooseFile(bool save);
    // With a `folder`, the box offers to open it too (its Help button, named "Open folder");
    // with `offerShow`, the picture of the run (its OK button, named "Show", beside OK, the
    // default): true when the user chose Show.
    bool ShowMessage(runkorvix::FeedbackIcon icon, const std::string& text,
                     const std::string& folder = {}, bool offerShow = false);
    // The path fields' tooltips, which show the whole path that a field may show cut short.
    void CreatePathTips();
    // Shows every control as the model says.
    void ShowStates();
    // Shows `path` in the path field `id`: cut short to the field, the file name whole; all of
    // it in the field's tooltip.
    void ShowPath(int id, const std::string& path);
    // A click at `point` (client coordinates) on an option's description selects the option.
    bool OnDescriptionClick(POINT point);
    // One file dropped on the dialog becomes the input, as if chosen.
    void OnDropFiles(HDROP drop);

    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    void EnableItem(int id, bool enable);

    // The push buttons that open a chooser or a box, or run, by id.
    static const std::array<std::pair<int, void (CParseDlg::*)()>, 6> kButtonHandlers;

    runkorvix::ParseDlgModel m_model;
    HINSTANCE m_instance;
    std::vector<std::string> m_arguments;
    HWND m_hWnd = nullptr;
    HICON m_hIcon;
    HICON m_hSmallIcon;
    HWND m_pathTips = nullptr;
    bool m_waiting = false;                  // the run's pump has not yet seen its end
    std::map<int, std::string> m_shownPaths; // the whole path each path field shows
    std::string m_boxFolder;                 // the folder that the box on screen offers
    std::array<HWND, runkorvix::kOptionCount> m_descriptions{}; // the labels beside the options
};
