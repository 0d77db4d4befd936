#pragma once

#include "PictureView.h"
#include "RunPicture.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QPoint>
#include <QWidget>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QTableView;
class QWheelEvent;

// The picture itself: the run's routes and tracks on a plain background, drawn as the core's view
// says, moved by the keys, the wheel and a drag.
class PictureCanvas : public QWidget {
    Q_OBJECT
public:
    PictureCanvas(runkorvix::PictureView& view, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    runkorvix::PictureView& m_view;
    QPoint m_dragFrom;
};

// The list's rows: each track (or route) of the picture, its name, points and distance.
class PictureRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    PictureRowsModel(const runkorvix::RunPicture& picture, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const runkorvix::RunPicture& m_picture;
};

// The window that shows what a run did: the picture, and beside it the list of the input's tracks
// (or routes), a row selected showing its own.
class CPictureWindow : public QDialog {
    Q_OBJECT
public:
    CPictureWindow(runkorvix::RunPicture picture, QWidget* parent);
    ~CPictureWindow() override;

    PictureCanvas* Canvas() const { return m_canvas; }
    QTableView* List() const { return m_list; }
    const runkorvix::PictureView& View() const { return m_view; }

protected:
    // +, - and Home reach the picture also while the list has the focus (the arrows move in the
    // list there).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillList();

    runkorvix::RunPicture m_picture;
    runkorvix::PictureView m_view;
    PictureCanvas* m_canvas;
    QTableView* m_list;
};

// Builds the picture of the run `run` and shows it, modal to `parent`; says so in a box where the
// files cannot be read as they were.
void ShowRunPicture(const runkorvix::PictureRun& run, QWidget* parent);
