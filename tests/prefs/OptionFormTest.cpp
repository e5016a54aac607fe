// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/OptionForm.h"
#include "keyring/PasswordKeyring.h"
#include "prefs/AccountForm.h"
#include "prefs/AccountPage.h"
#include "prefs/Prefs.h"
#include "prefs/QtDialogs.h"
#include "settings/AccountRecord.h"
#include "settings/SettingsStore.h"
#include "support/DBusSession.h"
#include "support/FakeDialogs.h"
#include "support/NextMessageBox.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

#include <sys/resource.h>

/*
 * The settings program's real dialog on the offscreen platform, over a
 * settings file in a temporary folder; widgets are found by object name and
 * the choosers and message boxes are answered by FakeDialogs.
 */

namespace {

const QString absent = QStringLiteral("<absent>");
// The private session bus of main(), without a keyring until a test starts
// one; nullptr when none could be started.
DBusSession* sessionBus = nullptr;

PasswordKeyring::Reply readKeyring(const QString& key)
{
    PasswordKeyring keyring;
    std::optional<PasswordKeyring::Reply> reply;
    keyring.read(key, [&reply](const PasswordKeyring::Reply& r) { reply = r; });
    // An unanswered read reads as a failure.
    (void)QTest::qWaitFor([&reply] { return reply.has_value(); }, 10000);
    return reply.value_or(PasswordKeyring::Reply{});
}
const QString pin = QStringLiteral("89abcdef01234567").repeated(4);
using Keys = QList<std::pair<QString, QString>>;

template <typename W> W* find(QWidget* parent, const QString& name)
{
    W* widget = parent->findChild<W*>(name);
    if (!widget)
        qFatal("no widget %s", qPrintable(name));
    return widget;
}

Settings::AccountRecord account(const QString& name, const QString& password = QString())
{
    Settings::AccountRecord r;
    r.Aname = name;
    r.Hname = name + QStringLiteral(".example.jp");
    r.Uname = name + QStringLiteral("-user");
    r.Passw = password;
    r.Scolor1 = name.size();
    return r;
}

// The columns of the input tables (OptionFormTest::checkInputRow); where is
// "general", "list" (the accounts page), "accounts" (its row pressed) or
// "editor" (opened by 編集, "pop2" typed as the server).
void addInputColumns()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("input"); // a key, "double click" or an accessible action
    QTest::addColumn<QString>("effect");
}

void inputRow(const char* name, const char* where, const char* control, const char* input,
              const char* effect)
{
    QTest::addRow("%s", name) << QString::fromUtf8(where) << QString::fromLatin1(control)
                              << QString::fromLatin1(input) << QString::fromUtf8(effect);
}

} // namespace

class OptionFormTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyStoreOpensWithDefaults();
    void timerBoxesGateOk_data();
    void timerBoxesGateOk();
    void hotkeyDuplicates_data();
    void hotkeyDuplicates();
    void checkBoxRules();
    void everyTextStoredAsTyped();
    void columnWidths_data();
    void columnWidths();
    void deleteRenumbers_data();
    void deleteRenumbers();
    void addWithServerNameOnly();
    void editRewritesOneAccount();
    void editorOkRule_data();
    void editorOkRule();
    void pickers();
    void pressWithoutRowsSelectsNothing();
    void unwritableFileIsNeverReportedSaved();
    void failedAddRetriedAsOneAccount();
    void keyOnFocusedControl_data();
    void keyOnFocusedControl();
    void accessibleActionIsAClick_data();
    void accessibleActionIsAClick();
    void realMessageBoxShowsTextAsWritten();
    void keyringOption_data();
    void keyringOption();
    void autostartEntry_data();
    void autostartEntry();

private:
    OptionForm& open();
    void set(const Keys& keys);
    QString stored(const QString& key) const;
    // Runs fill on the account editor once "追加" or "編集" has opened it.
    void whenEditorOpens(std::function<void(AccountForm&)> fill);
    void pressRow(int row);
    void typeInto(AccountForm& editor, const char* name, const QString& text);
    // The row of an input table: opens the dialog over account 1 with "5" in
    // "分おきにチェック" where the row says, gives the control the input and
    // compares what it did with the row's effect.
    void checkInputRow();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings::SettingsStore> m_store;
    FakeDialogs m_dialogs;
    std::unique_ptr<OptionForm> m_form;
};

void OptionFormTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store =
        std::make_unique<Settings::SettingsStore>(m_dir->filePath(QStringLiteral("tavowatch.ini")));
    m_dialogs = FakeDialogs();
    // The autostart entry goes to the temporary folder, never the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
}

void OptionFormTest::cleanup()
{
    m_form.reset();
    m_store.reset();
    m_dir.reset();
}

OptionForm& OptionFormTest::open()
{
    m_form = std::make_unique<OptionForm>(*m_store, m_dialogs);
    m_form->Form_Load();
    m_form->show();
    return *m_form;
}

void OptionFormTest::set(const Keys& keys)
{
    for (const auto& [key, value] : keys)
        m_store->save(key, value);
    QVERIFY(m_store->sync());
}

QString OptionFormTest::stored(const QString& key) const
{
    return Settings::SettingsStore(m_store->filePath()).get(key, absent);
}

void OptionFormTest::whenEditorOpens(std::function<void(AccountForm&)> fill)
{
    QTimer::singleShot(0, this, [fill] {
        auto* editor = qobject_cast<AccountForm*>(QApplication::activeModalWidget());
        if (!editor)
            qFatal("the account editor did not open");
        fill(*editor);
        // Whatever fill did, the editor must not stay open.
        if (editor->isVisible())
            editor->reject();
    });
}

