// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/AccountPage.h"

#include "keyring/PasswordKeyring.h"
#include "prefs/AccountForm.h"
#include "prefs/AccountGrid.h"
#include "prefs/Dialogs.h"
#include "prefs/Prefs.h"
#include "settings/AccountRecord.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace {

// The grid's design size, 5415 × 4695 twips at 15 twips per pixel.
constexpr QSize gridSize{361, 313};

QPushButton* pageButton(const QString& text, const QString& name, const QString& toolTip,
                        QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setAutoDefault(false);
    return button;
}

} // namespace

AccountPage::AccountPage(Settings::SettingsStore& store, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), m_store(store), m_dialogs(dialogs), m_keyring(new PasswordKeyring(this))
{
    m_accountList = new AccountGrid(0, 2, this);
    m_accountList->setObjectName(QStringLiteral("accountList"));
    m_accountList->setToolTip(QStringLiteral("ﾀﾞﾌﾞﾙｸﾘｯｸは編集と同じです"));
    m_accountList->setAccessibleName(QStringLiteral("ｱｶｳﾝﾄ"));
    // One header row without text, no row numbers; the cells are shown,
    // never edited in place.
    m_accountList->setHorizontalHeaderLabels({QString(), QString()});
    m_accountList->verticalHeader()->hide();
    m_accountList->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_accountList->horizontalHeader()->setMinimumSectionSize(1);
    m_accountList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_accountList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_accountList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_accountList->setFixedSize(gridSize);

    m_addbutton = pageButton(QStringLiteral("追加"), QStringLiteral("addbutton"),
                             QStringLiteral("ｱｶｳﾝﾄを新しく追加します"), this);
    m_editbutton = pageButton(QStringLiteral("編集"), QStringLiteral("editbutton"),
                              QStringLiteral("選択したｱｶｳﾝﾄの登録情報を編集します"), this);
    m_delbutton = pageButton(QStringLiteral("削除"), QStringLiteral("delbutton"),
                             QStringLiteral("選択したｱｶｳﾝﾄを削除します"), this);
    setEditButtonsEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addbutton);
    buttons->addWidget(m_editbutton);
    buttons->addWidget(m_delbutton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_accountList);
    layout->addLayout(buttons);
    layout->addStretch();

    connect(m_addbutton, &QPushButton::clicked, this, &AccountPage::addbutton_Click);
    connect(m_editbutton, &QPushButton::clicked, this, &AccountPage::editbutton_Click);
    connect(m_delbutton, &QPushButton::clicked, this, &AccountPage::delbutton_Click);
    connect(m_accountList, &AccountGrid::mousePressed, this, &AccountPage::accountList_MouseDown);
    // A row chosen without the mouse (arrow keys, a screen reader's select)
    // is chosen all the same.
    connect(m_accountList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AccountPage::handleSelectionChanged);
    // Anywhere in the list, as "編集" for the current row.
    connect(m_accountList, &AccountGrid::mouseDoubleClicked, this,
            &AccountPage::accountList_DblClick);
}

void AccountPage::setColumnWidths(int storedAccounts)
{
    const int twips = Prefs::twipsPerPixel(this);
    m_accountList->setColumnWidth(0, (storedAccounts >= 20 ? 4700 : 4960) / twips);
    m_accountList->setColumnWidth(1, 320 / twips);
}

void AccountPage::fill(qint16 count)
{
    m_accountno = count;
    m_accountList->setUpdatesEnabled(false);
    Settings::AccountRecord record;
    for (int n = 1; n <= count; ++n) {
        Settings::LoadAccount(m_store, qint16(n), record);
        m_accountList->insertRow(n - 1);
        showRow(n - 1, record);
        makeCurrent(n - 1);
    }
    m_accountList->setUpdatesEnabled(true);
}

