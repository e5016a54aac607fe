// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailListView.h"
#include "maillist/AccountTables.h"
#include "maillist/MailTable.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

const std::array<qint16, 6> defaultWidths = {260, 260, 130, 2740, 4770, 300};

// Accounts 1..n holding the given message counts; every entry carries its
// own numbers in sender and subject.
struct Mailboxes
{
    MailTable table;
    AccountTables accounts;

    explicit Mailboxes(const QList<int>& counts)
    {
        const int n = int(counts.size());
        accounts.resize(n);
        table.redim(
            n,
            std::max(10, counts.isEmpty() ? 0 : *std::max_element(counts.begin(), counts.end())));
        for (int a = 1; a <= n; ++a) {
            accounts[a].mailCount = counts[a - 1];
            for (int m = 1; m <= counts[a - 1]; ++m) {
                table.entry(a, m).From = QStringLiteral("from %1-%2").arg(a).arg(m);
                table.entry(a, m).Subject = QStringLiteral("subject %1-%2").arg(a).arg(m);
            }
        }
    }
};

// "account-message" of every data row, in grid order.
QStringList rowKeys(const MailListView& view)
{
    QStringList keys;
    for (int row = 1; row < view.rows(); ++row)
        keys << view.cellText(row, 5) + QLatin1Char('-') + view.cellText(row, 6);
    return keys;
}

QStringList column(const MailListView& view, int col)
{
    QStringList cells;
    for (int row = 1; row < view.rows(); ++row)
        cells << view.cellText(row, col);
    return cells;
}

QPoint cellCentre(const MailListView& view, int row, int col = 3)
{
    return view.visualRect(view.mailModel()->index(row - 1, col)).center();
}

} // namespace

class MailListViewTest : public QObject
{
    Q_OBJECT

private slots:
    void rowOrder_data();
    void rowOrder();
    void longListBuiltAtOnce_data();
    void longListBuiltAtOnce();
    void newMarks_data();
    void newMarks();
    void newMarkShownInOneRebuildOnly();
    void accountColours_data();
    void accountColours();
    void clickTogglesMarkAndCommands();
    void clickOnEmptyListDisablesCommands();
    void doubleClick_data();
    void doubleClick();
    void doubleClickHonoursButtonProbe();
    void keyboardMarksAndOpens();
    void refreshRowsClearsMarksKeepsStyle();
    void listHeadsNarrowSubjectWhenRowsOverflow_data();
    void listHeadsNarrowSubjectWhenRowsOverflow();
    void columnWidthTwipsRoundTrip();
    void modelStaysConsistent();
    void attachmentCellIsReadable();
    void pictureShowsInNarrowColumn();
};

void MailListViewTest::rowOrder_data()
{
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QStringList>("keys");
    QTest::addRow("ascending, accounts in order")
        << false
        << QStringList{QStringLiteral("1-1"), QStringLiteral("1-2"), QStringLiteral("1-3"),
                       QStringLiteral("2-1"), QStringLiteral("2-2")};
    QTest::addRow("descending within each account, accounts still in order")
        << true
        << QStringList{QStringLiteral("1-3"), QStringLiteral("1-2"), QStringLiteral("1-1"),
                       QStringLiteral("2-2"), QStringLiteral("2-1")};
}

void MailListViewTest::rowOrder()
{
    QFETCH(bool, descending);
    QFETCH(QStringList, keys);
    Mailboxes boxes({3, 2});
    MailListView view;
    view.fillMailList(boxes.table, boxes.accounts, descending, false);
    QCOMPARE(view.rows(), 6);
    QCOMPARE(rowKeys(view), keys);
    for (int row = 1; row < view.rows(); ++row) {
        const QString key = view.cellText(row, 5) + QLatin1Char('-') + view.cellText(row, 6);
        QCOMPARE(view.cellText(row, 3), QStringLiteral("from ") + key);
        QCOMPARE(view.cellText(row, 4), QStringLiteral("subject ") + key);
    }
}

void MailListViewTest::longListBuiltAtOnce_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<bool>("descending");
    QTest::addRow("20,000 ascending") << QList<int>{20000} << false;
    // Each row went in at the account's first row: time in the square of
    // the rows, and every later refresh and rebuild as slow (issue 16).
    QTest::addRow("20,000 descending") << QList<int>{20000} << true;
    QTest::addRow("three accounts descending") << QList<int>{7000, 6000, 7000} << true;
}

