#include "PictureWindow.h"

#include "LauncherOptions.h"
#include "MessageBox.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QWheelEvent>

namespace {

const QColor kInputColour(70, 110, 200);
const QColor kMadeColour(210, 40, 40);
const QColor kMarkColour(20, 20, 20);

std::optional<runkorvix::PictureKey> KeyOf(int key) {
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return runkorvix::PictureKey::ZoomIn;
    case Qt::Key_Minus:
        return runkorvix::PictureKey::ZoomOut;
    case Qt::Key_Left:
        return runkorvix::PictureKey::Left;
    case Qt::Key_Right:
        return runkorvix::PictureKey::Right;
    case Qt::Key_Up:
        return runkorvix::PictureKey::Up;
    case Qt::Key_Down:
        return runkorvix::PictureKey::Down;
    case Qt::Key_Home:
        return runkorvix::PictureKey::Whole;
    default:
        return std::nullopt;
    }
}

void DrawScaleBar(QPainter& painter, const runkorvix::ScaleBar& bar, int height) {
    const int left = 12;
    const int base = height - 12;
    painter.setPen(QPen(kMarkColour, 2));
    painter.drawLine(left, base, left + bar.pixels, base);
    painter.drawLine(left, base - 5, left, base);
    painter.drawLine(left + bar.pixels, base - 5, left + bar.pixels, base);
    painter.drawText(left, base - 8, QString::fromStdString(bar.label));
}

// The line's pixels into `polygon`, whose room is kept from line to line.
void FillPolygon(const runkorvix::DrawnLine& line, QPolygon& polygon) {
    polygon.resize(static_cast<qsizetype>(line.points.size()));
    for (std::size_t i = 0; i < line.points.size(); ++i) {
        polygon[static_cast<qsizetype>(i)] = QPoint(line.points[i].x, line.points[i].y);
    }
}

QPolygon PolygonOf(const runkorvix::DrawnLine& line) {
    QPolygon polygon;
    FillPolygon(line, polygon);
    return polygon;
}

// Lines of very many points in all (a whole file of many routes) with a pen of a device pixel,
// which Qt draws without its stroker, many times faster than at a pixel and a half; those of
// each colour at once, the selected row's last and wide.
void DrawThin(QPainter& painter, const std::vector<runkorvix::DrawnLine>& lines,
              std::optional<std::size_t> selected) {
    QPen thin(kInputColour, 1);
    thin.setCosmetic(true);
    for (const bool made : {false, true}) {
        thin.setColor(made ? kMadeColour : kInputColour);
        painter.setPen(thin);
        QPolygon polygon;
        for (const runkorvix::DrawnLine& line : lines) {
            if (line.made != made || (selected && *selected == line.row)) {
                continue;
            }
            FillPolygon(line, polygon);
            painter.drawPolyline(polygon);
        }
    }
    for (const runkorvix::DrawnLine& line : lines) {
        if (selected && *selected == line.row) {
            painter.setPen(QPen(line.made ? kMadeColour : kInputColour, 3));
            painter.drawPolyline(PolygonOf(line));
        }
    }
}

} // namespace

PictureCanvas::PictureCanvas(runkorvix::PictureView& view, QWidget* parent)
    : QWidget(parent), m_view(view) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    setAccessibleName(QStringLiteral("Picture of the run"));
}

void PictureCanvas::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::optional<std::size_t> selected = m_view.Selected();
    const std::vector<runkorvix::DrawnLine> lines = m_view.Lines();
    if (runkorvix::DrawnWide(lines)) {
        for (const runkorvix::DrawnLine& line : lines) {
            const bool chosen = selected && *selected == line.row;
            painter.setPen(QPen(line.made ? kMadeColour : kInputColour, chosen ? 3 : 1.5));
            painter.drawPolyline(PolygonOf(line));
        }
    } else {
        DrawThin(painter, lines, selected);
    }
    for (const runkorvix::DrawnMark& mark : m_view.Marks()) {
        painter.setPen(QPen(kMarkColour, 1.5));
        painter.setBrush(Qt::yellow);
        painter.drawEllipse(QPoint(mark.at.x, mark.at.y), 4, 4);
        if (!mark.label.empty()) {
            painter.drawText(mark.at.x + 6, mark.at.y - 6, QString::fromStdString(mark.label));
        }
    }
    DrawScaleBar(painter, m_view.Scale(), height());
}

