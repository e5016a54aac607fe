// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckerRig.h"

#include "checker/Checker.h"
#include "checker/Pop3Drivers.h"
#include "decode/MailText.h"
#include "instancelock/InstanceLock.h"
#include "keyring/PasswordKeyring.h"
#include "maillist/MailListView.h"
#include "maillist/ViewForm.h"
#include "settings/AccountRecord.h"
#include "support/DBusSession.h"
#include "support/DovecotServer.h"
#include "support/ScriptedPop3Server.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <functional>

/*
 * The whole checker against a real Dovecot: the real window with the real
 * POP3 drivers, settings read from a settings file, two mailboxes of
 * Japanese mail. Only the user and the devices (message boxes, light,
 * sound) are fakes. A cycle takes about two seconds: the driver pauses a
 * second after each account, as in production.
 */

namespace {

using Prompt = FakePrompter::Prompt;
using Call = FakeSoundPlayer::Call;

const QString appTitle = QStringLiteral("Tavoメールチェッカー LAN");

// The private buses of main(): a session bus for the keyring and a stand-in
// system bus on which the test itself is logind and NetworkManager; nullptr
// when they could not be started.
DBusSession* sessionBus = nullptr;
DBusSession* systemBus = nullptr;

bool writeKeyring(const QString& key, const QString& password)
{
    PasswordKeyring keyring;
    std::optional<bool> written;
    const auto answered = [&written](const PasswordKeyring::Reply& r) {
        written = r.ok || r.notFound;
    };
    if (password.isNull())
        keyring.remove(key, answered);
    else
        keyring.write(key, password, answered);
    return QTest::qWaitFor([&written] { return written.has_value(); }, 10000) && *written;
}

// Background colours of the two accounts' rows, 0x00BBGGRR.
constexpr qint32 kaishaBackground = 16777088;
constexpr qint32 jitakuBackground = 12648384;

QString checking(const QString& account)
{
    return appTitle + QStringLiteral(" -チェック中:") + account + QLatin1Char('-');
}

// Every data row as the user reads it: new mark, selection mark,
// attachment picture, sender, subject, account, message number.
QStringList gridRows(const MailListView& grid)
{
    QStringList rows;
    for (int row = 1; row < grid.rows(); ++row) {
        QStringList cells;
        for (int col = MailListView::NewColumn; col <= MailListView::MessageColumn; ++col) {
            if (col == MailListView::PictureColumn)
                cells << (grid.hasPicture(row) ? QStringLiteral("[clip]") : QString());
            else
                cells << grid.cellText(row, col);
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

const QStringList allFiveNew{
    QStringLiteral("N|||山田太郎 <yamada@example.co.jp>|会議の議題について|1|1"),
    QStringLiteral("N|||総務部 <soumu@example.co.jp>|【お知らせ】今年度の健康診断の日程が決まりま"
                   "した|1|2"),
    QStringLiteral("N||[clip]|佐藤花子 <sato@example.co.jp>|見積書を送付します|1|3"),
    QStringLiteral("N|||鈴木洋子 <yoko@example.ne.jp>|週末の予定|2|1"),
    QStringLiteral("N|||旅行センター <info@travel.example.jp>|ご予約の確認（京都一泊二日）|2|2"),
};

QStringList withoutNewMarks(QStringList rows)
{
    for (QString& row : rows) {
        if (row.startsWith(u'N'))
            row.remove(0, 1);
    }
    return rows;
}

// The text part of twoAttachments(), line by line.
const QStringList letter{QStringLiteral("林さん"),
                         QString(),
                         QStringLiteral("来週の会議の資料を二つ添付します。"),
                         QStringLiteral("一つ目は会議資料、二つ目は予算表です。"),
                         QStringLiteral("予算表の数字は先月の実績をもとにしています。"),
                         QStringLiteral("会議の前に目を通しておいてください。"),
                         QStringLiteral("よろしくお願いします。")};

// A multipart Japanese message with two attachments, as a Japanese mail
// program sends it; its text part is long enough that the first name= lies
// beyond the 300 characters that make a part an attachment.
QByteArray twoAttachments()
{
    using namespace MailText;
    const QString delimiter = latin1("------=_Part_0407\n");
    QString text = latin1("From: ") + word(u8("山田太郎")) +
                   latin1(" <yamada@example.co.jp>\nTo: hayashi@example.jp\nSubject: ") +
                   word(u8("資料送付の件")) +
                   latin1("\nMIME-Version: 1.0\nContent-Type: multipart/mixed; "
                          "boundary=\"----=_Part_0407\"\n\n"
                          "This is a multi-part message in MIME format.\n\n") +
                   delimiter +
                   latin1("Content-Type: text/plain; charset=ISO-2022-JP\n"
                          "Content-Transfer-Encoding: 7bit\n\n");
    for (const QString& line : letter)
        text += jis(line) + u'\n';
    for (const char* name : {"会議資料.pdf", "予算表.xls"}) {
        text += delimiter + latin1("Content-Type: application/octet-stream; name=\"") +
                word(u8(name)) + latin1("\"\nContent-Transfer-Encoding: base64\n\nAAAA\n\n");
    }
    return (text + latin1("------=_Part_0407--\n")).toLatin1();
}

// The files of a user's Maildir, in POP3 order.
QStringList maildirFiles(const DovecotServer& server, const QString& user)
{
    QStringList files;
    for (const char* sub : {"/new", "/cur"}) {
        const QDir dir(server.path() + QStringLiteral("/home/") + user +
                       QStringLiteral("/Maildir") + QLatin1String(sub));
        for (const QString& name : dir.entryList(QDir::Files))
            files << dir.filePath(name);
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return a.section(QLatin1Char('/'), -1) < b.section(QLatin1Char('/'), -1);
    });
    return files;
}

const QList<QByteArray> bothAccountsListed = DovecotServer::commandLines(
    {"CAPA", "USER tanaka", "PASS kaisha2026", "STAT", "UIDL", "TOP 1 5", "TOP 2 5", "TOP 3 5",
     "QUIT", "CAPA", "USER suzuki", "PASS jitaku", "STAT", "UIDL", "TOP 1 5", "TOP 2 5", "QUIT"});

} // namespace

class CheckerDovecotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void checkmailNotifies_data();
    void checkmailNotifies();
    void startUpCheck();
    void wrongPasswordIsShownAndTheCycleGoesOn();
    void logButtonShowsTheTranscript();
    void retrieveAndView();
    void retrievalBetweenTwoAccountsOfACheck();
    void deleteTwoOfFive();
    void messageRemovedBehindTheCheckersBack();
    void deletionWhileACheckWaitsActsOnTheListShown();
    void emptyTextsStoredAsZeroReadAsEmpty();
    void accountCountChangeListsEveryAccountAnew();
    void passwordFromTheKeyring_data();
    void passwordFromTheKeyring();
    void checkAfterWaking_data();
    void checkAfterWaking();
    // Delivers a message: keep it last, the others expect the demo mail only.
    void notifyOnlyOnChange();

private:
    // Settings of the two demo accounts plus the given general keys.
    void configure(CheckerRig& rig, std::initializer_list<std::pair<const char*, QString>> options,
                   const QString& kaishaPassword = QStringLiteral("kaisha2026"));
    // The window with the real POP3 drivers, past its start-up.
    MailForm& startForm(CheckerRig& rig);
    // The window with one account of its own (caption name "林" and kin),
    // for a test that changes its mailbox; no pop-up, light or sound.
    MailForm& startOwnAccount(CheckerRig& rig, const QString& Aname, const QString& user,
                              const QString& password);
    // Clicks a command button and waits until the window shows caption;
    // returns the commands Dovecot saw meanwhile.
    QList<QByteArray> command(MailForm& form, const char* button, const QString& caption);
    // Runs start (which begins a cycle) and waits for the end of the cycle:
    // returns the commands Dovecot saw meanwhile; captions gets every
    // caption the window showed.
    QList<QByteArray> cycle(MailForm& form, const std::function<void()>& start,
                            QStringList* captions = nullptr);

    DovecotServer m_server;
};

void CheckerDovecotTest::initTestCase()
{
    if (!DovecotServer::isInstalled())
        QSKIP("Dovecot is not installed (scripts/install-deps installs dovecot-pop3d)");
    QVERIFY2(m_server.start({{QStringLiteral("tanaka"), QStringLiteral("kaisha2026")},
                             {QStringLiteral("suzuki"), QStringLiteral("jitaku")},
                             {QStringLiteral("hayashi"), QStringLiteral("yomu")},
                             {QStringLiteral("kimura"), QStringLiteral("kesu")},
                             {QStringLiteral("mori"), QStringLiteral("ushiro")},
                             {QStringLiteral("ogawa"), QStringLiteral("mamoru")}}),
             qPrintable(m_server.errorString()));
    const QList<QByteArray> tanaka = DovecotServer::demoMessages(QStringLiteral("tanaka"));
    const QList<QByteArray> suzuki = DovecotServer::demoMessages(QStringLiteral("suzuki"));
    QCOMPARE(tanaka.size(), 3);
    QCOMPARE(suzuki.size(), 2);
    QVERIFY(m_server.deliverMany(QStringLiteral("tanaka"), tanaka));
    QVERIFY(m_server.deliverMany(QStringLiteral("suzuki"), suzuki));
}

void CheckerDovecotTest::configure(CheckerRig& rig,
                                   std::initializer_list<std::pair<const char*, QString>> options,
                                   const QString& kaishaPassword)
{
    rig.set({{"accountno", QStringLiteral("2")}});
    rig.set(options);
    Settings::AccountRecord kaisha;
    kaisha.Aname = QStringLiteral("会社");
    kaisha.Hname = QStringLiteral("127.0.0.1");
    kaisha.Portno = qint16(m_server.port());
    kaisha.Uname = QStringLiteral("tanaka");
    kaisha.Passw = kaishaPassword;
    kaisha.Scolor2 = kaishaBackground;
    // Its own sound, played to its end before the common one.
    kaisha.Wavmode = 1;
    kaisha.Wavdir2_ = QStringLiteral("/sounds/会社.wav");
    Settings::SaveAccount(rig.store, 1, kaisha);

    Settings::AccountRecord jitaku;
    jitaku.Aname = QStringLiteral("自宅");
    jitaku.Hname = QStringLiteral("localhost");
    jitaku.Portno = qint16(m_server.port());
    jitaku.Uname = QStringLiteral("suzuki");
    jitaku.Passw = QStringLiteral("jitaku");
    jitaku.Scolor2 = jitakuBackground;
    jitaku.Wavmode = 0;
    Settings::SaveAccount(rig.store, 2, jitaku);
}

MailForm& CheckerDovecotTest::startForm(CheckerRig& rig)
{
    MailForm& form = rig.makeForm();
    form.adoptSessionDrivers(std::make_unique<Pop3Drivers>(form, rig.store));
    [&] { QVERIFY(form.Form_Load()); }();
    return form;
}

MailForm& CheckerDovecotTest::startOwnAccount(CheckerRig& rig, const QString& Aname,
                                              const QString& user, const QString& password)
{
    rig.set({{"accountno", QStringLiteral("1")},
             {"Option1value", QStringLiteral("0")},
             {"Option2value", QStringLiteral("0")},
             {"Option3value", QStringLiteral("0")},
             {"Option4value", QStringLiteral("0")}});
    Settings::AccountRecord account;
    account.Aname = Aname;
    account.Hname = QStringLiteral("127.0.0.1");
    account.Portno = qint16(m_server.port());
    account.Uname = user;
    account.Passw = password;
    Settings::SaveAccount(rig.store, 1, account);
    return startForm(rig);
}

QList<QByteArray> CheckerDovecotTest::command(MailForm& form, const char* button,
                                              const QString& caption)
{
    const qsizetype before = m_server.commandsSeen().size();
    auto* bt = form.findChild<QToolButton*>(QLatin1String(button));
    [&] {
        QVERIFY(bt && bt->isEnabled());
        QTest::mouseClick(bt, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), caption, 15000);
        QTRY_VERIFY(!m_server.commandsSeen().isEmpty() &&
                    m_server.commandsSeen().constLast() == "QUIT");
    }();
    return m_server.commandsSeen().mid(before);
}