void MailListViewTest::longListBuiltAtOnce()
{
    QFETCH(QList<int>, counts);
    QFETCH(bool, descending);
    Mailboxes boxes(counts);
    // Two messages of each account came in since the last list.
    QStringList keys;
    QStringList newColumn;
    for (int a = 1; a <= counts.size(); ++a) {
        const int count = counts[a - 1];
        boxes.accounts[a].listedCount = count - 2;
        for (int i = 0; i < count; ++i) {
            const int m = descending ? count - i : i + 1;
            keys << QStringLiteral("%1-%2").arg(a).arg(m);
            newColumn << (m > count - 2 ? QStringLiteral("N") : QString());
        }
    }
    MailListView view;
    view.setMailTable(&boxes.table);
    QSignalSpy resets(view.mailModel(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(view.mailModel(), &QAbstractItemModel::rowsInserted);

    view.fillMailList(boxes.table, boxes.accounts, descending, false);
    QCOMPARE(rowKeys(view), keys);
    QCOMPARE(column(view, 0), newColumn);
    // As at the end of every check: the list shown is refreshed, then rebuilt.
    view.lvwMailBox_Click(view.rows() - 1);
    view.refreshRows(boxes.table);
    QCOMPARE(view.cellText(view.rows() - 1, 1), QString());
    view.fillMailList(boxes.table, boxes.accounts, descending, false);
    QCOMPARE(rowKeys(view), keys);
    QCOMPARE(column(view, 0).count(QStringLiteral("N")), 0);
    // Views lay the list out once per rebuild, not once per row.
    QCOMPARE(resets.size(), 2);
    QCOMPARE(inserts.size(), 0);
}

void MailListViewTest::newMarks_data()
{
    QTest::addColumn<int>("listed");
    QTest::addColumn<int>("now");
    QTest::addColumn<bool>("afterDelete");
    QTest::addColumn<QStringList>("newColumn");

    const QString n = QStringLiteral("N");
    QTest::addRow("two more messages: the two are new")
        << 5 << 7 << false << QStringList{{}, {}, {}, {}, {}, n, n};
    QTest::addRow("fewer messages: numbers were given anew, all new")
        << 7 << 4 << false << QStringList{n, n, n, n};
    QTest::addRow("fewer messages after our own deletion: none new")
        << 7 << 4 << true << QStringList{{}, {}, {}, {}};
    QTest::addRow("more messages after a deletion: none new")
        << 2 << 3 << true << QStringList{{}, {}, {}};
    QTest::addRow("unchanged count: none new") << 3 << 3 << false << QStringList{{}, {}, {}};
    QTest::addRow("first build: all new") << 0 << 2 << false << QStringList{n, n};
}

void MailListViewTest::newMarks()
{
    QFETCH(int, listed);
    QFETCH(int, now);
    QFETCH(bool, afterDelete);
    QFETCH(QStringList, newColumn);
    Mailboxes boxes({now});
    boxes.accounts[1].listedCount = listed;
    MailListView view;
    view.fillMailList(boxes.table, boxes.accounts, false, afterDelete);
    QCOMPARE(column(view, 0), newColumn);
    QCOMPARE(boxes.accounts[1].listedCount, now);
}

void MailListViewTest::newMarkShownInOneRebuildOnly()
{
    Mailboxes boxes({2, 1});
    boxes.accounts[1].listedCount = 1;
    MailListView view;
    view.fillMailList(boxes.table, boxes.accounts, true, false);
    QCOMPARE(column(view, 0), (QStringList{QStringLiteral("N"), {}, QStringLiteral("N")}));
    view.fillMailList(boxes.table, boxes.accounts, true, false);
    QCOMPARE(column(view, 0), (QStringList{{}, {}, {}}));
}

void MailListViewTest::accountColours_data()
{
    QTest::addColumn<qint32>("text");
    QTest::addColumn<qint32>("background");
    QTest::addColumn<QColor>("textColour");
    QTest::addColumn<QColor>("backgroundColour");
    QTest::addRow("defaults: black on light yellow")
        << 0 << 16777088 << QColor(0, 0, 0) << QColor(0x80, 0xFF, 0xFF);
    QTest::addRow("red byte is the lowest")
        << qint32(0x0000FF) << qint32(0xFF0000) << QColor(0xFF, 0, 0) << QColor(0, 0, 0xFF);
    QTest::addRow("top byte ignored") << qint32(0x7F123456) << qint32(0x00ABCDEF)
                                      << QColor(0x56, 0x34, 0x12) << QColor(0xEF, 0xCD, 0xAB);
}

void MailListViewTest::accountColours()
{
    QFETCH(qint32, text);
    QFETCH(qint32, background);
    QFETCH(QColor, textColour);
    QFETCH(QColor, backgroundColour);
    Mailboxes boxes({1, 1});
    boxes.accounts[2].Scolor1 = text;
    boxes.accounts[2].Scolor2 = background;
    MailListView view;
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    const QAbstractItemModel* model = view.mailModel();
    auto colour = [model](int row, int col, int role) {
        return model->index(row, col).data(role).value<QBrush>().color();
    };
    for (int col = 0; col <= 5; ++col) {
        QCOMPARE(colour(1, col, Qt::ForegroundRole), textColour);
        QCOMPARE(colour(1, col, Qt::BackgroundRole), backgroundColour);
        QCOMPARE(colour(0, col, Qt::BackgroundRole), QColor(0x80, 0xFF, 0xFF));
    }
}

void MailListViewTest::clickTogglesMarkAndCommands()
{
    Mailboxes boxes({2, 1});
    MailListView view;
    view.setMailTable(&boxes.table);
    view.setAccountNameLookup(
        [](int account) { return account == 2 ? QStringLiteral("仕事") : QString(); });
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    QCOMPARE(view.toolTip(), QStringLiteral("ｸﾘｯｸでｱｶｳﾝﾄ表示、ﾀﾞﾌﾞﾙｸﾘｯｸで取得したﾒｰﾙを表示します"));
    QSignalSpy marks(&view, &MailListView::marksChanged);

    view.lvwMailBox_Click(3);
    QCOMPARE(view.cellText(3, 1), QStringLiteral("○"));
    QCOMPARE(boxes.table.entry(2, 1).Mark, qint16(-1));
    QCOMPARE(view.toolTip(), QStringLiteral("ｱｶｳﾝﾄ：仕事"));
    QCOMPARE(marks.takeLast().at(0).toBool(), true);

    view.lvwMailBox_Click(1);
    QCOMPARE(view.toolTip(), QStringLiteral("ｱｶｳﾝﾄ："));
    QCOMPARE(marks.takeLast().at(0).toBool(), true);

    view.lvwMailBox_Click(3); // another row still marked: commands stay on
    QCOMPARE(view.cellText(3, 1), QString());
    QCOMPARE(boxes.table.entry(2, 1).Mark, qint16(0));
    QCOMPARE(marks.takeLast().at(0).toBool(), true);

    view.lvwMailBox_Click(1); // the last mark goes: commands off
    QCOMPARE(boxes.table.entry(1, 1).Mark, qint16(0));
    QCOMPARE(marks.takeLast().at(0).toBool(), false);
    QVERIFY(!view.commandsEnabled());
}

void MailListViewTest::clickOnEmptyListDisablesCommands()
{
    MailListView view;
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCommandsEnabled(true);
    QSignalSpy marks(&view, &MailListView::marksChanged);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks.at(0).at(0).toBool(), false);
    QVERIFY(!view.commandsEnabled());
}

void MailListViewTest::doubleClick_data()
{
    QTest::addColumn<bool>("rowMarked");
    QTest::addColumn<bool>("otherMarked");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("otherMark");

    // The click of the double click toggles first; the double click then
    // goes on only while some mark is left.
    QTest::addRow("unmarked row, no other marks: opens, all off")
        << false << false << true << QString();
    QTest::addRow("marked row, no other marks: click unmarks, nothing opens")
        << true << false << false << QString();
    QTest::addRow("marked row, another marked: opens, other mark stays")
        << true << true << true << QStringLiteral("○");
}

void MailListViewTest::doubleClick()
{
    QFETCH(bool, rowMarked);
    QFETCH(bool, otherMarked);
    QFETCH(bool, opens);
    QFETCH(QString, otherMark);

    Mailboxes boxes({3});
    boxes.table.entry(1, 2).Body = QStringLiteral("body");
    MailListView view;
    view.setMailTable(&boxes.table);
    view.resize(500, 200);
    view.setListHeads(defaultWidths, 3, 15);
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    if (rowMarked)
        view.lvwMailBox_Click(2);
    if (otherMarked)
        view.lvwMailBox_Click(3);

    QSignalSpy open(&view, &MailListView::showMessageRequested);
    QSignalSpy marks(&view, &MailListView::marksChanged);
    // Through the window, as the window system delivers it: press, release
    // (the click), press (the double click), release. QTest's widget
    // overload would send the double-click event alone.
    QTest::mouseDClick(view.windowHandle(), Qt::LeftButton, {},
                       view.viewport()->mapTo(&view, cellCentre(view, 2)));

    QCOMPARE(open.size(), opens ? 1 : 0);
    if (opens)
        QCOMPARE(open.at(0), (QList<QVariant>{1, 2}));
    QCOMPARE(view.cellText(2, 1), QString());
    QCOMPARE(boxes.table.entry(1, 2).Mark, qint16(0));
    QCOMPARE(view.cellText(3, 1), otherMark);
    QVERIFY(!marks.isEmpty());
    QCOMPARE(marks.last().at(0).toBool(), false);
    QVERIFY(!view.commandsEnabled());
}

void MailListViewTest::doubleClickHonoursButtonProbe()
{
    Mailboxes boxes({1});
    MailListView view;
    view.setMailTable(&boxes.table);
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    bool retrEnabled = false;
    view.setCommandsEnabledProbe([&retrEnabled] { return retrEnabled; });
    view.lvwMailBox_Click(1);
    QSignalSpy open(&view, &MailListView::showMessageRequested);

    view.lvwMailBox_DblClick(1); // the window kept RetrBt off
    QCOMPARE(open.size(), 0);
    QCOMPARE(view.cellText(1, 1), QStringLiteral("○"));

    retrEnabled = true;
    view.lvwMailBox_DblClick(1);
    QCOMPARE(open.size(), 1);
    QCOMPARE(view.cellText(1, 1), QString());
}

void MailListViewTest::keyboardMarksAndOpens()
{
    Mailboxes boxes({2});
    MailListView view;
    view.setMailTable(&boxes.table);
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCurrentIndex(view.mailModel()->index(1, 0));
    QSignalSpy open(&view, &MailListView::showMessageRequested);
    QTest::keyClick(&view, Qt::Key_Space);
    QCOMPARE(view.cellText(2, 1), QStringLiteral("○"));
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.at(0), (QList<QVariant>{1, 2}));
}