void OptionFormTest::pressRow(int row)
{
    auto* list = find<QTableWidget>(m_form.get(), QStringLiteral("accountList"));
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

void OptionFormTest::typeInto(AccountForm& editor, const char* name, const QString& text)
{
    auto* box = find<QLineEdit>(&editor, QString::fromLatin1(name));
    box->clear();
    // Typed as one key event carrying the whole text, as an input method
    // delivers Japanese.
    if (!text.isEmpty())
        QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, text, Qt::NoModifier);
}

void OptionFormTest::checkInputRow()
{
    QFETCH(QString, where);
    QFETCH(QString, control);
    QFETCH(QString, input);
    QFETCH(QString, effect);
    Settings::SaveAccount(*m_store, 1, account(QStringLiteral("a1")));
    set({{QStringLiteral("accountno"), QStringLiteral("1")}});
    OptionForm& form = open();
    find<QLineEdit>(&form, QStringLiteral("timerbox1"))->setText(QStringLiteral("5"));
    if (where != u"general")
        QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    if (where == u"accounts" || where == u"editor")
        pressRow(0);
    QStringList facts;
    const auto note = [&facts](bool seen, const char* fact) {
        if (seen)
            facts << QString::fromUtf8(fact);
    };
    // "Enter" is the keypad's.
    const bool isKey =
        QStringList{QStringLiteral("Return"), QStringLiteral("Enter"), QStringLiteral("Esc")}
            .contains(input);
    const int key = isKey ? QKeySequence(input)[0].toCombined() : 0;
    const auto give = [&](QWidget* widget) {
        auto* list = qobject_cast<QTableWidget*>(widget);
        if (input == u"double click") {
            const QRect row = list->visualRect(list->model()->index(0, 0));
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center() + QPoint(0, 40));
        } else if (key != 0) {
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key(key),
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        } else {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            if (list)
                accessible = accessible->tableInterface()->cellAt(0, 0);
            note(true, QMetaEnum::fromType<QAccessible::Role>().valueToKey(accessible->role()));
            accessible->actionInterface()->doAction(input);
            // A press clicks once the button has been shown down.
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                QTRY_VERIFY(!button->isDown());
        }
    };
    const bool inEditor = where == u"editor";
    QTimer::singleShot(0, &form, [&] {
        auto* editor = qobject_cast<AccountForm*>(QApplication::activeModalWidget());
        note(editor && !inEditor, "editor");
        if (editor && inEditor) {
            typeInto(*editor, "Hostname", QStringLiteral("pop2"));
            give(find<QWidget>(editor, control));
            note(!editor->isVisible(), "editor closed");
            note(stored(QStringLiteral("Hname1")) == u"pop2", "stored");
        }
        if (editor)
            editor->reject();
    });
    if (inEditor)
        QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("editbutton")), Qt::LeftButton);
    else
        give(find<QWidget>(&form, control));
    QCoreApplication::processEvents();
    if (!inEditor) {
        note(!form.isVisible(), "closed");
        note(stored(QStringLiteral("Checktimerval")) == u"5", "saved");
        note(form.isVisible() && find<QWidget>(&form, QStringLiteral("frm_Opt_1"))->isVisible(),
             "account page");
        note(find<QLineEdit>(&form, QStringLiteral("timerbox2"))->isEnabled(), "popup timer");
        note(find<QPushButton>(&form, QStringLiteral("editbutton"))->isEnabled(), "row chosen");
    }
    note(!m_dialogs.fileRequests.isEmpty(), "file chooser");
    note(m_dialogs.colourRequests > 0, "colour chooser");
    QCOMPARE(facts.join(u' '), effect);
}

void OptionFormTest::emptyStoreOpensWithDefaults()
{
    OptionForm& form = open();
    QCOMPARE(find<QTableWidget>(&form, QStringLiteral("accountList"))->rowCount(), 0);
    QVERIFY(find<QWidget>(&form, QStringLiteral("frm_Opt_0"))->isVisible());
    QVERIFY(!find<QWidget>(&form, QStringLiteral("frm_Opt_1"))->isVisible());
    QStringList ticked;
    for (const char* name : {"Option1", "option2", "option3", "option4", "option5", "option6",
                             "option7", "option8", "option9"}) {
        if (find<QCheckBox>(&form, QString::fromLatin1(name))->isChecked())
            ticked << QString::fromLatin1(name);
    }
    QCOMPARE(ticked, (QStringList{QStringLiteral("option3"), QStringLiteral("option4")}));
    QStringList timers;
    for (int n = 1; n <= 4; ++n)
        timers << find<QLineEdit>(&form, QStringLiteral("timerbox%1").arg(n))->text();
    QCOMPARE(timers, (QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"),
                                  QStringLiteral("5")}));
    QVERIFY(!find<QLineEdit>(&form, QStringLiteral("timerbox2"))->isEnabled());
    QVERIFY(!find<QLineEdit>(&form, QStringLiteral("Wavbox"))->isEnabled());
    QVERIFY(!find<QPushButton>(&form, QStringLiteral("Command2"))->isEnabled());
    QVERIFY(!find<QPushButton>(&form, QStringLiteral("editbutton"))->isEnabled());
    QVERIFY(!find<QPushButton>(&form, QStringLiteral("delbutton"))->isEnabled());
    for (int n = 0; n < 6; ++n) {
        auto* box = find<QComboBox>(&form, QStringLiteral("cmb_Key_%1").arg(n));
        QCOMPARE(box->currentText(), QStringLiteral("Ctrl+F%1 キー").arg(n + 2));
        QCOMPARE(box->count(), n < 5 ? 59 : 58);
    }
    // Switching pages shows one page at a time.
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    QVERIFY(find<QWidget>(&form, QStringLiteral("frm_Opt_1"))->isVisible());
    QVERIFY(!find<QWidget>(&form, QStringLiteral("frm_Opt_0"))->isVisible());
}

