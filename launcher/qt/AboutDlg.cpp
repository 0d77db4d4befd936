#include "AboutDlg.h"

#include "AppIcon.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"

#include <QAbstractButton>

namespace {

constexpr std::span<const ControlTemplate> kTemplate = kAboutDlgControls;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral(ABOUTDLG_CAPTION));
    setWindowIcon(AppIcon());
    const DialogUnits units = DialogUnits::ForTemplate(font(), kTemplate);
    setFixedSize(units.Size(ABOUTDLG_WIDTH, ABOUTDLG_HEIGHT));
    const CreatedControls controls = CreateControls(this, kTemplate, units);
    connect(TakeControl<QAbstractButton>(controls, IDOK), &QAbstractButton::clicked, this,
            &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
