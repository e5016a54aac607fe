// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailListView.h"

#include "maillist/AccountTables.h"
#include "maillist/MailTable.h"
#include "maillist/PictureDelegate.h"

#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardItemModel>

#include <algorithm>
#include <utility>

namespace {

const QString markText = QStringLiteral("○");
const QString newText = QStringLiteral("N");

// An entry the table does not hold (a grid key out of the table's range)
// reads as an empty, unretrieved message.
const MailRecord& recordOrEmpty(const MailTable& table, int account, int message)
{
    static const MailRecord empty;
    return table.contains(account, message) ? table.entry(account, message) : empty;
}

} // namespace

MailListView::MailListView(QWidget* parent)
    : QTableView(parent), m_model(new QStandardItemModel(0, columnCount, this))
{
    setObjectName(QStringLiteral("lvwMailBox"));
    setModel(m_model);
    for (int col = 0; col < columnCount; ++col)
        m_model->setHorizontalHeaderItem(col, new QStandardItem());
    m_model->horizontalHeaderItem(FromColumn)->setText(QStringLiteral("差出人"));
    m_model->horizontalHeaderItem(SubjectColumn)->setText(QStringLiteral("件名"));

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    setToolTip(initialToolTip());

    // The grid's rows all have one height; the heading row is one of them,
    // so that whole grid height / row height counts the heading too.
    const int rowHeight = std::max(16, fontMetrics().height() + 4);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    setColumnHidden(MessageColumn, true);
    setItemDelegateForColumn(PictureColumn, new PictureDelegate(this));
    m_attachmentIcon.addFile(QStringLiteral(":/maillist/icons/attachment-16.png"), QSize(16, 16));
    m_attachmentIcon.addFile(QStringLiteral(":/maillist/icons/attachment-32.png"), QSize(32, 32));

    connect(this, &QAbstractItemView::clicked, this, &MailListView::handleClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, &MailListView::handleDoubleClicked);
}

MailListView::~MailListView() = default;

void MailListView::setMailTable(MailTable* table)
{
    m_table = table;
}

void MailListView::setAccountNameLookup(std::function<QString(int)> lookup)
{
    m_accountName = std::move(lookup);
}

void MailListView::setCommandsEnabledProbe(std::function<bool()> probe)
{
    m_commandsEnabledProbe = std::move(probe);
}

void MailListView::setCommandsEnabled(bool enabled)
{
    m_commandsEnabled = enabled;
}

bool MailListView::commandsEnabled() const
{
    return m_commandsEnabledProbe ? m_commandsEnabledProbe() : m_commandsEnabled;
}

void MailListView::setListHeads(const std::array<qint16, 6>& colWidth, int mailTotal, int twipsX)
{
    m_twipsX = twipsX > 0 ? twipsX : 15;
    std::array<int, 6> widthTwips{};
    std::copy(colWidth.begin(), colWidth.end(), widthTwips.begin());
    // When the rows below the heading need a vertical scroll bar, column 4
    // gives it room; the stored widths stay the user's.
    const bool narrowed = rowsThatFit() - 1 < mailTotal;
    if (narrowed)
        widthTwips[SubjectColumn] -= scrollBarAllowanceTwips;

    static const std::array<QString, 6> headings = {
        QString(), QString(), QString(), QStringLiteral("差出人"), QStringLiteral("件名"),
        QString()};
    for (int col = 0; col < 6; ++col) {
        m_model->horizontalHeaderItem(col)->setText(headings[std::size_t(col)]);
        setColumnWidthTwips(col, widthTwips[std::size_t(col)], m_twipsX);
    }
    setColumnWidth(MessageColumn, 0);
    setColumnHidden(MessageColumn, true);
    m_column4Narrowed = narrowed;
}

void MailListView::setColumnWidthTwips(int col, int twips, int twipsX)
{
    if (col < 0 || col >= 6)
        return;
    m_twipsX = twipsX > 0 ? twipsX : 15;
    twips = std::max(0, twips);
    setColumnWidth(col, twips / m_twipsX);
    m_setWidthTwips[std::size_t(col)] = twips;
    m_setWidthPixels[std::size_t(col)] = twips / m_twipsX;
    if (col == SubjectColumn)
        m_column4Narrowed = false;
}