void OptionFormTest::timerBoxesGateOk_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("okEnabled");
    QTest::addRow("negative") << 1 << "-1" << false;
    QTest::addRow("not a number") << 2 << "abc" << false;
    QTest::addRow("empty") << 3 << "" << false;
    QTest::addRow("beyond 16 bits") << 4 << "40000" << false;
    QTest::addRow("largest count") << 1 << "32767" << true;
    QTest::addRow("spaces and a fraction") << 3 << " 2.5 " << true;
}

void OptionFormTest::timerBoxesGateOk()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(bool, okEnabled);
    OptionForm& form = open();
    auto* ok = find<QPushButton>(&form, QStringLiteral("OkBt"));
    auto* timer = find<QLineEdit>(&form, QStringLiteral("timerbox%1").arg(box));
    timer->setEnabled(true);
    timer->setText(text);
    QCOMPARE(ok->isEnabled(), okEnabled);

    // A corrected box enables OK only while the other three are valid too.
    auto* other = find<QLineEdit>(&form, QStringLiteral("timerbox%1").arg(box % 4 + 1));
    other->setText(QStringLiteral("x"));
    timer->setText(QStringLiteral("3"));
    QVERIFY(!ok->isEnabled());
    other->setText(QStringLiteral("0"));
    QVERIFY(ok->isEnabled());
}

void OptionFormTest::hotkeyDuplicates_data()
{
    QTest::addColumn<QString>("first");  // text of cmb_Key_0
    QTest::addColumn<QString>("second"); // text of cmb_Key_1
    QTest::addColumn<bool>("duplicate");
    QTest::addRow("two none pass") << "無し"
                                   << "無し" << false;
    QTest::addRow("two Ctrl+F2 fail") << "Ctrl+F2 キー"
                                      << "Ctrl+F2 キー" << true;
    QTest::addRow("Ctrl+B and Shift+F1 pass") << "Ctrl+B"
                                              << "Shift+F1 キー" << false;
}

void OptionFormTest::hotkeyDuplicates()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, duplicate);
    // A code no item stands for (300, or none for the exit key) opens on
    // the first item and is saved as Ctrl+A.
    set({{QStringLiteral("Hotkeynum4"), QStringLiteral("300")},
         {QStringLiteral("Hotkeynum5"), QStringLiteral("0")}});
    OptionForm& form = open();
    QCOMPARE(find<QComboBox>(&form, QStringLiteral("cmb_Key_5"))->currentText(),
             QStringLiteral("Ctrl+A"));
    find<QComboBox>(&form, QStringLiteral("cmb_Key_4"))->setCurrentText(QStringLiteral("Ctrl+Z"));
    find<QComboBox>(&form, QStringLiteral("cmb_Key_0"))->setCurrentText(first);
    find<QComboBox>(&form, QStringLiteral("cmb_Key_1"))->setCurrentText(second);
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("OkBt")), Qt::LeftButton);

    if (duplicate) {
        QCOMPARE(m_dialogs.messages, QStringList{QStringLiteral("起動キーが重複しています")});
        QVERIFY(form.isVisible());
        QCOMPARE(stored(QStringLiteral("Hotkeynum0")), absent);
    } else {
        QVERIFY(m_dialogs.messages.isEmpty());
        QVERIFY(!form.isVisible());
        QCOMPARE(stored(QStringLiteral("Hotkeynum4")), QStringLiteral("90"));
        QCOMPARE(stored(QStringLiteral("Hotkeynum5")), QStringLiteral("65"));
        QCOMPARE(stored(QStringLiteral("Hotkeynum2")), QStringLiteral("115"));
    }
}

void OptionFormTest::checkBoxRules()
{
    set({{QStringLiteral("Option1value"), QStringLiteral("1")},
         {QStringLiteral("Closetimerval"), QStringLiteral("30")},
         {QStringLiteral("Wavdir"), QStringLiteral("/snd/ding.wav")}});
    OptionForm& form = open();
    auto* timerbox2 = find<QLineEdit>(&form, QStringLiteral("timerbox2"));
    auto* timerbox4 = find<QLineEdit>(&form, QStringLiteral("timerbox4"));
    auto* wavbox = find<QLineEdit>(&form, QStringLiteral("Wavbox"));
    QCOMPARE(timerbox2->text(), QStringLiteral("30"));

    find<QCheckBox>(&form, QStringLiteral("Option1"))->click();
    QCOMPARE(timerbox2->text(), QStringLiteral("0"));
    QVERIFY(!timerbox2->isEnabled());
    find<QCheckBox>(&form, QStringLiteral("Option1"))->click();
    QCOMPARE(timerbox2->text(), QStringLiteral("0"));
    QVERIFY(timerbox2->isEnabled());

    find<QCheckBox>(&form, QStringLiteral("option4"))->click();
    QCOMPARE(timerbox4->text(), QStringLiteral("0"));
    QVERIFY(!timerbox4->isEnabled());

    // The sound file stays while the sound is off, and is shown disabled.
    QVERIFY(!wavbox->isEnabled());
    QCOMPARE(wavbox->text(), QStringLiteral("/snd/ding.wav"));
    find<QCheckBox>(&form, QStringLiteral("option2"))->click();
    QVERIFY(wavbox->isEnabled());
    QVERIFY(find<QPushButton>(&form, QStringLiteral("Command2"))->isEnabled());
}