void AccountPage::showRow(int row, const Settings::AccountRecord& record)
{
    const QColor text = Prefs::colorFromBgr(record.Scolor1);
    const QColor background = Prefs::colorFromBgr(record.Scolor2);
    const QString cells[2] = {
        record.Aname + u'(' + record.Hname + u')',
        record.Check != 0 ? QStringLiteral("○") : QStringLiteral("×"),
    };
    for (int col = 0; col < 2; ++col) {
        auto* item = new QTableWidgetItem(cells[col]);
        item->setForeground(text);
        item->setBackground(background);
        m_accountList->setItem(row, col, item);
    }
}

void AccountPage::makeCurrent(int row)
{
    // Current without the selection's highlight, which would hide the row's
    // own colours until the user picks a row.
    m_accountList->selectionModel()->setCurrentIndex(m_accountList->model()->index(row, 0),
                                                     QItemSelectionModel::NoUpdate);
}

void AccountPage::setEditButtonsEnabled(bool enabled)
{
    m_editbutton->setEnabled(enabled);
    m_delbutton->setEnabled(enabled);
}

void AccountPage::accountList_MouseDown()
{
    // The header row is no account: with no account row a press selects
    // nothing, and editing or deleting stays unavailable.
    const int current = m_accountList->currentRow();
    if (m_accountList->rowCount() == 0 || current < 0)
        return;
    m_selectedRow = current + 1;
    setEditButtonsEnabled(true);
}

void AccountPage::handleSelectionChanged()
{
    // Rows lose their selection when deleted; the deletion itself resets
    // the choice.
    const QModelIndexList rows = m_accountList->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    m_selectedRow = rows.first().row() + 1;
    setEditButtonsEnabled(true);
}

void AccountPage::accountList_DblClick()
{
    if (m_selectedRow > 0)
        editbutton_Click();
}

void AccountPage::addbutton_Click()
{
    m_editMode = false;
    AccountForm form(m_store, m_dialogs, *this, window());
    form.exec();
}

void AccountPage::editbutton_Click()
{
    if (m_selectedRow < 1 || m_selectedRow > m_accountno)
        return;
    m_editMode = true;
    AccountForm form(m_store, m_dialogs, *this, window());
    form.intoform(qint16(m_selectedRow));
    form.exec();
}

bool AccountPage::passwordsInKeyring() const
{
    return Settings::passwordPlace(m_store) == Settings::PasswordPlace::Keyring;
}

void AccountPage::readPassword(const Settings::AccountRecord& record, QObject* context,
                               std::function<void(std::optional<QString>)> found)
{
    QPointer<QObject> guard(context);
    m_keyring->read(Settings::keyringKey(record.Uname, record.Hname, record.Portno),
                    [this, guard, found](const PasswordKeyring::Reply& reply) {
                        if (!reply.ok && !reply.notFound)
                            m_dialogs.showMessage(window(), Prefs::keyringFailedText(reply.error),
                                                  Dialogs::Icon::Stop);
                        if (guard)
                            found(reply.ok || reply.notFound ? std::optional(reply.password)
                                                             : std::nullopt);
                    });
}

void AccountPage::storeAccount(const Settings::AccountRecord& record, QObject* context,
                               std::function<void(bool)> done)
{
    if (!passwordsInKeyring()) {
        done(storeRecord(record));
        return;
    }
    QString oldKey;
    if (m_editMode) {
        Settings::AccountRecord old;
        Settings::LoadAccount(m_store, qint16(m_selectedRow), old);
        oldKey = Settings::keyringKey(old.Uname, old.Hname, old.Portno);
    }
    const QString key = Settings::keyringKey(record.Uname, record.Hname, record.Portno);
    QPointer<QObject> guard(context);
    // The file loses its copy of the password only with the record, after
    // the keyring took it.
    m_keyring->write(key, record.Passw,
                     [this, guard, done, record, key, oldKey](const PasswordKeyring::Reply& reply) {
                         bool stored = false;
                         if (!reply.ok) {
                             m_dialogs.showMessage(window(), Prefs::keyringFailedText(reply.error),
                                                   Dialogs::Icon::Stop);
                         } else if (storeRecord(record)) {
                             stored = true;
                             if (!oldKey.isEmpty() && oldKey != key)
                                 forgetUnlessShared(oldKey);
                         }
                         if (guard)
                             done(stored);
                     });
}