int MailListView::columnWidthTwips(int col) const
{
    if (col < 0 || col >= columnCount || isColumnHidden(col))
        return 0;
    const int pixels = columnWidth(col);
    // Pixels hold less than twips: give back the width setListHeads was
    // given unless the user has dragged the column since, so that storing
    // and reading the layout again does not creep.
    if (col < 6 && pixels == m_setWidthPixels[std::size_t(col)])
        return m_setWidthTwips[std::size_t(col)];
    return pixels * m_twipsX;
}

int MailListView::rowHeightPixels() const
{
    return verticalHeader()->defaultSectionSize();
}

int MailListView::rowsThatFit() const
{
    return height() / std::max(1, rowHeightPixels());
}

int MailListView::rows() const
{
    return m_model->rowCount() + 1;
}

QStandardItem* MailListView::itemAt(int row, int col) const
{
    if (col < 0 || col >= columnCount || row < 0 || row >= rows())
        return nullptr;
    return row == 0 ? m_model->horizontalHeaderItem(col) : m_model->item(row - 1, col);
}

QString MailListView::cellText(int row, int col) const
{
    const QStandardItem* item = itemAt(row, col);
    return item ? item->text() : QString();
}

QString MailListView::textArray(qint32 cellNumber) const
{
    if (cellNumber < 0)
        return QString();
    return cellText(int(cellNumber / columnCount), int(cellNumber % columnCount));
}

bool MailListView::isEmphasised(int row) const
{
    const QStandardItem* item = row > 0 ? itemAt(row, FromColumn) : nullptr;
    return item && item->data(Qt::FontRole).value<QFont>().bold();
}

bool MailListView::hasPicture(int row) const
{
    const QStandardItem* item = row > 0 ? itemAt(row, PictureColumn) : nullptr;
    return item && item->data(Qt::DecorationRole).isValid();
}

bool MailListView::keyOf(int row, int* account, int* message) const
{
    if (row < 1 || row >= rows())
        return false;
    *account = cellText(row, AccountColumn).toInt();
    *message = cellText(row, MessageColumn).toInt();
    return true;
}

void MailListView::styleRow(int modelRow, const MailTable& table)
{
    int account = 0;
    int message = 0;
    keyOf(modelRow + 1, &account, &message);
    const MailRecord& record = recordOrEmpty(table, account, message);

    // A retrieved message stands out in bold sender and subject.
    QFont bold = font();
    bold.setBold(true);
    for (int col : {FromColumn, SubjectColumn}) {
        QStandardItem* item = m_model->item(modelRow, col);
        if (record.Body.isEmpty())
            item->setData(QVariant(), Qt::FontRole);
        else
            item->setFont(bold);
    }

    QStandardItem* picture = m_model->item(modelRow, PictureColumn);
    if (record.Attached != 0) {
        picture->setData(m_attachmentIcon, Qt::DecorationRole);
        picture->setData(attachmentText(), Qt::AccessibleTextRole);
    } else {
        picture->setData(QVariant(), Qt::DecorationRole);
        picture->setData(QVariant(), Qt::AccessibleTextRole);
    }
}

void MailListView::fillMailList(MailTable& table, AccountTables& accounts, bool descendingOrder,
                                bool afterDelete)
{
    setUpdatesEnabled(false);
    clearRows();
    for (int a = 1; a <= accounts.count(); ++a) {
        AccountState& state = accounts[a];
        const int firstRow = m_model->rowCount();
        // Messages have gone from the server: the numbers were given anew,
        // so none of them can be told apart as already seen.
        if (state.listedCount > state.mailCount)
            state.listedCount = 0;
        const QBrush text(colorFromBgr(state.Scolor1));
        const QBrush background(colorFromBgr(state.Scolor2));
        for (int m = 1; m <= state.mailCount; ++m) {
            const MailRecord& record = recordOrEmpty(table, a, m);
            QList<QStandardItem*> cells;
            cells.reserve(columnCount);
            for (int col = 0; col < columnCount; ++col)
                cells.append(new QStandardItem());
            cells[FromColumn]->setText(record.From);
            cells[SubjectColumn]->setText(record.Subject);
            cells[AccountColumn]->setText(QString::number(a));
            cells[MessageColumn]->setText(QString::number(m));
            for (int col = 0; col <= AccountColumn; ++col) {
                cells[col]->setForeground(text);
                cells[col]->setBackground(background);
            }
            if (m > state.listedCount && !afterDelete)
                cells[NewColumn]->setText(newText);
            const int row = descendingOrder ? firstRow : m_model->rowCount();
            m_model->insertRow(row, cells);
            styleRow(row, table);
        }
        state.listedCount = state.mailCount;
    }
    setUpdatesEnabled(true);
}

