// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/PictureDelegate.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>

void PictureDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QIcon icon = cell.icon;
    // Background, selection and focus as for any cell, without the picture.
    cell.features &= ~QStyleOptionViewItem::HasDecoration;
    cell.icon = QIcon();
    QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    if (icon.isNull())
        return;

    const QIcon::Mode mode =
        (option.state & QStyle::State_Selected) ? QIcon::Selected : QIcon::Normal;
    const QPixmap pixmap =
        icon.pixmap(option.decorationSize, painter->device()->devicePixelRatioF(), mode);
    QRect target(QPoint(0, 0), option.decorationSize);
    target.moveCenter(option.rect.center());
    painter->save();
    painter->setClipRect(option.rect);
    painter->drawPixmap(target, pixmap);
    painter->restore();
}