QList<QByteArray> CheckerDovecotTest::cycle(MailForm& form, const std::function<void()>& start,
                                            QStringList* captions)
{
    const qsizetype before = m_server.commandsSeen().size();
    QSignalSpy titles(&form, &QWidget::windowTitleChanged);
    start();
    // A "checking" caption per account, then the one of the end.
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(
            titles.size() >= 2 &&
                !titles.constLast().constFirst().toString().contains(QStringLiteral("チェック中")),
            15000);
    }();
    if (captions) {
        for (const QList<QVariant>& title : titles)
            captions->append(title.constFirst().toString());
    }
    // Dovecot writes its transcript as it reads; the last QUIT may trail.
    [&] {
        QTRY_VERIFY(!m_server.commandsSeen().isEmpty() &&
                    m_server.commandsSeen().constLast() == "QUIT");
    }();
    return m_server.commandsSeen().mid(before);
}

void CheckerDovecotTest::checkmailNotifies_data()
{
    QTest::addColumn<bool>("notify");

    QTest::addRow("pop-up, light and sounds") << true;
    QTest::addRow("every notification off") << false;
}

void CheckerDovecotTest::checkmailNotifies()
{
    QFETCH(bool, notify);

    const QString on = notify ? QStringLiteral("1") : QStringLiteral("0");
    CheckerRig rig;
    rig.sound.completeAtOnce = true;
    configure(rig, {{"Option1value", on},
                    {"Option2value", on},
                    {"Option4value", on},
                    {"Option6value", QStringLiteral("0")},
                    {"Lighttimerval", QStringLiteral("1")},
                    {"Wavdir", QStringLiteral("/sounds/共通.wav")}});
    MailForm& form = startForm(rig);
    QVERIFY(form.isHidden());

    QStringList captions;
    QCOMPARE(cycle(
                 form, [&] { form.checkmail(); }, &captions),
             bothAccountsListed);
    QCOMPARE(captions,
             QStringList({checking(QStringLiteral("会社")), checking(QStringLiteral("自宅")),
                          QStringLiteral("5通のメールが届いています!")}));
    QVERIFY(form.accounts()[1].newMailFlg);
    QVERIFY(form.accounts()[2].newMailFlg);
    QCOMPARE(form.mailTotal(), 5);
    QVERIFY(rig.prompter.prompts.isEmpty());

    const MailListView& grid = *form.lvwMailBox();
    QCOMPARE(gridRows(grid), allFiveNew);
    // Each account's rows in its own colours, read when its session began.
    const QColor kaisha = MailListView::colorFromBgr(kaishaBackground);
    const QColor jitaku = MailListView::colorFromBgr(jitakuBackground);
    QVERIFY(kaisha != jitaku);
    for (int row = 1; row <= 5; ++row) {
        const QModelIndex cell = grid.mailModel()->index(row - 1, MailListView::SubjectColumn);
        QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(), row <= 3 ? kaisha : jitaku);
    }

    QCOMPARE(form.isVisible(), notify);
    if (notify) {
        // Changed at once, on each of the 4 ticks of one second, then off.
        QTRY_COMPARE(rig.light.changes, QList<bool>({true, false, true, false, true, false}));
        QTRY_COMPARE(rig.sound.calls,
                     QList<Call>({Call::play(QStringLiteral("/sounds/会社.wav"), true),
                                  Call::play(QStringLiteral("/sounds/共通.wav"), false)}));
    } else {
        // The end of the check starts both at once, so they would show by now.
        QVERIFY(rig.light.changes.isEmpty());
        QVERIFY(rig.sound.calls.isEmpty());
    }
}