void MailListViewTest::refreshRowsClearsMarksKeepsStyle()
{
    Mailboxes boxes({3});
    boxes.table.entry(1, 1).Body = QStringLiteral("retrieved");
    boxes.table.entry(1, 3).Attached = -1;
    MailListView view;
    view.setMailTable(&boxes.table);
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    QVERIFY(view.isEmphasised(1));
    QVERIFY(!view.isEmphasised(2));
    QVERIFY(view.hasPicture(3));
    view.lvwMailBox_Click(1);
    view.lvwMailBox_Click(2);

    // A retrieval has since fetched message 2.
    boxes.table.entry(1, 2).Body = QStringLiteral("now retrieved");
    view.refreshRows(boxes.table);
    QCOMPARE(column(view, 1), (QStringList{{}, {}, {}}));
    for (int m = 1; m <= 3; ++m)
        QCOMPARE(boxes.table.entry(1, m).Mark, qint16(0));
    QVERIFY(view.isEmphasised(1));
    QVERIFY(view.isEmphasised(2));
    QVERIFY(!view.isEmphasised(3));
    QVERIFY(!view.hasPicture(1));
    QVERIFY(view.hasPicture(3));
    QCOMPARE(view.mailModel()->index(0, 4).data(Qt::FontRole).value<QFont>().bold(), true);
    QCOMPARE(column(view, 0),
             (QStringList{QStringLiteral("N"), QStringLiteral("N"), QStringLiteral("N")}));

    view.clearRows();
    QCOMPARE(view.rows(), 1);
    QCOMPARE(view.cellText(0, 3), QStringLiteral("差出人"));
}