// Issue 7: names, users and paths come back byte for byte; a password
// keeps the characters code page 932 cannot hold.
void OptionFormTest::everyTextStoredAsTyped()
{
    const QString mailer = QString::fromUtf8("\"/opt/メール ソフト/bin\" -a=1; x");
    const QString wav = QString::fromUtf8(" /home/山田/音 #1.wav ");
    set({{QStringLiteral("Mailerdir1"), mailer},
         {QStringLiteral("Option2value"), QStringLiteral("1")}});
    OptionForm& form = open();
    find<QLineEdit>(&form, QStringLiteral("Wavbox"))->setText(wav);

    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    const QString name = QString::fromUtf8("会社 \"本店\" = 1; 2");
    const QString password = QString::fromUtf8("pa ss€한😀あ");
    whenEditorOpens([&](AccountForm& editor) {
        typeInto(editor, "Accountname", name);
        typeInto(editor, "Hostname", QStringLiteral("pop.example.jp"));
        typeInto(editor, "UserName", QString::fromUtf8("taro;=\"x\""));
        typeInto(editor, "MailPassWord", password);
        QTest::mouseClick(find<QPushButton>(&editor, QStringLiteral("Command1")), Qt::LeftButton);
    });
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("addbutton")), Qt::LeftButton);
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("OkBt")), Qt::LeftButton);

    const Settings::SettingsStore reread(m_store->filePath());
    Settings::AccountRecord r;
    Settings::LoadAccount(reread, 1, r);
    QCOMPARE(r.Aname, name);
    QCOMPARE(r.Uname, QString::fromUtf8("taro;=\"x\""));
    QCOMPARE(r.Passw, password);
    QCOMPARE(reread.get(QStringLiteral("Mailerdir1"), absent), mailer);
    QCOMPARE(reread.get(QStringLiteral("Wavdir"), absent), wav);
    QCOMPARE(find<QTableWidget>(&form, QStringLiteral("accountList"))->item(0, 0)->text(),
             name + QStringLiteral("(pop.example.jp)"));
}

void OptionFormTest::columnWidths_data()
{
    QTest::addColumn<int>("accounts");
    QTest::addColumn<int>("nameTwips");
    QTest::addRow("19 accounts") << 19 << 4960;
    QTest::addRow("20 accounts leave room for the scroll bar") << 20 << 4700;
}

void OptionFormTest::columnWidths()
{
    QFETCH(int, accounts);
    QFETCH(int, nameTwips);
    set({{QStringLiteral("accountno"), QString::number(accounts)}});
    OptionForm& form = open();
    auto* list = find<QTableWidget>(&form, QStringLiteral("accountList"));
    QCOMPARE(list->rowCount(), accounts);
    const int twips = qRound(1440.0 / form.screen()->logicalDotsPerInchX());
    QCOMPARE(list->columnWidth(0), nameTwips / twips);
    QCOMPARE(list->columnWidth(1), 320 / twips);

    // "リスト列幅を元に戻す" is written at once; Cancel does not undo it.
    set({{QStringLiteral("grdWidth3"), QStringLiteral("9999")}});
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Command3")), Qt::LeftButton);
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("CancelBt")), Qt::LeftButton);
    QCOMPARE(stored(QStringLiteral("grdWidth3")), QStringLiteral("2740"));
    QCOMPARE(stored(QStringLiteral("grdWidth5")), QStringLiteral("300"));
    QCOMPARE(stored(QStringLiteral("Option3value")), absent);
}

void OptionFormTest::deleteRenumbers_data()
{
    QTest::addColumn<int>("row");           // 1-based row to delete among four accounts
    QTest::addColumn<QString>("namesText"); // the accounts left, in order
    QTest::addRow("second of four") << 2 << "a1 a3 a4";
    QTest::addRow("last writes no account") << 4 << "a1 a2 a3";
    QTest::addRow("first") << 1 << "a2 a3 a4";
    // Issue 18: the old last number kept its password.
    QTest::addRow("third, no password above the count") << 3 << "a1 a2 a4";
}

void OptionFormTest::deleteRenumbers()
{
    QFETCH(int, row);
    QFETCH(QString, namesText);
    const QStringList names = namesText.split(u' ');
    // Left above the count by a deletion of an older version.
    Settings::SaveAccount(*m_store, 5, account(QStringLiteral("a5"), QStringLiteral("pw5")));
    // Account 3 has no password stored at all: it must not inherit one, nor
    // account 2's encryption and pin.
    for (int n = 1; n <= 4; ++n)
        Settings::SaveAccount(*m_store, qint16(n),
                              account(QStringLiteral("a%1").arg(n), QStringLiteral("pw%1").arg(n)));
    set({{QStringLiteral("accountno"), QStringLiteral("4")},
         {QStringLiteral("Tls2"), QStringLiteral("1")},
         {QStringLiteral("TlsPin2"), pin}});
    m_store->save(QStringLiteral("Passw3"), QString());
    QVERIFY(m_store->sync());
    const QString oldFour = stored(QStringLiteral("Hname4"));

    OptionForm& form = open();
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    pressRow(row - 1);
    auto* del = find<QPushButton>(&form, QStringLiteral("delbutton"));
    QVERIFY(del->isEnabled());
    QTest::mouseClick(del, Qt::LeftButton);

    // Issue 7: the count is stored at once, so Cancel keeps it in step.
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("CancelBt")), Qt::LeftButton);
    QCOMPARE(stored(QStringLiteral("accountno")), QStringLiteral("3"));
    auto* list = find<QTableWidget>(&form, QStringLiteral("accountList"));
    QCOMPARE(list->rowCount(), 3);
    const Settings::SettingsStore reread(m_store->filePath());
    for (int n = 1; n <= 3; ++n) {
        Settings::AccountRecord r;
        Settings::LoadAccount(reread, qint16(n), r);
        QCOMPARE(r.Aname, names[n - 1]);
        QCOMPARE(r.Passw,
                 names[n - 1] == u"a3" ? QString() : QStringLiteral("pw") + r.Aname.back());
        QCOMPARE(list->item(n - 1, 0)->text(), r.Aname + u'(' + r.Hname + u')');
        QCOMPARE(r.TlsPin + QString::number(r.Tls),
                 r.Aname == u"a2" ? pin + u'1' : QStringLiteral("0"));
    }
    QCOMPARE(stored(QStringLiteral("Hname4")), oldFour);
    // "0" is the stored empty password; the other stale keys stay.
    QCOMPARE(stored(QStringLiteral("Passw4")) + stored(QStringLiteral("Passw5")),
             QStringLiteral("00"));
    QCOMPARE(stored(QStringLiteral("Aname5")), QStringLiteral("a5"));
    QVERIFY(!del->isEnabled());
    QVERIFY(!find<QPushButton>(&form, QStringLiteral("editbutton"))->isEnabled());
}