void CheckerDovecotTest::startUpCheck()
{
    CheckerRig rig;
    configure(rig, {{"Option1value", QStringLiteral("1")},
                    {"Option4value", QStringLiteral("0")},
                    {"Option5value", QStringLiteral("1")}});
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const qsizetype before = m_server.commandsSeen().size();

    const std::unique_ptr<MailForm> form = Checker::startChecker(lock, rig.context(), nullptr);
    QVERIFY(form);
    // The start-up returns with the first account's session under way.
    QCOMPARE(form->windowTitle(), checking(QStringLiteral("会社")));
    QVERIFY(form->isHidden());

    QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("5通のメールが届いています!"),
                              15000);
    QTRY_VERIFY(m_server.commandsSeen().size() > before &&
                m_server.commandsSeen().constLast() == "QUIT");
    QCOMPARE(m_server.commandsSeen().mid(before), bothAccountsListed);
    QCOMPARE(gridRows(*form->lvwMailBox()), allFiveNew);
    QVERIFY(form->isVisible());
    QVERIFY(rig.light.changes.isEmpty());
}

void CheckerDovecotTest::wrongPasswordIsShownAndTheCycleGoesOn()
{
    CheckerRig rig;
    configure(rig, {{"Option1value", QStringLiteral("1")}, {"Option3value", QStringLiteral("0")}},
              QStringLiteral("wrong"));
    MailForm& form = startForm(rig);

    QStringList captions;
    QCOMPARE(cycle(
                 form, [&] { form.checkmail(); }, &captions),
             DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS wrong", "QUIT", "CAPA",
                                          "USER suzuki", "PASS jitaku", "STAT", "UIDL", "TOP 1 5",
                                          "TOP 2 5", "QUIT"}));
    // The server's text after "-ERR", in a stop box with the checker's title.
    QCOMPARE(rig.prompter.prompts,
             QList({Prompt{QStringLiteral(" [AUTH] Authentication failed.\r\n"), appTitle,
                           Prompter::Icon::Stop, Prompter::Buttons::Ok}}));
    QCOMPARE(captions,
             QStringList({checking(QStringLiteral("会社")), checking(QStringLiteral("自宅")),
                          QStringLiteral("2通のメールが届いています!")}));
    QVERIFY(!form.accounts()[1].newMailFlg);
    QVERIFY(form.accounts()[2].newMailFlg);
    QCOMPARE(gridRows(*form.lvwMailBox()), allFiveNew.mid(3));
    QVERIFY(form.isVisible());
}

