// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailListModel.h"

#include <algorithm>
#include <utility>

namespace {

const QString markText = QStringLiteral("○");
const QString newText = QStringLiteral("N");

} // namespace

MailListModel::MailListModel(QObject* parent) : QAbstractTableModel(parent) {}

int MailListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MailListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant MailListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const Row& r = m_rows.at(index.row());
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (col) {
        case NewColumn:
            return r.isNew ? QVariant(newText) : QVariant();
        case MarkColumn:
            return r.marked ? QVariant(markText) : QVariant();
        case FromColumn:
            return r.from;
        case SubjectColumn:
            return r.subject;
        case AccountColumn:
            return QString::number(r.account);
        case MessageColumn:
            return QString::number(r.message);
        default:
            return QVariant();
        }
    case Qt::ForegroundRole:
    case Qt::BackgroundRole:
        if (col <= AccountColumn && r.account >= 1 && r.account <= m_looks.size()) {
            const AccountLook& look = m_looks.at(r.account - 1);
            return role == Qt::ForegroundRole ? look.text : look.background;
        }
        return QVariant();
    case Qt::FontRole:
        if (r.retrieved && (col == FromColumn || col == SubjectColumn))
            return m_emphasisFont;
        return QVariant();
    case Qt::DecorationRole:
        return r.attached && col == PictureColumn ? QVariant(m_attachmentIcon) : QVariant();
    case Qt::AccessibleTextRole:
        return r.attached && col == PictureColumn ? QVariant(m_attachmentText) : QVariant();
    default:
        return QVariant();
    }
}

QVariant MailListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The heading row shows its texts only; the rows have no heading.
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columns)
        return m_headings[std::size_t(section)];
    return QVariant();
}

Qt::ItemFlags MailListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void MailListModel::setHeading(int column, const QString& text)
{
    if (column < 0 || column >= columns || m_headings[std::size_t(column)] == text)
        return;
    m_headings[std::size_t(column)] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString MailListModel::heading(int column) const
{
    return column >= 0 && column < columns ? m_headings[std::size_t(column)] : QString();
}

void MailListModel::setEmphasisFont(const QFont& font)
{
    m_emphasisFont = font;
}

void MailListModel::setAttachmentPicture(const QIcon& icon, const QString& accessibleText)
{
    m_attachmentIcon = icon;
    m_attachmentText = accessibleText;
}

void MailListModel::replaceRows(QList<Row> rows, QList<AccountLook> looks)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_looks = std::move(looks);
    m_markedRows =
        int(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row& r) { return r.marked; }));
    endResetModel();
}

void MailListModel::setMarked(int row, bool marked)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).marked == marked)
        return;
    m_rows[row].marked = marked;
    m_markedRows += marked ? 1 : -1;
    const QModelIndex cell = index(row, MarkColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

void MailListModel::restyleRows(const std::function<Style(int account, int message)>& style)
{
    int first = -1;
    int last = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        Row& r = m_rows[i];
        const Style s = style(r.account, r.message);
        if (!r.marked && r.retrieved == s.retrieved && r.attached == s.attached)
            continue;
        r.marked = false;
        r.retrieved = s.retrieved;
        r.attached = s.attached;
        if (first < 0)
            first = i;
        last = i;
    }
    m_markedRows = 0;
    if (first >= 0)
        emit dataChanged(index(first, 0), index(last, columns - 1));
}