void OptionFormTest::addWithServerNameOnly()
{
    OptionForm& form = open();
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    whenEditorOpens([&](AccountForm& editor) {
        typeInto(editor, "Hostname", QStringLiteral("pop.example.jp"));
        QTest::mouseClick(find<QPushButton>(&editor, QStringLiteral("Command1")), Qt::LeftButton);
    });
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("addbutton")), Qt::LeftButton);

    const Keys expected{{QStringLiteral("Aname1"), QStringLiteral("@pop.example.jp")},
                        {QStringLiteral("Portno1"), QStringLiteral("110")},
                        {QStringLiteral("Uname1"), QStringLiteral("0")},
                        {QStringLiteral("Passw1"), QStringLiteral("0")},
                        {QStringLiteral("Check1"), QStringLiteral("1")},
                        {QStringLiteral("Scolor11"), QStringLiteral("0")},
                        {QStringLiteral("Scolor21"), QStringLiteral("16777088")},
                        {QStringLiteral("Wavmode1"), QStringLiteral("0")},
                        {QStringLiteral("Wavdir2_1"), QStringLiteral("0")},
                        // Issue 7: counted at once, before any OK.
                        {QStringLiteral("accountno"), QStringLiteral("1")}};
    for (const auto& [key, value] : expected)
        QCOMPARE(stored(key), value);
    auto* list = find<QTableWidget>(&form, QStringLiteral("accountList"));
    QCOMPARE(list->item(0, 0)->text(), QStringLiteral("@pop.example.jp(pop.example.jp)"));
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("○"));
    QCOMPARE(list->item(0, 1)->background().color(), QColor(128, 255, 255));

    // Editing it again shows the stored "0" texts and an empty password; a
    // double click opens the editor like "編集".
    pressRow(0);
    whenEditorOpens([&](AccountForm& editor) {
        QCOMPARE(find<QLineEdit>(&editor, QStringLiteral("UserName"))->text(), QStringLiteral("0"));
        QCOMPARE(find<QLineEdit>(&editor, QStringLiteral("MailPassWord"))->text(), QString());
        QVERIFY(find<QPushButton>(&editor, QStringLiteral("Command1"))->isEnabled());
    });
    auto* viewport = list->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {},
                       list->visualItemRect(list->item(0, 0)).center());
}

void OptionFormTest::editRewritesOneAccount()
{
    for (int n = 1; n <= 3; ++n)
        Settings::SaveAccount(*m_store, qint16(n), account(QStringLiteral("a%1").arg(n)));
    set({{QStringLiteral("accountno"), QStringLiteral("3")},
         {QStringLiteral("Wavmode3"), QStringLiteral("7")},
         {QStringLiteral("Wavmode2"), QStringLiteral("2")},
         {QStringLiteral("Tls2"), QStringLiteral("2")},
         {QStringLiteral("TlsPin3"), pin.toUpper()}});
    OptionForm& form = open();
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    const QString before2 = stored(QStringLiteral("Aname2"));

    pressRow(1);
    whenEditorOpens([&](AccountForm& editor) {
        QVERIFY(find<QRadioButton>(&editor, QStringLiteral("Option1_2"))->isChecked());
        // The stored port stays as it is, whatever the stored encryption.
        QCOMPARE(find<QComboBox>(&editor, QStringLiteral("cmbTls"))->currentIndex(), 2);
        QCOMPARE(find<QLineEdit>(&editor, QStringLiteral("Portbox"))->text(),
                 QStringLiteral("110"));
    });
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("editbutton")), Qt::LeftButton);

    pressRow(2);
    whenEditorOpens([&](AccountForm& editor) {
        // Issue 7: a sound mode no button stands for opens as "共通".
        QVERIFY(find<QRadioButton>(&editor, QStringLiteral("Option1_0"))->isChecked());
        QCOMPARE(find<QLabel>(&editor, QStringLiteral("lblTlsPin"))->text(),
                 QStringLiteral("信頼済みの証明書: SHA-256 89ABCDEF01234567…"));
        auto* forget = find<QPushButton>(&editor, QStringLiteral("btnForgetPin"));
        QTest::mouseClick(forget, Qt::LeftButton);
        QVERIFY(!forget->isEnabled());
        find<QComboBox>(&editor, QStringLiteral("cmbTls"))->setCurrentIndex(1);
        find<QCheckBox>(&editor, QStringLiteral("Check1"))->setChecked(false);
        typeInto(editor, "Portbox", QStringLiteral("40000"));
        m_dialogs.colours = {-1, 0};
        QTest::mouseClick(find<QPushButton>(&editor, QStringLiteral("Colorbox")), Qt::LeftButton);
        QTest::mouseClick(find<QPushButton>(&editor, QStringLiteral("Colorbox2")), Qt::LeftButton);
        QTest::mouseClick(find<QPushButton>(&editor, QStringLiteral("Command1")), Qt::LeftButton);
    });
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("editbutton")), Qt::LeftButton);

    QCOMPARE(stored(QStringLiteral("Check3")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("Portno3")), QStringLiteral("40000"));
    QCOMPARE(stored(QStringLiteral("Wavmode3")), QStringLiteral("0"));
    // A forgotten pin is stored empty, never as "0".
    QCOMPARE(stored(QStringLiteral("Tls3")) + stored(QStringLiteral("TlsPin3")),
             QStringLiteral("1"));
    // Cancelled text colour kept; black is a colour, not a cancel.
    QCOMPARE(stored(QStringLiteral("Scolor13")), QStringLiteral("2"));
    QCOMPARE(stored(QStringLiteral("Scolor23")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("Aname2")), before2);
    QCOMPARE(stored(QStringLiteral("accountno")), QStringLiteral("3"));
    auto* list = find<QTableWidget>(&form, QStringLiteral("accountList"));
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->item(2, 1)->text(), QStringLiteral("×"));
}