void CheckerDovecotTest::logButtonShowsTheTranscript()
{
    CheckerRig rig;
    configure(rig, {{"Option1value", QStringLiteral("1")},
                    {"Option4value", QStringLiteral("0")},
                    {"Option8value", QStringLiteral("1")}});
    MailForm& form = startForm(rig);
    auto* LogBt = form.findChild<QPushButton*>(QStringLiteral("LogBt"));
    QVERIFY(LogBt);
    QVERIFY(!LogBt->isHidden());

    cycle(form, [&] { form.checkmail(); });
    QVERIFY(form.isVisible());
    QTest::mouseClick(LogBt, Qt::LeftButton);
    QVERIFY(form.viewform());
    QVERIFY(form.viewform()->isVisible());
    const QString text = form.viewform()->text();

    // The commands sent, passwords masked, each TOP followed by the
    // server's response as it came.
    QStringList commands;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        for (const char* command : {"USER ", "PASS ", "STAT", "TOP ", "QUIT"}) {
            if (line.startsWith(QLatin1String(command)))
                commands << line;
        }
    }
    const QString masked = QStringLiteral("PASS ******************************");
    QCOMPARE(commands, QStringList({QStringLiteral("USER tanaka"), masked, QStringLiteral("STAT"),
                                    QStringLiteral("TOP 1 5"), QStringLiteral("TOP 2 5"),
                                    QStringLiteral("TOP 3 5"), QStringLiteral("QUIT"),
                                    QStringLiteral("USER suzuki"), masked, QStringLiteral("STAT"),
                                    QStringLiteral("TOP 1 5"), QStringLiteral("TOP 2 5"),
                                    QStringLiteral("QUIT")}));
    QVERIFY2(text.startsWith(QStringLiteral("CAPA\n\n+OK")), qPrintable(text.left(200)));
    QVERIFY(text.contains(QStringLiteral("\nUSER tanaka\n\n") + masked +
                          QStringLiteral("\nSTAT\n\nUIDL\n\n+OK")));
    QVERIFY(text.contains(QStringLiteral("\nTOP 1 5\n\n+OK")));
    QVERIFY(text.contains(
        QStringLiteral("\nSubject: =?ISO-2022-JP?B?GyRCMnE1RCRONURCaiRLJEQkJCRGGyhC?=\n")));
    QVERIFY(!text.contains(QStringLiteral("kaisha2026")));
    QVERIFY(!text.contains(QStringLiteral("jitaku")));
}

