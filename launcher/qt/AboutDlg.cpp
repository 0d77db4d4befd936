#include "AboutDlg.h"

#include "AppIcon.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"

#include <QAbstractButton>

namespace {

constexpr ControlTemplate kTemplate[] = {ABOUTDLG_CONTROLS};

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral(ABOUTDLG_CAPTION));
    setWindowIcon(AppIcon());
    setFont(DialogFont());
    const DialogUnits units = DialogUnits::ForFont(font());
    setFixedSize(units.Size(ABOUTDLG_WIDTH, ABOUTDLG_HEIGHT));
    const ControlMap controls = CreateControls(this, kTemplate, units);
    connect(TakeControl<QAbstractButton>(controls, IDOK), &QAbstractButton::clicked, this,
            &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