void MailListViewTest::listHeadsNarrowSubjectWhenRowsOverflow_data()
{
    QTest::addColumn<int>("extraRows");
    QTest::addColumn<bool>("narrowed");
    // extraRows: mailTotal relative to the data rows that fit below the heading.
    QTest::addRow("all rows fit") << 0 << false;
    QTest::addRow("fewer than fit") << -3 << false;
    QTest::addRow("one row more than fits") << 1 << true;
}

void MailListViewTest::listHeadsNarrowSubjectWhenRowsOverflow()
{
    QFETCH(int, extraRows);
    QFETCH(bool, narrowed);
    MailListView view;
    view.resize(574, 244); // the grid at the default window size, 15 twips per pixel
    const int fit = 244 / view.rowHeightPixels();
    QCOMPARE(view.rowsThatFit(), fit);

    view.setListHeads(defaultWidths, fit - 1 + extraRows, 15);
    QCOMPARE(view.column4Narrowed(), narrowed);
    QCOMPARE(view.columnWidth(4), narrowed ? (4770 - 180) / 15 : 4770 / 15);
    QCOMPARE(view.columnWidth(3), 2740 / 15);
    QCOMPARE(view.columnWidth(2), 130 / 15);
    QVERIFY(view.isColumnHidden(6));
    QCOMPARE(view.cellText(0, 3), QStringLiteral("差出人"));
    QCOMPARE(view.cellText(0, 4), QStringLiteral("件名"));
    QCOMPARE(view.cellText(0, 0), QString());
}

