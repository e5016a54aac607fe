// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "maillist/MailListModel.h"

#include <QColor>
#include <QTableView>

#include <array>
#include <functional>

class AccountTables;
class MailTable;

/*
 * The mail list `lvwMailBox`: one row per message waiting on any account,
 * seven columns ("N" for new, "○" for marked, attachment picture, sender,
 * subject, account number, hidden message number). Columns 5 and 6 are the
 * key of a row: every operation reads them and goes to that mail table
 * entry, so the grid never holds anything the table cannot rebuild.
 *
 * Rows are numbered as the rest of the checker counts them: row 0 is the
 * heading row (shown as the horizontal header), data rows are 1..rows() - 1.
 * Model row r is grid row r + 1.
 *
 * The main window `mailform` drives it: setListHeads at start-up and after
 * new mail, refreshRows then fillMailList (or clearRows) at the end of each
 * check, refreshRows at the end of a retrieval. A click toggles the mark of
 * its row and reports through marksChanged whether `RetrBt` and `DelBt`
 * should be enabled; a double click asks for the viewer through
 * showMessageRequested. The widget does not own the mail table.
 */
class MailListView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int columnCount = MailListModel::columns;
    // Column roles.
    static constexpr int NewColumn = MailListModel::NewColumn;
    static constexpr int MarkColumn = MailListModel::MarkColumn;
    static constexpr int PictureColumn = MailListModel::PictureColumn;
    static constexpr int FromColumn = MailListModel::FromColumn;
    static constexpr int SubjectColumn = MailListModel::SubjectColumn;
    static constexpr int AccountColumn = MailListModel::AccountColumn;
    static constexpr int MessageColumn = MailListModel::MessageColumn;
    // Column 4 gives up this much when the rows need a vertical scroll bar.
    static constexpr int scrollBarAllowanceTwips = 180;

    explicit MailListView(QWidget* parent = nullptr);
    ~MailListView() override;

    // The table the click handlers mark and unmark. Must outlive the view or
    // be reset with nullptr.
    void setMailTable(MailTable* table);
    // Name of an account for the tool tip ("Aname" + number; empty if absent).
    void setAccountNameLookup(std::function<QString(int account)> lookup);
    // Whether `RetrBt` is enabled, asked by the double-click handler. Without a
    // probe the view uses the flag set by setCommandsEnabled and by its own
    // marksChanged reports.
    void setCommandsEnabledProbe(std::function<bool()> probe);
    void setCommandsEnabled(bool enabled);
    bool commandsEnabled() const;

    // Heading row and column widths. colWidth holds the stored widths of
    // columns 0..5 in twips ("grdWidth0".."grdWidth5"); they are not changed.
    // Column 4 is 180 twips narrower when mailTotal rows do not fit.
    void setListHeads(const std::array<qint16, 6>& colWidth, int mailTotal, int twipsX);
    // Whether column 4 is narrowed now: set by setListHeads, cleared when
    // setColumnWidthTwips gives column 4 a stored width (saveLayout widens a
    // narrowed column back by 180 twips before storing).
    bool column4Narrowed() const { return m_column4Narrowed; }
    // Sets one of columns 0..5 to a stored width in twips, as loadoption does
    // with "grdWidth0".."grdWidth5"; columnWidthTwips reads it back exactly.
    void setColumnWidthTwips(int col, int twips, int twipsX);
    // Current width of a column in twips: the width last set in twips while
    // the user has not dragged the column, else pixels × twipsX.
    int columnWidthTwips(int col) const;
    // Whole rows, heading row included, that fit in the grid's height.
    int rowsThatFit() const;
    int rowHeightPixels() const;

    // Rebuilds every data row from the mail table and the per-account counts,
    // in account order, messages ascending or, with descendingOrder
    // ("Option9value", "ｱｶｳﾝﾄ別 降順"), descending within each account.
    // Messages numbered above listedCount are marked "N" unless afterDelete;
    // listedCount becomes mailCount afterwards.
    void fillMailList(MailTable& table, AccountTables& accounts, bool descendingOrder,
                      bool afterDelete);
    // Cuts the grid back to its heading row.
    void clearRows();
    // Clears every mark (column 1 and the entries' Mark) and restyles the
    // existing rows from the table: bold sender and subject for retrieved
    // messages, attachment picture.
    void refreshRows(MailTable& table);

    // Cell number for access by number: 7 × row + col.
    static qint32 faIndex(int row, int col) { return qint32(columnCount) * row + col; }
    // Number of rows, heading row included.
    int rows() const;
    // Text of a cell; row 0 reads the heading texts. Out of range reads empty.
    QString cellText(int row, int col) const;
    // Text of a cell by cell number from faIndex.
    QString textArray(qint32 cellNumber) const;
    // Whether a data row's sender and subject are emphasised (bold).
    bool isEmphasised(int row) const;
    // Whether a data row shows the attachment picture.
    bool hasPicture(int row) const;
    MailListModel* mailModel() const { return m_model; }

    // The grid's event handlers, run by the real click and double click;
    // row is the grid row the click made current (0 or out of range: no row).
    void lvwMailBox_Click(int row);
    void lvwMailBox_DblClick(int row);

    // The initial tool tip of the grid.
    static QString initialToolTip();
    // The text a screen reader reads for the attachment picture.
    static QString attachmentText();
    // 0x00BBGGRR as stored in "Scolor1"/"Scolor2".
    static QColor colorFromBgr(qint32 bgr);

signals:
    // After every click and double click: whether any row carries "○".
    // `RetrBt` and `DelBt` follow it.
    void marksChanged(bool anyMarked);
    // A double click on a row of a non-zero account and message: the
    // checker's showMessage opens the viewer when the message was retrieved.
    void showMessageRequested(int account, int message);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void handleClicked(const QModelIndex& index);
    void handleDoubleClicked(const QModelIndex& index);
    bool keyOf(int row, int* account, int* message) const;
    QFont emphasisFont() const;
    void reportMarks(bool anyMarked);

    MailListModel* m_model;
    MailTable* m_table = nullptr;
    std::function<QString(int)> m_accountName;
    std::function<bool()> m_commandsEnabledProbe;
    bool m_commandsEnabled = false;
    bool m_column4Narrowed = false;
    int m_twipsX = 15;
    // What setListHeads set for columns 0..5, in twips and in pixels.
    std::array<int, 6> m_setWidthTwips{};
    std::array<int, 6> m_setWidthPixels{};
};