void CheckerDovecotTest::retrieveAndView()
{
    QVERIFY(m_server.deliver(QStringLiteral("hayashi"),
                             DovecotServer::demoMessages(QStringLiteral("tanaka")).at(0)));
    QVERIFY(m_server.deliver(QStringLiteral("hayashi"), twoAttachments()));
    CheckerRig rig;
    MailForm& form = startOwnAccount(rig, QStringLiteral("林"), QStringLiteral("hayashi"),
                                     QStringLiteral("yomu"));
    cycle(form, [&] { form.checkmail(); });
    MailListView& grid = *form.lvwMailBox();
    QCOMPARE(gridRows(grid),
             QStringList(
                 {QStringLiteral("N|||山田太郎 <yamada@example.co.jp>|会議の議題について|1|1"),
                  QStringLiteral("N||[clip]|山田太郎 <yamada@example.co.jp>|資料送付の件|1|2")}));

    grid.lvwMailBox_Click(2);
    QSignalSpy titles(&form, &QWidget::windowTitleChanged);
    QCOMPARE(command(form, "RetrBt", QStringLiteral("2通のメールが届いています!")),
             DovecotServer::commandLines(
                 {"CAPA", "USER hayashi", "PASS yomu", "UIDL", "RETR 2", "QUIT"}));
    QCOMPARE(titles.constFirst().constFirst().toString(),
             appTitle + QStringLiteral(" -メール取得中:林-"));
    // The marks are gone, the retrieved row is emphasised, the list usable.
    QVERIFY(grid.isEnabled());
    QVERIFY(grid.isEmphasised(2));
    QVERIFY(!grid.isEmphasised(1));
    QCOMPARE(grid.cellText(2, MailListView::MarkColumn), QString());
    QVERIFY(!form.findChild<QToolButton*>(QStringLiteral("RetrBt"))->isEnabled());
    QVERIFY(rig.prompter.prompts.isEmpty());

    grid.lvwMailBox_Click(2);
    grid.lvwMailBox_DblClick(2);
    QVERIFY(form.viewform() && form.viewform()->isVisible());
    QCOMPARE(form.viewform()->text(),
             QStringLiteral("Subject: 資料送付の件\n"
                            "   From: 山田太郎 <yamada@example.co.jp>\n"
                            " Attach:  \"会議資料.pdf\" \"予算表.xls\" \n"
                            "\n"
                            "\n"
                            "------=_Part_0407\n"
                            "Content-Type: text/plain; charset=ISO-2022-JP\n"
                            "Content-Transfer-Encoding: 7bit\n"
                            "\n") +
                 letter.join(u'\n') + u'\n');
}

void CheckerDovecotTest::retrievalBetweenTwoAccountsOfACheck()
{
    CheckerRig rig;
    configure(rig, {{"Option1value", QStringLiteral("0")}});
    MailForm& form = rig.makeForm();
    auto owned = std::make_unique<Pop3Drivers>(form, rig.store);
    Pop3Drivers& drivers = *owned;
    form.adoptSessionDrivers(std::move(owned));
    QVERIFY(form.Form_Load());

    form.checkmail();
    QTRY_VERIFY_WITH_TIMEOUT(drivers.checkSession().isLogontimerActive(), 15000);
    // The retrieve button in the pause after the first account: nothing is
    // due, so the retrieval ends at once, and the check's pending tick must
    // not drive the abandoned check on with the retrieval's counters.
    form.RetrBt_Click();
    QVERIFY(!drivers.checkSession().isLogontimerActive());
    QCOMPARE(form.windowTitle(), checking(QStringLiteral("会社")));
}

void CheckerDovecotTest::deleteTwoOfFive()
{
    QList<QByteArray> five = DovecotServer::demoMessages(QStringLiteral("tanaka"));
    five += DovecotServer::demoMessages(QStringLiteral("suzuki"));
    QVERIFY(m_server.deliverMany(QStringLiteral("kimura"), five));
    CheckerRig rig;
    MailForm& form = startOwnAccount(rig, QStringLiteral("木村"), QStringLiteral("kimura"),
                                     QStringLiteral("kesu"));
    cycle(form, [&] { form.checkmail(); });
    MailListView& grid = *form.lvwMailBox();
    QCOMPARE(grid.rows(), 6);
    const QStringList files = maildirFiles(m_server, QStringLiteral("kimura"));
    QCOMPARE(files.size(), 5);

    // Marked in descending order; deleted in ascending order.
    grid.lvwMailBox_Click(4);
    grid.lvwMailBox_Click(2);
    rig.prompter.answers = {Prompter::Answer::Yes};
    QSignalSpy titles(&form, &QWidget::windowTitleChanged);
    QCOMPARE(command(form, "DelBt", QStringLiteral("3通のメールが届いています!")),
             DovecotServer::commandLines({"CAPA", "USER kimura", "PASS kesu", "UIDL", "DELE 2",
                                          "DELE 4", "QUIT", "CAPA", "USER kimura", "PASS kesu",
                                          "STAT", "UIDL", "QUIT"}));
    QCOMPARE(titles.constFirst().constFirst().toString(),
             appTitle + QStringLiteral(" -メール削除中:木村-"));
    QCOMPARE(rig.prompter.prompts.size(), 1); // the question, nothing else

    QCOMPARE(maildirFiles(m_server, QStringLiteral("kimura")).size(), 3);
    QVERIFY(!QFile::exists(files.at(1)) && !QFile::exists(files.at(3)));
    // The list after the check that follows a deletion: no "N" at all.
    QCOMPARE(
        gridRows(grid),
        QStringList(
            {QStringLiteral("|||山田太郎 <yamada@example.co.jp>|会議の議題について|1|1"),
             QStringLiteral("||[clip]|佐藤花子 <sato@example.co.jp>|見積書を送付します|1|2"),
             QStringLiteral(
                 "|||旅行センター <info@travel.example.jp>|ご予約の確認（京都一泊二日）|1|3")}));
}