void AccountPage::forgetUnlessShared(const QString& key)
{
    Settings::AccountRecord record;
    for (int n = 1; n <= m_accountno; ++n) {
        Settings::LoadAccount(m_store, qint16(n), record);
        if (Settings::keyringKey(record.Uname, record.Hname, record.Portno) == key)
            return;
    }
    m_keyring->remove(key, {});
}

bool AccountPage::storeRecord(const Settings::AccountRecord& record)
{
    const Settings::PasswordPlace place = Settings::passwordPlace(m_store);
    if (m_editMode) {
        if (!Settings::SaveAccount(m_store, qint16(m_selectedRow), record, place)) {
            reportSaveFailure();
            return false;
        }
        showRow(m_selectedRow - 1, record);
        return true;
    }
    const qint16 n = qint16(m_accountno + 1);
    // A new account counts at once, whichever way the dialog is closed; the
    // count goes out in the record's own write, so the file gets both or
    // neither. A failed write leaves the store as the file is, and the
    // editor's next OK writes the same number again, never the next one.
    Settings::SaveValue(m_store, QStringLiteral("accountno"), n, QString());
    if (!Settings::SaveAccount(m_store, n, record, place)) {
        reportSaveFailure();
        return false;
    }
    m_accountno = n;
    m_accountList->insertRow(n - 1);
    showRow(n - 1, record);
    makeCurrent(n - 1);
    return true;
}

void AccountPage::delbutton_Click()
{
    const int a = m_selectedRow;
    const int b = m_accountno;
    // Checked first: a renumbering stopped half-way would leave the store
    // and the list apart.
    if (a < 1 || a > b || !ensureWritable())
        return;
    // Each account behind the deleted one moves down by one number.
    // LoadAccount starts every record from the defaults, so nothing of one
    // account (an absent password, say) passes into the next.
    bool written = true;
    const Settings::PasswordPlace place = Settings::passwordPlace(m_store);
    Settings::AccountRecord record;
    Settings::LoadAccount(m_store, qint16(a), record);
    const QString deletedKey = Settings::keyringKey(record.Uname, record.Hname, record.Portno);
    for (int c = a + 1; c <= b; ++c) {
        Settings::LoadAccount(m_store, qint16(c), record);
        written = Settings::SaveAccount(m_store, qint16(c - 1), record, place) && written;
    }
    m_accountList->removeRow(a - 1);
    m_accountno = qint16(b - 1);
    // The keys of the old last number stay, the count no longer reaches
    // them; but no password outlives its account in the file.
    clearPasswordsAbove(m_accountno);
    written = saveAccountCount() && written;
    m_selectedRow = 0;
    setEditButtonsEnabled(false);
    if (!written)
        reportSaveFailure();
    else if (place == Settings::PasswordPlace::Keyring)
        forgetUnlessShared(deletedKey);
}

void AccountPage::clearPasswordsAbove(qint16 count)
{
    // Deletions made before passwords were cleared left whole records above
    // the count, one behind the other: go on while a record is there.
    const QString absent = QStringLiteral("<absent>");
    for (int n = count + 1; n <= std::numeric_limits<qint16>::max(); ++n) {
        const QString password = m_store.get(Settings::accountKey(u"Passw", qint16(n)), absent);
        if (password == absent &&
            m_store.get(Settings::accountKey(u"Aname", qint16(n)), absent) == absent)
            break;
        // "0" is the stored form of the empty password.
        if (password != absent && password != u"0" && !password.isEmpty())
            Settings::SaveValue(m_store, Settings::accountKey(u"Passw", qint16(n)), 0, QString());
    }
}

bool AccountPage::saveAccountCount()
{
    Settings::SaveValue(m_store, QStringLiteral("accountno"), m_accountno, QString());
    return m_store.sync();
}

bool AccountPage::ensureWritable()
{
    if (m_store.isWritable())
        return true;
    reportSaveFailure();
    return false;
}

void AccountPage::reportSaveFailure()
{
    m_dialogs.showMessage(window(), Prefs::saveFailedText(m_store.filePath()), Dialogs::Icon::Stop);
}