void OptionFormTest::editorOkRule_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QList<int>>("tlsChoices"); // "暗号化" items chosen after typing
    QTest::addColumn<QString>("portShown");
    QTest::addColumn<bool>("okEnabled");
    const QList<int> none;
    QTest::addRow("no server name") << ""
                                    << "110" << none << "110" << false;
    QTest::addRow("one character") << "p"
                                   << "110" << none << "110" << true;
    QTest::addRow("port 0") << "p"
                            << "0" << none << "0" << false;
    QTest::addRow("port 65536") << "p"
                                << "65536" << none << "65536" << false;
    QTest::addRow("port not a number") << "p"
                                       << "pop3" << none << "pop3" << false;
    QTest::addRow("highest port") << "p"
                                  << "65535" << none << "65535" << true;
    QTest::addRow("SSL/TLS moves 110 to 995") << "p"
                                              << "110" << QList{2} << "995" << true;
    QTest::addRow("STARTTLS moves 995 to 110") << "p"
                                               << "995" << QList{1} << "110" << true;
    QTest::addRow("none moves 995 to 110") << "p"
                                           << "995" << QList{2, 0} << "110" << true;
    QTest::addRow("own port stays") << "p"
                                    << "1995" << QList{2, 1, 0} << "1995" << true;
}

void OptionFormTest::editorOkRule()
{
    QFETCH(QString, server);
    QFETCH(QString, port);
    QFETCH(QList<int>, tlsChoices);
    QFETCH(QString, portShown);
    QFETCH(bool, okEnabled);
    Settings::SaveAccount(*m_store, 1, account(QStringLiteral("a1")));
    set({{QStringLiteral("accountno"), QStringLiteral("1")}});
    OptionForm& form = open();
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    pressRow(0);
    bool enabled = !okEnabled;
    QString shown;
    whenEditorOpens([&](AccountForm& editor) {
        typeInto(editor, "Hostname", server);
        typeInto(editor, "Portbox", port);
        for (int tls : tlsChoices)
            find<QComboBox>(&editor, QStringLiteral("cmbTls"))->setCurrentIndex(tls);
        enabled = find<QPushButton>(&editor, QStringLiteral("Command1"))->isEnabled();
        shown = find<QLineEdit>(&editor, QStringLiteral("Portbox"))->text();
    });
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("editbutton")), Qt::LeftButton);
    QCOMPARE(enabled, okEnabled);
    QCOMPARE(shown, portShown);
}

void OptionFormTest::pickers()
{
    set({{QStringLiteral("Option2value"), QStringLiteral("1")},
         {QStringLiteral("Mailerdir2"), QStringLiteral("/usr/bin/old")}});
    OptionForm& form = open();
    m_dialogs.files = {QStringLiteral("/snd/a.wav"), QString()};
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Command2")), Qt::LeftButton);
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("RefBt_2")), Qt::LeftButton);
    QCOMPARE(find<QLineEdit>(&form, QStringLiteral("Wavbox"))->text(),
             QStringLiteral("/snd/a.wav"));
    QCOMPARE(find<QLineEdit>(&form, QStringLiteral("Mailerbox_2"))->text(),
             QStringLiteral("/usr/bin/old"));
    QCOMPARE(m_dialogs.fileRequests.size(), 2);
    QCOMPARE(m_dialogs.fileRequests[0].title, QStringLiteral("WAVﾌｧｲﾙの選択"));
    QCOMPARE(m_dialogs.fileRequests[0].description, QStringLiteral("WAVﾌｧｲﾙ"));
    QCOMPARE(m_dialogs.fileRequests[0].pattern, QStringLiteral("*.wav"));
    QCOMPARE(m_dialogs.fileRequests[0].initialFolder, QCoreApplication::applicationDirPath());
    QCOMPARE(m_dialogs.fileRequests[1].title, QStringLiteral("ﾒｰﾗｰの選択"));
    QCOMPARE(m_dialogs.fileRequests[1].description, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ"));
}

