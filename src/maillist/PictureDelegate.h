// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

/*
 * Draws a cell's picture at its full size, centred in the cell and cut off
 * at the cell's edges, instead of shrinking it or pinning it to the left.
 * The attachment column of the mail list is narrower than the picture by
 * default (130 twips); the picture is drawn upright in its middle half, so
 * that it stays whole in such a column.
 */
class PictureDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
