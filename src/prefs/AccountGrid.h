// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMouseEvent>
#include <QTableWidget>

/*
 * The account list's grid. A mouse press anywhere in it, with any button,
 * is reported after the grid has moved its current row, also when the press
 * hits no row: the account page decides what a press selects.
 */
class AccountGrid : public QTableWidget
{
    Q_OBJECT

public:
    using QTableWidget::QTableWidget;

signals:
    void mousePressed();

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTableWidget::mousePressEvent(event);
        emit mousePressed();
    }
};