// Issue 7: with no account row a press selects nothing.
void OptionFormTest::pressWithoutRowsSelectsNothing()
{
    OptionForm& form = open();
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    auto* list = find<QTableWidget>(&form, QStringLiteral("accountList"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!find<QPushButton>(&form, QStringLiteral("editbutton"))->isEnabled());
    QVERIFY(!find<QPushButton>(&form, QStringLiteral("delbutton"))->isEnabled());
    QCOMPARE(form.accountPage()->selectedRow(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

// Issue 7: a file that cannot be written is never reported as saved.
void OptionFormTest::unwritableFileIsNeverReportedSaved()
{
    Settings::SaveAccount(*m_store, 1, account(QStringLiteral("a1")));
    set({{QStringLiteral("accountno"), QStringLiteral("1")}});
    OptionForm& form = open();
    const QString path = m_store->filePath();
    QVERIFY(QFile::rename(path, path + QStringLiteral(".away")));
    QVERIFY(QDir().mkdir(path));

    find<QLineEdit>(&form, QStringLiteral("timerbox1"))->setText(QStringLiteral("7"));
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("OkBt")), Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), 1);
    QVERIFY(m_dialogs.messages[0].contains(path));
    QVERIFY(form.isVisible());
    QCOMPARE(find<QLineEdit>(&form, QStringLiteral("timerbox1"))->text(), QStringLiteral("7"));

    // The editor stays open too, and the list unchanged.
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("Tab1_1")), Qt::LeftButton);
    bool stayedOpen = false;
    whenEditorOpens([&](AccountForm& editor) {
        typeInto(editor, "Hostname", QStringLiteral("pop2"));
        QTest::mouseClick(find<QPushButton>(&editor, QStringLiteral("Command1")), Qt::LeftButton);
        stayedOpen = editor.isVisible();
    });
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("addbutton")), Qt::LeftButton);
    QVERIFY(stayedOpen);
    QCOMPARE(m_dialogs.messages.size(), 2);
    QCOMPARE(find<QTableWidget>(&form, QStringLiteral("accountList"))->rowCount(), 1);
    QCOMPARE(form.accountPage()->accountno(), 1);

    // Once the cause is gone the same OK saves.
    QVERIFY(QDir().rmdir(path));
    QVERIFY(QFile::rename(path + QStringLiteral(".away"), path));
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("OkBt")), Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), 2);
    QVERIFY(!form.isVisible());
    QCOMPARE(stored(QStringLiteral("Checktimerval")), QStringLiteral("7"));
    QCOMPARE(stored(QStringLiteral("Aname1")), QStringLiteral("a1"));
}

