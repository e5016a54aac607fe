// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QBrush>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QString>

#include <array>
#include <functional>

/*
 * The item model of the mail list: one row per listed message, seven
 * columns ("N", mark "○", attachment picture, sender, subject, account
 * number, message number). A row is a few plain fields, not seven items
 * with their own roles: a check may list 100,000 messages of an account,
 * and the list is rebuilt after every check, in one model reset that costs
 * time and memory in proportion to its rows.
 *
 * The sender and subject are copies taken when the list is built, so that
 * the grid shows what was listed until the next rebuild. Colours are the
 * account's (columns 0..5); the emphasis font and the attachment picture
 * are the view's. MailListView drives it and is its only writer.
 */
class MailListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int columns = 7;
    static constexpr int NewColumn = 0;
    static constexpr int MarkColumn = 1;
    static constexpr int PictureColumn = 2;
    static constexpr int FromColumn = 3;
    static constexpr int SubjectColumn = 4;
    static constexpr int AccountColumn = 5;
    static constexpr int MessageColumn = 6;

    struct Row
    {
        QString from;
        QString subject;
        int account = 0;
        int message = 0;
        bool isNew = false;     // shows "N"
        bool marked = false;    // shows "○"
        bool retrieved = false; // sender and subject in the emphasis font
        bool attached = false;  // shows the attachment picture
    };
    // An account's colours, for columns 0..5 of its rows.
    struct AccountLook
    {
        QBrush text;
        QBrush background;
    };
    // What restyleRows asks of each row's message.
    struct Style
    {
        bool retrieved = false;
        bool attached = false;
    };

    explicit MailListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setHeading(int column, const QString& text);
    QString heading(int column) const;
    void setEmphasisFont(const QFont& font);
    void setAttachmentPicture(const QIcon& icon, const QString& accessibleText);

    // Replaces every row; looks[a - 1] colours the rows of account a (an
    // account without a look is shown uncoloured). Views see one reset:
    // current index and selection go.
    void replaceRows(QList<Row> rows, QList<AccountLook> looks);
    const Row& row(int row) const { return m_rows.at(row); }
    // Shows or clears the mark of a row; views hear of that one cell.
    void setMarked(int row, bool marked);
    bool anyMarked() const { return m_markedRows > 0; }
    // Clears every mark and sets each row's emphasis and picture from
    // style(account, message). Views hear of the changed rows in one
    // dataChanged.
    void restyleRows(const std::function<Style(int account, int message)>& style);

private:
    QList<Row> m_rows;
    QList<AccountLook> m_looks;
    std::array<QString, columns> m_headings;
    QFont m_emphasisFont;
    QIcon m_attachmentIcon;
    QString m_attachmentText;
    int m_markedRows = 0;
};