void CheckerDovecotTest::messageRemovedBehindTheCheckersBack()
{
    // Three daily reports alike in sender and subject.
    QList<QByteArray> reports;
    for (const char* n : {"1", "2", "3"}) {
        reports.append(QByteArray("From: report@example.jp\r\nSubject: daily report\r\n"
                                  "Message-ID: <report-") +
                       n + "@example.jp>\r\n\r\nDay " + n + "\r\n");
    }
    QVERIFY(m_server.deliverMany(QStringLiteral("mori"), reports));
    CheckerRig rig;
    MailForm& form = startOwnAccount(rig, QStringLiteral("森"), QStringLiteral("mori"),
                                     QStringLiteral("ushiro"));
    cycle(form, [&] { form.checkmail(); });
    MailListView& grid = *form.lvwMailBox();
    QCOMPARE(grid.rows(), 4);

    // Another mail program takes the first: the marked second is number 1
    // now, and number 2 is its look-alike.
    QVERIFY(QFile::remove(maildirFiles(m_server, QStringLiteral("mori")).at(0)));
    grid.lvwMailBox_Click(2);
    rig.prompter.answers = {Prompter::Answer::Yes};
    QCOMPARE(
        command(form, "DelBt", QStringLiteral("1通のメールが届いています!")),
        DovecotServer::commandLines({"CAPA", "USER mori", "PASS ushiro", "UIDL", "DELE 1", "QUIT",
                                     "CAPA", "USER mori", "PASS ushiro", "STAT", "UIDL", "QUIT"}));
    QCOMPARE(rig.prompter.prompts.size(), 1); // the question, nothing else
    const QStringList left = maildirFiles(m_server, QStringLiteral("mori"));
    QCOMPARE(left.size(), 1);
    QFile file(left.at(0));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Message-ID: <report-3@example.jp>"));
    QCOMPARE(gridRows(grid),
             QStringList({QStringLiteral("|||report@example.jp|daily report|1|1")}));
}

// Issue 16: a check stored account 1's new list while it waited on account
// 2; the row the user marked showed the message that another program had
// removed, its entry already the next one, and the guard let that one be
// deleted.
void CheckerDovecotTest::deletionWhileACheckWaitsActsOnTheListShown()
{
    const QList<QByteArray> demo = DovecotServer::demoMessages(QStringLiteral("tanaka"));
    QVERIFY(m_server.deliverMany(QStringLiteral("ogawa"), {demo.at(0), demo.at(1)}));
    ScriptedPop3Server silent;
    silent.greeting.clear();
    CheckerRig rig;
    rig.set({{"Option1value", QStringLiteral("0")}, {"Option4value", QStringLiteral("0")}});
    Settings::AccountRecord ogawa;
    ogawa.Aname = QStringLiteral("小川");
    ogawa.Hname = QStringLiteral("127.0.0.1");
    ogawa.Portno = qint16(m_server.port());
    ogawa.Uname = QStringLiteral("ogawa");
    ogawa.Passw = QStringLiteral("mamoru");
    Settings::SaveAccount(rig.store, 1, ogawa);
    Settings::AccountRecord quiet;
    quiet.Aname = QStringLiteral("無言");
    quiet.Hname = QStringLiteral("127.0.0.1");
    quiet.Portno = qint16(silent.port());
    quiet.Check = 0;
    Settings::SaveAccount(rig.store, 2, quiet);
    rig.set({{"accountno", QStringLiteral("2")}});
    MailForm& form = startForm(rig);
    cycle(form, [&] { form.checkmail(); });
    MailListView& grid = *form.lvwMailBox();
    QCOMPARE(grid.rows(), 3);
    const QString shownFirst = grid.cellText(1, 4);

    // Another program takes message 1; a check lists the mailbox anew and
    // then waits on the silent account.
    QVERIFY(QFile::remove(maildirFiles(m_server, QStringLiteral("ogawa")).at(0)));
    rig.set({{"Check2", QStringLiteral("-1")}});
    form.checkmail();
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), checking(QStringLiteral("無言")), 15000);
    rig.set({{"Check2", QStringLiteral("0")}});

    // The user marks the row that still shows the removed message.
    QCOMPARE(grid.cellText(1, 4), shownFirst);
    grid.lvwMailBox_Click(1);
    rig.prompter.answers = {Prompter::Answer::Yes};
    const QList<QByteArray> seen =
        command(form, "DelBt", QStringLiteral("1通のメールが届いています!"));
    QVERIFY2(!seen.contains("DELE 1"), seen.join(' ').constData());
    QCOMPARE(maildirFiles(m_server, QStringLiteral("ogawa")).size(), 1);
    QCOMPARE(grid.rows(), 2);
}