void MailListView::clearRows()
{
    m_model->setRowCount(0);
}

void MailListView::refreshRows(MailTable& table)
{
    setUpdatesEnabled(false);
    for (int modelRow = 0; modelRow < m_model->rowCount(); ++modelRow) {
        m_model->item(modelRow, MarkColumn)->setText(QString());
        int account = 0;
        int message = 0;
        keyOf(modelRow + 1, &account, &message);
        if (table.contains(account, message))
            table.entry(account, message).Mark = 0;
        styleRow(modelRow, table);
    }
    setUpdatesEnabled(true);
}

bool MailListView::anyMarked() const
{
    // The heading row is scanned too; it never holds the mark.
    for (int row = 0; row < rows(); ++row) {
        if (textArray(faIndex(row, MarkColumn)) == markText)
            return true;
    }
    return false;
}

void MailListView::reportMarks(bool marked)
{
    m_commandsEnabled = marked;
    emit marksChanged(marked);
}

void MailListView::lvwMailBox_Click(int row)
{
    if (row >= 1 && row < rows()) {
        setCurrentIndex(m_model->index(row - 1, NewColumn));
        int account = 0;
        int message = 0;
        keyOf(row, &account, &message);
        QStandardItem* mark = m_model->item(row - 1, MarkColumn);
        const bool wasMarked = !mark->text().isEmpty();
        mark->setText(wasMarked ? QString() : markText);
        if (m_table && m_table->contains(account, message))
            m_table->entry(account, message).Mark = wasMarked ? 0 : -1;
        const QString name = m_accountName ? m_accountName(account) : QString();
        setToolTip(QStringLiteral("ｱｶｳﾝﾄ：") + name);
    }
    reportMarks(anyMarked());
}

void MailListView::lvwMailBox_DblClick(int row)
{
    // The click that precedes every double click has just toggled the row's
    // mark: the double click goes on only while some row is still marked.
    if (!commandsEnabled())
        return;
    if (row >= 1 && row < rows()) {
        m_model->item(row - 1, MarkColumn)->setText(QString());
        int account = 0;
        int message = 0;
        keyOf(row, &account, &message);
        if (account != 0 && message != 0) {
            if (m_table && m_table->contains(account, message))
                m_table->entry(account, message).Mark = 0;
            emit showMessageRequested(account, message);
        }
    }
    reportMarks(false);
}

void MailListView::handleClicked(const QModelIndex& index)
{
    lvwMailBox_Click(index.row() + 1);
}

void MailListView::handleDoubleClicked(const QModelIndex& index)
{
    lvwMailBox_DblClick(index.row() + 1);
}

void MailListView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool onNoRow = event->button() == Qt::LeftButton && !indexAt(pos).isValid() &&
                         viewport()->rect().contains(pos);
    QTableView::mouseReleaseEvent(event);
    // A click below the last row (or in an empty list) marks nothing but
    // still settles the buttons, as every click does.
    if (onNoRow)
        lvwMailBox_Click(0);
}

void MailListView::keyPressEvent(QKeyEvent* event)
{
    // Keyboard users mark with Space and open with Enter, as a click and a
    // double click on the current row would.
    const int row = currentIndex().isValid() ? currentIndex().row() + 1 : 0;
    switch (event->key()) {
    case Qt::Key_Space:
        lvwMailBox_Click(row);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        lvwMailBox_DblClick(row);
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

QString MailListView::initialToolTip()
{
    return QStringLiteral("ｸﾘｯｸでｱｶｳﾝﾄ表示、ﾀﾞﾌﾞﾙｸﾘｯｸで取得したﾒｰﾙを表示します");
}

QString MailListView::attachmentText()
{
    return QStringLiteral("添付あり");
}

QColor MailListView::colorFromBgr(qint32 bgr)
{
    const quint32 v = quint32(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}
