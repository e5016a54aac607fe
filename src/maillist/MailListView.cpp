// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailListView.h"

#include "maillist/AccountTables.h"
#include "maillist/MailListModel.h"
#include "maillist/MailTable.h"
#include "maillist/PictureDelegate.h"

#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <utility>

namespace {

// An entry the table does not hold (a grid key out of the table's range)
// reads as an empty, unretrieved message.
const MailRecord& recordOrEmpty(const MailTable& table, int account, int message)
{
    static const MailRecord empty;
    return table.contains(account, message) ? table.entry(account, message) : empty;
}

MailListModel::Style styleOf(const MailRecord& record)
{
    // A retrieved message stands out in bold sender and subject.
    return {!record.Body.isEmpty(), record.Attached != 0};
}

} // namespace

MailListView::MailListView(QWidget* parent) : QTableView(parent), m_model(new MailListModel(this))
{
    setObjectName(QStringLiteral("lvwMailBox"));
    setModel(m_model);
    m_model->setHeading(FromColumn, QStringLiteral("差出人"));
    m_model->setHeading(SubjectColumn, QStringLiteral("件名"));

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
    QIcon attachment;
    attachment.addFile(QStringLiteral(":/maillist/icons/attachment-16.png"), QSize(16, 16));
    attachment.addFile(QStringLiteral(":/maillist/icons/attachment-32.png"), QSize(32, 32));
    m_model->setAttachmentPicture(attachment, attachmentText());

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
        m_model->setHeading(col, headings[std::size_t(col)]);
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

QString MailListView::cellText(int row, int col) const
{
    if (col < 0 || col >= columnCount || row < 0 || row >= rows())
        return QString();
    if (row == 0)
        return m_model->heading(col);
    return m_model->index(row - 1, col).data().toString();
}

QString MailListView::textArray(qint32 cellNumber) const
{
    if (cellNumber < 0)
        return QString();
    return cellText(int(cellNumber / columnCount), int(cellNumber % columnCount));
}

bool MailListView::isEmphasised(int row) const
{
    return row >= 1 && row < rows() &&
           m_model->index(row - 1, FromColumn).data(Qt::FontRole).value<QFont>().bold();
}

bool MailListView::hasPicture(int row) const
{
    return row >= 1 && row < rows() &&
           m_model->index(row - 1, PictureColumn).data(Qt::DecorationRole).isValid();
}

bool MailListView::keyOf(int row, int* account, int* message) const
{
    if (row < 1 || row >= rows())
        return false;
    *account = m_model->row(row - 1).account;
    *message = m_model->row(row - 1).message;
    return true;
}

QFont MailListView::emphasisFont() const
{
    QFont bold = font();
    bold.setBold(true);
    return bold;
}

void MailListView::fillMailList(MailTable& table, AccountTables& accounts, bool descendingOrder,
                                bool afterDelete)
{
    qsizetype total = 0;
    for (int a = 1; a <= accounts.count(); ++a)
        total += std::max(0, accounts[a].mailCount);
    // The rows are made in their final order and handed over at once:
    // inserting each row at its account's first row, as the descending
    // order would, costs time in the square of the rows.
    QList<MailListModel::Row> rows;
    rows.reserve(total);
    QList<MailListModel::AccountLook> looks;
    looks.reserve(accounts.count());
    for (int a = 1; a <= accounts.count(); ++a) {
        AccountState& state = accounts[a];
        // Messages have gone from the server: the numbers were given anew,
        // so none of them can be told apart as already seen.
        if (state.listedCount > state.mailCount)
            state.listedCount = 0;
        looks.append({QBrush(colorFromBgr(state.Scolor1)), QBrush(colorFromBgr(state.Scolor2))});
        for (int i = 0; i < state.mailCount; ++i) {
            const int m = descendingOrder ? state.mailCount - i : i + 1;
            const MailRecord& record = recordOrEmpty(table, a, m);
            const MailListModel::Style style = styleOf(record);
            rows.append({record.From, record.Subject, a, m, m > state.listedCount && !afterDelete,
                         false, style.retrieved, style.attached});
        }
        state.listedCount = state.mailCount;
    }
    m_model->setEmphasisFont(emphasisFont());
    setUpdatesEnabled(false);
    m_model->replaceRows(std::move(rows), std::move(looks));
    setUpdatesEnabled(true);
}

void MailListView::clearRows()
{
    m_model->replaceRows({}, {});
}

void MailListView::refreshRows(MailTable& table)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const MailListModel::Row& r = m_model->row(row);
        if (table.contains(r.account, r.message))
            table.entry(r.account, r.message).Mark = 0;
    }
    m_model->setEmphasisFont(emphasisFont());
    setUpdatesEnabled(false);
    m_model->restyleRows([&table](int account, int message) {
        return styleOf(recordOrEmpty(table, account, message));
    });
    setUpdatesEnabled(true);
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
        const bool wasMarked = m_model->row(row - 1).marked;
        m_model->setMarked(row - 1, !wasMarked);
        if (m_table && m_table->contains(account, message))
            m_table->entry(account, message).Mark = wasMarked ? 0 : -1;
        const QString name = m_accountName ? m_accountName(account) : QString();
        setToolTip(QStringLiteral("ｱｶｳﾝﾄ：") + name);
    }
    reportMarks(m_model->anyMarked());
}

void MailListView::lvwMailBox_DblClick(int row)
{
    // The click that precedes every double click has just toggled the row's
    // mark: the double click goes on only while some row is still marked.
    if (!commandsEnabled())
        return;
    if (row >= 1 && row < rows()) {
        m_model->setMarked(row - 1, false);
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