// Issue 10: tavoprefs stores an empty text as "0"; read back unchanged, the
// host "0" reached this machine with the user's login, and the sound "0"
// played nothing where a beep was due.
void CheckerDovecotTest::emptyTextsStoredAsZeroReadAsEmpty()
{
    CheckerRig rig;
    configure(rig, {{"Option2value", QStringLiteral("1")},
                    {"Option3value", QStringLiteral("0")},
                    {"Option4value", QStringLiteral("0")},
                    {"Mailerdir1", QStringLiteral("0")},
                    {"Wavdir", QStringLiteral("0")}});
    Settings::AccountRecord jitaku;
    Settings::LoadAccount(rig.store, 2, jitaku);
    Settings::SaveAccount(rig.store, 3, jitaku);
    jitaku.Hname.clear();
    Settings::SaveAccount(rig.store, 2, jitaku);
    rig.set({{"accountno", QStringLiteral("3")},
             {"Wavdir2_1", QStringLiteral("0")},
             {"Aname3", QStringLiteral("0")}});
    QCOMPARE(rig.stored("Hname2"), QStringLiteral("0"));
    MailForm& form = startForm(rig);
    QVERIFY(!form.findChild<QToolButton*>(QStringLiteral("MailBt1"))->isEnabled());

    QStringList captions;
    QCOMPARE(cycle(
                 form, [&] { form.checkmail(); }, &captions),
             bothAccountsListed);
    QCOMPARE(captions,
             QStringList({checking(QStringLiteral("会社")), checking(QStringLiteral("自宅")),
                          checking(QString()), QStringLiteral("5通のメールが届いています!")}));
    QCOMPARE(rig.prompter.prompts,
             QList({Prompt{QStringLiteral("相手先が指定されていません"), appTitle,
                           Prompter::Icon::Stop, Prompter::Buttons::Ok}}));
    // Account 1's own sound and account 3's common sound, both empty.
    QCOMPARE(rig.sound.calls, QList<Call>({Call::beep(), Call::beep()}));

    // Issue 16: the retrieval's caption read the name "0" as it is stored.
    form.lvwMailBox()->lvwMailBox_Click(4);
    QSignalSpy titles(&form, &QWidget::windowTitleChanged);
    command(form, "RetrBt", QStringLiteral("5通のメールが届いています!"));
    QCOMPARE(titles.constFirst().constFirst().toString(),
             appTitle + QStringLiteral(" -メール取得中:-"));
}

// Issue 10: after the account count changed, the rows of the old list
// stayed, and with Option6value on an unchanged mailbox was not fetched
// again, so its rows came back without sender and subject.
void CheckerDovecotTest::accountCountChangeListsEveryAccountAnew()
{
    CheckerRig rig;
    configure(rig, {{"Option6value", QStringLiteral("1")}, {"Option4value", QStringLiteral("0")}});
    MailForm& form = startForm(rig);
    QCOMPARE(cycle(form, [&] { form.checkmail(); }), bothAccountsListed);
    QCOMPARE(gridRows(*form.lvwMailBox()), allFiveNew);

    // A third account, left out of checks.
    rig.processes.duringWait = [&rig](const QString&) {
        rig.set({{"accountno", QStringLiteral("3")}, {"Check3", QStringLiteral("0")}});
    };
    form.mnu_opt();
    QCOMPARE(form.lvwMailBox()->rows(), 1);
    QCOMPARE(form.accounts()[1].mailCount, 0);

    QCOMPARE(cycle(form, [&] { form.checkmail(); }), bothAccountsListed);
    QCOMPARE(gridRows(*form.lvwMailBox()), allFiveNew);
}

void CheckerDovecotTest::notifyOnlyOnChange()
{
    CheckerRig rig;
    configure(rig, {{"Option1value", QStringLiteral("1")},
                    {"Option4value", QStringLiteral("1")},
                    {"Option6value", QStringLiteral("1")},
                    {"Lighttimerval", QStringLiteral("1")}});
    MailForm& form = startForm(rig);
    const QList<bool> oneBlink{true, false, true, false, true, false};

    QCOMPARE(cycle(form, [&] { form.checkmail(); }), bothAccountsListed);
    QCOMPARE(gridRows(*form.lvwMailBox()), allFiveNew);
    QVERIFY(form.isVisible());
    QTRY_COMPARE(rig.light.changes, oneBlink);
    form.OkBt_Click();
    QVERIFY(form.isHidden());
    rig.light.changes.clear();

    // Nothing changed: one STAT per account, the rows kept, nothing new.
    QStringList captions;
    QCOMPARE(cycle(
                 form, [&] { form.checkmail(); }, &captions),
             DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS kaisha2026", "STAT", "QUIT",
                                          "CAPA", "USER suzuki", "PASS jitaku", "STAT", "QUIT"}));
    QCOMPARE(captions.constLast(), QStringLiteral("5通のメールが届いています!"));
    QVERIFY(!form.newMailFlg_Check());
    QCOMPARE(gridRows(*form.lvwMailBox()), withoutNewMarks(allFiveNew));
    QVERIFY(form.isHidden());

    // A new message for one account: that account alone is listed anew,
    // and only the new row carries "N".
    QVERIFY(m_server.deliver(QStringLiteral("suzuki"),
                             DovecotServer::demoMessages(QStringLiteral("suzuki")).at(0)));
    captions.clear();
    QCOMPARE(cycle(
                 form, [&] { form.checkmail(); }, &captions),
             DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS kaisha2026", "STAT", "QUIT",
                                          "CAPA", "USER suzuki", "PASS jitaku", "STAT", "UIDL",
                                          "TOP 3 5", "QUIT"}));
    QCOMPARE(captions.constLast(), QStringLiteral("6通のメールが届いています!"));
    QVERIFY(!form.accounts()[1].newMailFlg);
    QVERIFY(form.accounts()[2].newMailFlg);
    QCOMPARE(gridRows(*form.lvwMailBox()),
             withoutNewMarks(allFiveNew) +
                 QStringList{QStringLiteral("N|||鈴木洋子 <yoko@example.ne.jp>|週末の予定|2|3")});
    QVERIFY(form.isVisible());
    QTRY_COMPARE(rig.light.changes, oneBlink);
}

void CheckerDovecotTest::passwordFromTheKeyring_data()
{
    QTest::addColumn<QString>("inKeyring"); // null: no entry
    QTest::addColumn<QString>("inFile");
    QTest::addColumn<bool>("loggedIn");

    QTest::addRow("keyring's password, none in the file")
        << QStringLiteral("kaisha2026") << QString() << true;
    QTest::addRow("a stale password left in the file is not sent")
        << QStringLiteral("kaisha2026") << QStringLiteral("kaisha2025") << true;
    QTest::addRow("no entry: skipped, told once, never an empty password")
        << QString() << QString() << false;
}