// Issue 18: a retried OK stored the account again under the next number
// when the count, written after the record, had failed. No test can fail a
// write between the two; the file replaced by a folder fails the first.
void OptionFormTest::failedAddRetriedAsOneAccount()
{
    // A file size limit one byte short of the file that holds the new
    // account and its count: the record alone would fit, the record and the
    // count do not. So a write of the record that leaves the count to a
    // second write would succeed, and the failure would fall on the count.
    const auto addAccount = [this](std::function<void()> betweenTries) {
        OptionForm& form = open();
        whenEditorOpens([&](AccountForm& editor) {
            typeInto(editor, "Hostname", QStringLiteral("pop.example.jp"));
            editor.Command1_Click();
            if (betweenTries) {
                betweenTries();
                editor.Command1_Click();
            }
        });
        form.accountPage()->addbutton_Click();
    };
    addAccount({});
    const qint64 whole = QFileInfo(m_store->filePath()).size();
    cleanup();
    init();

    rlimit unlimited{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
    rlimit limited = unlimited;
    limited.rlim_cur = rlim_t(whole - 1);
    std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    addAccount([&] { setrlimit(RLIMIT_FSIZE, &unlimited); });
    setrlimit(RLIMIT_FSIZE, &unlimited);

    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(find<QTableWidget>(m_form.get(), QStringLiteral("accountList"))->rowCount(), 1);
    QCOMPARE(stored(QStringLiteral("accountno")) + stored(QStringLiteral("Aname2")),
             QStringLiteral("1") + absent);
}

void OptionFormTest::keyOnFocusedControl_data()
{
    addInputColumns();
    // Issue 18: Enter on any focused button but OK pressed OK.
    inputRow("ｷｬﾝｾﾙ", "general", "CancelBt", "Return", "closed");
    inputRow("text box is OK", "general", "timerbox1", "Return", "closed saved");
    inputRow("text box, Esc", "general", "timerbox1", "Esc", "closed");
    inputRow("tab", "general", "Tab1_1", "Return", "account page");
    inputRow("keypad Enter on ...", "general", "RefBt_2", "Enter", "file chooser");
    // Issue 18: only a double click on a cell edited.
    inputRow("double click below the rows", "accounts", "accountList", "double click",
             "editor account page row chosen");
    // The editor has no default button.
    inputRow("editor text box", "editor", "Hostname", "Return", "");
    inputRow("editor ｷｬﾝｾﾙ", "editor", "Command2", "Enter", "editor closed");
    inputRow("editor colour", "editor", "Colorbox2", "Return", "colour chooser");
    inputRow("editor OK", "editor", "Command1", "Return", "editor closed stored");
}

void OptionFormTest::keyOnFocusedControl()
{
    checkInputRow();
}

void OptionFormTest::accessibleActionIsAClick_data()
{
    addInputColumns();
    // Issue 18: check boxes to a screen reader, whose toggle showed no page.
    inputRow("tab, press", "general", "Tab1_1", "Press", "PageTab account page");
    inputRow("tab, toggle", "general", "Tab1_1", "Toggle", "PageTab account page");
    inputRow("tab, focus", "general", "Tab1_1", "SetFocus", "PageTab account page");
    inputRow("ﾎﾟｯﾌﾟｱｯﾌﾟ", "general", "Option1", "Toggle", "CheckBox popup timer");
    inputRow("account row", "list", "accountList", "Toggle", "Cell account page row chosen");
    inputRow("editor colour", "editor", "Colorbox", "Press", "Button colour chooser");
}

void OptionFormTest::accessibleActionIsAClick()
{
    checkInputRow();
}

// Issue 16: the real box shows its text plain, a path with "<b>" in it too.
void OptionFormTest::realMessageBoxShowsTextAsWritten()
{
    const QString text = Prefs::saveFailedText(QStringLiteral("/home/<b>x</b>/tavowatch.ini"));
    Qt::TextFormat format = Qt::AutoText;
    QString read;
    const NextMessageBox user([&](QMessageBox& box) {
        format = box.textFormat();
        read = NextMessageBox::textRead(box);
        box.button(QMessageBox::Ok)->click();
    });

    QtDialogs().showMessage(nullptr, text, Dialogs::Icon::Stop);

    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(read, text);
}

void OptionFormTest::keyringOption_data()
{
    QTest::addColumn<bool>("service");

    // In this order: the first row runs before the keyring is started.
    QTest::addRow("no Secret Service: refused, password kept") << false;
    QTest::addRow("Secret Service: moved in, then back out") << true;
}

void OptionFormTest::keyringOption()
{
    QFETCH(bool, service);
    if (!sessionBus)
        QSKIP("no private session bus (dbus-daemon)");
    if (service && !DBusSession::keyringInstalled())
        QSKIP("gnome-keyring is not installed (scripts/install-deps installs it)");
    if (service)
        QVERIFY(sessionBus->startKeyring());

    set({{QStringLiteral("accountno"), QStringLiteral("1")}});
    QVERIFY(Settings::SaveAccount(*m_store, 1,
                                  account(QStringLiteral("会社"), QStringLiteral("秘密 pw€"))));
    const QString inFile = stored(QStringLiteral("Passw1"));
    const QString key = QStringLiteral("会社-user@会社.example.jp:110");
    const auto switchTo = [this](bool on) {
        open();
        auto* box = find<QCheckBox>(m_form.get(), QStringLiteral("keyringBox"));
        box->setChecked(on);
        QTRY_VERIFY(box->isEnabled());
        if (box->isChecked() == on)
            find<QPushButton>(m_form.get(), QStringLiteral("OkBt"))->click();
    };

    switchTo(true);
    if (!service) {
        QCOMPARE(m_dialogs.messages.size(), 1);
        QVERIFY(m_dialogs.messages.constFirst().contains(QStringLiteral("キーリング")));
        QVERIFY(!find<QCheckBox>(m_form.get(), QStringLiteral("keyringBox"))->isChecked());
        QVERIFY(m_form->isVisible());
        QCOMPARE(stored(QStringLiteral("Passw1")), inFile);
        QCOMPARE(stored(QStringLiteral("Keyringvalue")), absent);
        return;
    }
    QTRY_VERIFY(!m_form->isVisible());
    QCOMPARE(m_dialogs.messages, QStringList());
    QCOMPARE(stored(QStringLiteral("Keyringvalue")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("Passw1")), absent);
    QCOMPARE(readKeyring(key).password, QStringLiteral("秘密 pw€"));

    switchTo(false);
    QTRY_VERIFY(!m_form->isVisible());
    QCOMPARE(stored(QStringLiteral("Keyringvalue")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("Passw1")), inFile);
    QVERIFY(readKeyring(key).notFound);
}

void OptionFormTest::autostartEntry_data()
{
    QTest::addColumn<QString>("before"); // the entry, %1 the checker; "<folder>" a folder there
    QTest::addColumn<bool>("opensTicked");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QString>("after"); // "ours", "absent", "kept" or "reported"
    const QString ours = QStringLiteral("[Desktop Entry]\nType=Application\nExec=%1\n");
    QTest::addRow("none, ticked: written") << "" << false << true << "ours";
    QTest::addRow("ours, unticked: removed") << ours << true << false << "absent";
    QTest::addRow("ours quoted with an argument") << "[Desktop Entry]\nExec=\"%1\" -x\n"
                                                  << true << true << "ours";
    QTest::addRow("turned off by the desktop")
        << ours + QStringLiteral("Hidden=true\n") << false << false << "kept";
    QTest::addRow("another installation's")
        << "[Desktop Entry]\nExec=\"/opt/tavo watch/tavowatchl\"\n"
        << false << false << "kept";
    QTest::addRow("Exec of an action") << "[Desktop Action x]\nExec=%1\n"
                                       << false << false << "kept";
    QTest::addRow("folder in its place: reported") << "<folder>" << false << true << "reported";
}

void OptionFormTest::autostartEntry()
{
    QFETCH(QString, before);
    QFETCH(bool, opensTicked);
    QFETCH(bool, tick);
    QFETCH(QString, after);
    const QString checker = QCoreApplication::applicationDirPath() + QStringLiteral("/tavowatchl");
    const QString path = m_dir->filePath(QStringLiteral("autostart/tavowatchl.desktop"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("autostart"))));
    const QByteArray content = (before.contains(u'%') ? before.arg(checker) : before).toUtf8();
    QFile file(path);
    if (before == u"<folder>")
        QVERIFY(QDir().mkdir(path));
    else if (!before.isEmpty())
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();

    OptionForm& form = open();
    auto* box = find<QCheckBox>(&form, QStringLiteral("autostartBox"));
    QCOMPARE(box->isChecked(), opensTicked);
    box->setChecked(tick);
    QTest::mouseClick(find<QPushButton>(&form, QStringLiteral("OkBt")), Qt::LeftButton);

    QCOMPARE(form.isVisible(), after == u"reported");
    if (after == u"reported") {
        QCOMPARE(m_dialogs.messages, QStringList{Prefs::saveFailedText(path)});
        return;
    }
    QVERIFY(m_dialogs.messages.isEmpty());
    QCOMPARE(QFile::exists(path), after != u"absent");
    if (after == u"kept") {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
    if (after == u"ours") {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\nExec=" + checker.toUtf8() + '\n'));
        QVERIFY(find<QCheckBox>(&open(), QStringLiteral("autostartBox"))->isChecked());
    }
}

int main(int argc, char* argv[])
{
    // Never the user's own bus or keyring: a bare private bus, on which
    // nothing starts by itself.
    DBusSession bus;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("XDG_CURRENT_DESKTOP");
    if (DBusSession::isInstalled() && bus.start(DBusSession::Services::Bare)) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toLatin1());
        sessionBus = &bus;
    }
    QApplication app(argc, argv);
    OptionFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionFormTest.moc"
