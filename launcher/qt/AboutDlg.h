#pragma once

#include <QDialog>

// The about box: the icon, "Run Korvix Version 1.0", a credit line and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;
};