void CheckerDovecotTest::passwordFromTheKeyring()
{
    QFETCH(QString, inKeyring);
    QFETCH(QString, inFile);
    QFETCH(bool, loggedIn);
    if (!sessionBus || !DBusSession::keyringInstalled())
        QSKIP("no private session bus, or gnome-keyring is not installed");
    static const bool keyringUp = sessionBus->startKeyring();
    QVERIFY(keyringUp);
    const QString port = QString::number(m_server.port());
    QVERIFY(writeKeyring(QStringLiteral("tanaka@127.0.0.1:") + port, inKeyring));
    QVERIFY(writeKeyring(QStringLiteral("suzuki@localhost:") + port, QStringLiteral("jitaku")));

    CheckerRig rig;
    configure(rig,
              {{"Keyringvalue", QStringLiteral("1")},
               {"Option1value", QStringLiteral("0")},
               {"Option3value", QStringLiteral("0")}},
              inFile);
    MailForm& form = startForm(rig);
    const QList<QByteArray> suzukiListed = DovecotServer::commandLines(
        {"CAPA", "USER suzuki", "PASS jitaku", "STAT", "UIDL", "TOP 1 5", "TOP 2 5", "QUIT"});
    // The second check knows every message by its id.
    const QList<QByteArray> suzukiKnown =
        DovecotServer::commandLines({"CAPA", "USER suzuki", "PASS jitaku", "STAT", "UIDL", "QUIT"});
    const QList<QByteArray> bothKnown =
        DovecotServer::commandLines(
            {"CAPA", "USER tanaka", "PASS kaisha2026", "STAT", "UIDL", "QUIT"}) +
        suzukiKnown;
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(cycle(form, [&] { form.checkmail(); }),
                 round == 0 ? (loggedIn ? bothAccountsListed : suzukiListed)
                            : (loggedIn ? bothKnown : suzukiKnown));
        // Once per run, however many checks find it missing.
        QCOMPARE(rig.prompter.prompts.size(), loggedIn ? 0 : 1);
    }
    if (!loggedIn)
        QVERIFY(rig.prompter.prompts.constFirst().text.contains(QStringLiteral("キーリング")));
}

void CheckerDovecotTest::checkAfterWaking_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("member");
    QTest::addColumn<QVariant>("argument");

    QTest::addRow("logind: resumed from sleep")
        << QStringLiteral("org.freedesktop.login1") << QStringLiteral("/org/freedesktop/login1")
        << QStringLiteral("org.freedesktop.login1.Manager.PrepareForSleep") << QVariant(false);
    QTest::addRow("NetworkManager: connected again")
        << QStringLiteral("org.freedesktop.NetworkManager")
        << QStringLiteral("/org/freedesktop/NetworkManager")
        << QStringLiteral("org.freedesktop.NetworkManager.StateChanged") << QVariant(70u);
}

void CheckerDovecotTest::checkAfterWaking()
{
    QFETCH(QString, service);
    QFETCH(QString, path);
    QFETCH(QString, member);
    QFETCH(QVariant, argument);
    if (!systemBus)
        QSKIP("no stand-in system bus (dbus-daemon)");
    QDBusConnection standIn =
        QDBusConnection::connectToBus(systemBus->address(), QStringLiteral("stand-in"));
    QVERIFY(standIn.registerService(service));

    CheckerRig rig;
    // Hours between scheduled checks: only the wake can start one.
    configure(rig, {{"Checktimerval", QStringLiteral("600")},
                    {"Option1value", QStringLiteral("0")},
                    {"Option5value", QStringLiteral("0")}});
    InstanceLock lock(rig.dir.filePath(QStringLiteral("lock")));
    const std::unique_ptr<MailForm> form = Checker::startChecker(lock, rig.context(), nullptr);
    QVERIFY(form);
    const qsizetype before = m_server.commandsSeen().size();
    const qsizetype dot = member.lastIndexOf(u'.');
    QDBusMessage signal = QDBusMessage::createSignal(path, member.left(dot), member.mid(dot + 1));
    signal << argument;
    QElapsedTimer sinceWake;
    sinceWake.start();
    QVERIFY(standIn.send(signal));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.commandsSeen().mid(before).contains("USER tanaka"), 9000);
    // The network is given its moment first.
    QVERIFY2(sinceWake.elapsed() >= 4500, qPrintable(QString::number(sinceWake.elapsed())));
    QCOMPARE(form->scheduler().checkCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("5通のメールが届いています!"),
                              15000);
    standIn.unregisterService(service);
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
}

int main(int argc, char* argv[])
{
    // Never the user's own buses or keyring: two bare private buses, on
    // which nothing starts by itself.
    DBusSession session;
    DBusSession system;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("XDG_CURRENT_DESKTOP");
    // No system bus at all unless the stand-in starts.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tavowatch-test");
    if (DBusSession::isInstalled() && session.start(DBusSession::Services::Bare)) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", session.address().toLatin1());
        sessionBus = &session;
    }
    if (DBusSession::isInstalled() && system.start(DBusSession::Services::Bare)) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", system.address().toLatin1());
        systemBus = &system;
    }
    // As the checker's own main() has it: Qt's event loop without GLib's,
    // which the keyring's answers must reach all the same.
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    CheckerDovecotTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "CheckerDovecotTest.moc"