void MailListViewTest::columnWidthTwipsRoundTrip()
{
    MailListView view;
    view.resize(574, 244);
    view.setListHeads(defaultWidths, 0, 15);
    // Widths that are no multiple of 15 twips must not creep at every save.
    for (int col = 0; col < 6; ++col)
        QCOMPARE(view.columnWidthTwips(col), int(defaultWidths[std::size_t(col)]));
    QCOMPARE(view.columnWidthTwips(6), 0);

    view.setListHeads(defaultWidths, 1000, 15);
    QCOMPARE(view.columnWidthTwips(4) + MailListView::scrollBarAllowanceTwips, 4770);
    view.setColumnWidthTwips(4, 4770, 15); // settings read again: full width
    QVERIFY(!view.column4Narrowed());
    QCOMPARE(view.columnWidthTwips(4), 4770);

    view.horizontalHeader()->resizeSection(3, 100); // the user drags a column
    QCOMPARE(view.columnWidthTwips(3), 1500);
    view.setListHeads(defaultWidths, 0, 12);
    QCOMPARE(view.columnWidth(3), 2740 / 12);
    QCOMPARE(view.columnWidthTwips(3), 2740);
    view.setColumnWidthTwips(0, 277, 15);
    QCOMPARE(view.columnWidth(0), 18);
    QCOMPARE(view.columnWidthTwips(0), 277);
}

void MailListViewTest::modelStaysConsistent()
{
    Mailboxes boxes({3, 0, 2});
    MailListView view;
    QAbstractItemModelTester tester(view.mailModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    view.setMailTable(&boxes.table);
    view.fillMailList(boxes.table, boxes.accounts, true, false);
    view.lvwMailBox_Click(2);
    view.refreshRows(boxes.table);
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    view.clearRows();
    QCOMPARE(view.mailModel()->rowCount(), 0);
}

void MailListViewTest::attachmentCellIsReadable()
{
    Mailboxes boxes({2});
    boxes.table.entry(1, 2).Attached = -1;
    MailListView view;
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    const QModelIndex picture = view.mailModel()->index(1, 2);
    QCOMPARE(picture.data(Qt::AccessibleTextRole).toString(), QStringLiteral("添付あり"));
    const QIcon clip = picture.data(Qt::DecorationRole).value<QIcon>();
    QVERIFY(!clip.pixmap(16).isNull()); // the picture is built into the library
    QVERIFY(!clip.pixmap(32).isNull());
    QVERIFY(!view.mailModel()->index(0, 2).data(Qt::AccessibleTextRole).isValid());

    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(grid && grid->tableInterface());
    QAccessibleInterface* attached = grid->tableInterface()->cellAt(1, 2);
    QVERIFY(attached);
    QCOMPARE(attached->text(QAccessible::Name), QStringLiteral("添付あり"));
    QAccessibleInterface* sender = grid->tableInterface()->cellAt(0, 3);
    QVERIFY(sender);
    QCOMPARE(sender->text(QAccessible::Name), QStringLiteral("from 1-1"));
}

void MailListViewTest::pictureShowsInNarrowColumn()
{
    Mailboxes boxes({2});
    boxes.table.entry(1, 1).Attached = -1;
    MailListView view;
    view.resize(574, 244);
    view.setListHeads(defaultWidths, 2, 15); // column 2: 130 twips, 8 pixels
    view.fillMailList(boxes.table, boxes.accounts, false, false);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shot = view.viewport()->grab().toImage();
    auto darkPixels = [&shot](QRect cell) {
        int dark = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x)
                dark += qGray(shot.pixel(x, y)) < 128 ? 1 : 0;
        }
        return dark;
    };
    const QRect withClip = view.visualRect(view.mailModel()->index(0, 2)).adjusted(0, 0, -1, -1);
    const QRect without = view.visualRect(view.mailModel()->index(1, 2)).adjusted(0, 0, -1, -1);
    // The whole clip has about 30 dark pixels; drawn from the cell's left
    // edge as item views do by default, none of it would show.
    QVERIFY2(darkPixels(withClip) >= 24, "the paper clip is drawn whole in the narrow cell");
    QCOMPARE(darkPixels(without), 0);
}

QTEST_MAIN(MailListViewTest)
#include "MailListViewTest.moc"
