// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMouseEvent>
#include <QTableWidget>

/*
 * The account list's grid. A mouse press anywhere in it, with any button,
 * is reported after the grid has moved its current row, also when the press
 * hits no row: the account page decides what a press selects. A double
 * click is reported the same way, below the last row too, where
 * QTableWidget's cellDoubleClicked is not emitted.
 */
class AccountGrid : public QTableWidget
{
    Q_OBJECT

public:
    using QTableWidget::QTableWidget;

signals:
    void mousePressed();
    void mouseDoubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTableWidget::mousePressEvent(event);
        emit mousePressed();
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTableWidget::mouseDoubleClickEvent(event);
        emit mouseDoubleClicked();
    }
};