void PictureCanvas::resizeEvent(QResizeEvent* event) {
    m_view.Resize(width(), height());
    QWidget::resizeEvent(event);
}

void PictureCanvas::keyPressEvent(QKeyEvent* event) {
    const std::optional<runkorvix::PictureKey> key = KeyOf(event->key());
    if (key && m_view.Key(*key)) {
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PictureCanvas::wheelEvent(QWheelEvent* event) {
    // A notch of the wheel is 120 eighths of a degree.
    const QPointF at = event->position();
    m_view.Wheel(event->angleDelta().y() / 120.0, {int(at.x()), int(at.y())});
    update();
    event->accept();
}

void PictureCanvas::mousePressEvent(QMouseEvent* event) {
    m_dragFrom = event->position().toPoint();
    setFocus();
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0) {
        const QPoint at = event->position().toPoint();
        m_view.Drag(at.x() - m_dragFrom.x(), at.y() - m_dragFrom.y());
        m_dragFrom = at;
        update();
    }
}

CPictureWindow::CPictureWindow(runkorvix::RunPicture picture, QWidget* parent)
    : QDialog(parent, Qt::Window), m_picture(std::move(picture)), m_view(m_picture),
      m_canvas(nullptr), m_list(nullptr) {
    setWindowTitle(QStringLiteral("%1 - what the run did").arg(runkorvix::kApplication));
    auto* splitter = new QSplitter(this);
    m_canvas = new PictureCanvas(m_view, splitter);
    m_list = new QTableView(splitter);
    m_list->setAccessibleName(m_picture.tracksToRoutes ? QStringLiteral("Tracks")
                                                       : QStringLiteral("Routes"));
    splitter->addWidget(m_canvas);
    splitter->addWidget(m_list);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    FillList();
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    m_view.ShowRow(static_cast<std::size_t>(current.row()));
                    m_canvas->update();
                }
            });
    resize(960, 640);
    // The list as wide as its columns, the picture the rest.
    const int list = m_list->horizontalHeader()->length() +
                     m_list->verticalScrollBar()->sizeHint().width() + 2 * m_list->frameWidth();
    splitter->setSizes({std::max(320, width() - list), list});
}

CPictureWindow::~CPictureWindow() = default;

bool CPictureWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const std::optional<runkorvix::PictureKey> picture = KeyOf(key);
        const bool arrow =
            key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (picture && !arrow && m_view.Key(*picture)) {
            m_canvas->update();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

PictureRowsModel::PictureRowsModel(const runkorvix::RunPicture& picture, QObject* parent)
    : QAbstractTableModel(parent), m_picture(picture) {}

int PictureRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_picture.rows.size());
}

int PictureRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

// A row's texts are made as the list shows them: a file of many routes opens at once.
QVariant PictureRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    const runkorvix::PictureRow& row = m_picture.rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::fromStdString(row.name);
    case 1:
        return QString::fromStdString(runkorvix::RowPointsText(row, m_picture.tracksToRoutes));
    default:
        return QString::fromStdString(runkorvix::RowFateText(row));
    }
}

QVariant PictureRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    switch (section) {
    case 0:
        return m_picture.tracksToRoutes ? QStringLiteral("Track") : QStringLiteral("Route");
    case 1:
        return QStringLiteral("Points");
    default:
        return QStringLiteral("Farthest");
    }
}

void CPictureWindow::FillList() {
    m_list->setModel(new PictureRowsModel(m_picture, m_list));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    // Every row as high as the font's line, so that the view need not ask each row for its height.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    // Widths from the first thousand rows, as Qt measures them.
    m_list->resizeColumnsToContents();
}

void ShowRunPicture(const runkorvix::PictureRun& run, QWidget* parent) {
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    std::optional<runkorvix::RunPicture> picture = runkorvix::BuildRunPicture(run);
    QGuiApplication::restoreOverrideCursor();
    if (!picture) {
        ShowMessageBox(parent, QMessageBox::Warning,
                       QString::fromStdString(runkorvix::kNoPictureText));
        return;
    }
    CPictureWindow window(std::move(*picture), parent);
    window.exec();
}
