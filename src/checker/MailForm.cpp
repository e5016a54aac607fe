// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/MailForm.h"

#include "checker/CheckScheduler.h"
#include "checker/HotkeyHooks.h"
#include "checker/Notifier.h"
#include "checker/ProcessRunner.h"
#include "checker/Prompter.h"
#include "checker/SessionDrivers.h"
#include "checker/SoundSequence.h"
#include "maillist/MailListView.h"
#include "maillist/ViewForm.h"
#include "settings/AccountRecord.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include <cmath>

namespace {

// Design placement of the controls, in pixels at 15 twips per pixel.
constexpr QRect MailBt1Rect{0, 0, 20, 20};
constexpr QRect MailBt2Rect{24, 0, 20, 20};
constexpr QRect RetrBtRect{56, 0, 20, 20};
constexpr QRect DelBtRect{88, 0, 20, 20};
constexpr QRect LogBtRect{552, 0, 20, 20};
constexpr QRect gridRect{0, 20, 572, 241};
constexpr QRect OkBtRect{8, 264, 556, 17};
// The client area at design time, 8610 × 4245 twips.
constexpr QSize designSize{574, 283};

// Twips per pixel of the screen, rounded; 15 at 96 DPI.
int twipsPerPixel(qreal dotsPerInch)
{
    if (dotsPerInch <= 0)
        return 15;
    return std::max(1, int(std::lround(1440.0 / dotsPerInch)));
}

QToolButton* pictureButton(QWidget* parent, const QString& objectName, const QString& iconPath,
                           const QString& toolTip, const QString& accessibleName, QRect rect)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(QIcon(iconPath));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(toolTip);
    button->setAccessibleName(accessibleName);
    button->setGeometry(rect);
    return button;
}

} // namespace

QString MailForm::appTitle()
{
    return QStringLiteral("Tavoメールチェッカー LAN");
}

MailForm::MailForm(const CheckerContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::CustomizeWindowHint),
      m_context(context), m_scheduler(new CheckScheduler(this)),
      m_notifier(new Notifier(context.light, this)),
      m_sounds(new SoundSequence(context.sound, this))
{
    setObjectName(QStringLiteral("mailform"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/checker/icons/tavowatchl-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/checker/icons/tavowatchl-32.png"), QSize(32, 32));
    setWindowIcon(icon);

    // Form_Initialize: the screen's twips per pixel, taken once.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_twipsX = twipsPerPixel(screen->logicalDotsPerInchX());
        m_twipsY = twipsPerPixel(screen->logicalDotsPerInchY());
    }

    createControls();
    resize(designSize);

    connect(m_scheduler, &CheckScheduler::scheduledCheckDue, this, [this] {
        m_afterDelete = false;
        checkmail();
    });
    connect(m_notifier, &Notifier::autoHideDue, this, &MailForm::hideWindow);
}

void MailForm::adoptSessionDrivers(std::unique_ptr<SessionDrivers> drivers)
{
    m_drivers = drivers.get();
    m_ownedDrivers = std::move(drivers);
}

MailForm::~MailForm() = default;

void MailForm::createControls()
{
    const QString mailerTip = QStringLiteral("OPTIONで指定したﾒｰﾗｰを起動します");
    const QString mailerIcon = QStringLiteral(":/checker/icons/mailer-16.png");
    m_MailBt[0] = pictureButton(this, QStringLiteral("MailBt1"), mailerIcon, mailerTip,
                                QStringLiteral("メーラー1を起動"), MailBt1Rect);
    m_MailBt[1] = pictureButton(this, QStringLiteral("MailBt2"), mailerIcon, mailerTip,
                                QStringLiteral("メーラー2を起動"), MailBt2Rect);
    m_RetrBt = pictureButton(this, QStringLiteral("RetrBt"),
                             QStringLiteral(":/checker/icons/retrieve-16.png"),
                             QStringLiteral("選択したメールを取得します"),
                             QStringLiteral("選択したメールを取得"), RetrBtRect);
    m_DelBt = pictureButton(this, QStringLiteral("DelBt"),
                            QStringLiteral(":/checker/icons/delete-16.png"),
                            QStringLiteral("選択したメールをサーバから削除します"),
                            QStringLiteral("選択したメールを削除"), DelBtRect);
    // Both act on marked messages, and nothing is marked yet.
    m_RetrBt->setEnabled(false);
    m_DelBt->setEnabled(false);

    m_LogBt = new QPushButton(QStringLiteral("L"), this);
    m_LogBt->setObjectName(QStringLiteral("LogBt"));
    m_LogBt->setToolTip(QStringLiteral("ログを表示します"));
    m_LogBt->setAccessibleName(QStringLiteral("ログを表示"));
    m_LogBt->setGeometry(LogBtRect);
    m_LogBt->setVisible(false);

    m_lvwMailBox = new MailListView(this);
    m_lvwMailBox->setObjectName(QStringLiteral("lvwMailBox"));
    m_lvwMailBox->setGeometry(gridRect);
    m_lvwMailBox->setMailTable(&m_mailTable);
    m_lvwMailBox->setAccountNameLookup([this](int account) {
        return Settings::zeroAsEmpty(
            m_context.store.get(Settings::accountKey(u"Aname", qint16(account)), QString()));
    });
    m_lvwMailBox->setCommandsEnabledProbe([this] { return m_RetrBt->isEnabled(); });

    m_OkBt = new QPushButton(QStringLiteral("OK"), this);
    m_OkBt->setObjectName(QStringLiteral("OkBt"));
    m_OkBt->setToolTip(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟを閉じます"));
    m_OkBt->setGeometry(OkBtRect);

    connect(m_MailBt[0], &QToolButton::clicked, this, [this] { MailBt_Click(1); });
    connect(m_MailBt[1], &QToolButton::clicked, this, [this] { MailBt_Click(2); });
    connect(m_RetrBt, &QToolButton::clicked, this, &MailForm::RetrBt_Click);
    connect(m_DelBt, &QToolButton::clicked, this, &MailForm::DelBt_Click);
    connect(m_LogBt, &QPushButton::clicked, this, &MailForm::LogBt_Click);
    connect(m_OkBt, &QPushButton::clicked, this, &MailForm::OkBt_Click);
    connect(m_lvwMailBox, &MailListView::marksChanged, this, [this](bool anyMarked) {
        m_RetrBt->setEnabled(anyMarked);
        m_DelBt->setEnabled(anyMarked);
    });
    connect(m_lvwMailBox, &MailListView::showMessageRequested, this, &MailForm::showMessage);
}

// ---- Start-up and settings ----

bool MailForm::Form_Load()
{
    // The window is never shown here, and it has no close button (see the
    // window flags): it stays hidden until new mail or the pop-up hotkey.
    if (m_hotkeys)
        m_hotkeys->hookWindow();
    bool settingsProgramRan = false;
    for (;;) {
        loadoption();
        discardMailTable();
        if (m_hotkeys)
            m_hotkeys->setHotKeys(1);
        // A key that cannot be registered asks the user, who may choose to
        // end there: after the exit sequence nothing more is asked.
        if (m_ended)
            return false;
        if (m_options.accountno != 0)
            break;
        if (settingsProgramRan && !m_context.store.isWritable()) {
            // No account can ever be stored: asking again would repeat forever.
            m_context.prompter.ask(
                QStringLiteral("設定ファイル %1 に書き込めないため、設定を保存できません。\r\n"
                               "ファイルとフォルダーの書き込み権限を確かめてから、もう一度起動して"
                               "ください。終了します。")
                    .arg(m_context.store.filePath()),
                appTitle(), Prompter::Icon::Stop, Prompter::Buttons::Ok);
            return false;
        }
        // First configuration: nothing can be checked until an account exists.
        m_context.prompter.ask(QStringLiteral("最初に設定をしてください"), appTitle(),
                               Prompter::Icon::Information, Prompter::Buttons::Ok);
        // The prompt and the wait process events: the end of the desktop
        // session may have run the exit sequence meanwhile.
        if (m_ended)
            return false;
        if (!m_context.processes.runAndWait(m_context.tavoprefsPath)) {
            // Asking again would repeat forever: say what is missing and end.
            m_context.prompter.ask(
                QStringLiteral("設定プログラム %1 を起動できないため、終了します。")
                    .arg(m_context.tavoprefsPath),
                appTitle(), Prompter::Icon::Stop, Prompter::Buttons::Ok);
            return false;
        }
        settingsProgramRan = true;
        if (m_ended)
            return false;
    }
    setWindowTitle(appTitle());
    setListHeads();
    m_notifier->scrollLight(0);
    if (m_options.Option5value != 0) {
        m_afterDelete = false;
        checkmail();
    }
    return !m_ended;
}

void MailForm::loadoption()
{
    // tavoprefs writes the file from another process: read it anew.
    m_context.store.reload();
    m_options = Settings::loadGeneralOptions(m_context.store);
    // Another writer may store an empty path as "0", as the account texts
    // are: no program or sound file of that name is meant.
    m_options.Mailerdir1 = Settings::zeroAsEmpty(m_options.Mailerdir1);
    m_options.Mailerdir2 = Settings::zeroAsEmpty(m_options.Mailerdir2);
    m_options.Wavdir = Settings::zeroAsEmpty(m_options.Wavdir);
    if (m_options.accountno > 0)
        m_accounts.resize(m_options.accountno);

    m_MailBt[0]->setEnabled(!m_options.Mailerdir1.isEmpty());
    m_MailBt[1]->setEnabled(!m_options.Mailerdir2.isEmpty());
    m_scheduler->setChecktimerval(m_options.Checktimerval);
    m_notifier->setLighttimerval(m_options.Lighttimerval);
    m_notifier->setClosetimerval(m_options.Closetimerval);
    m_LogBt->setVisible(m_options.Option8value != 0);
    for (int i = 0; i < 6; ++i)
        m_lvwMailBox->setColumnWidthTwips(i, m_options.grdWidth[i], m_twipsX);
    setWidthTwips(m_options.frmWidth);
    setHeightTwips(m_options.frmHeight);
    emit optionsLoaded();
}

int MailForm::widthTwips() const
{
    return width() * m_twipsX;
}

int MailForm::heightTwips() const
{
    return height() * m_twipsY;
}

void MailForm::setWidthTwips(int twips)
{
    resize(std::max(0, twips) / m_twipsX, height());
    Form_Resize();
}

void MailForm::setHeightTwips(int twips)
{
    resize(width(), std::max(0, twips) / m_twipsY);
    Form_Resize();
}

void MailForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void MailForm::Form_Resize()
{
    // A window too small for the list keeps its previous layout.
    if (!(heightTwips() > 1500 && widthTwips() > 1000))
        return;
    const int W = widthTwips() / m_twipsX;
    const int H = heightTwips() / m_twipsY;
    const QRect grid(m_lvwMailBox->x(), m_lvwMailBox->y(), W - 8, H - 70);
    m_lvwMailBox->setGeometry(grid);
    m_OkBt->setGeometry(m_OkBt->x(), grid.y() + grid.height() + 3, grid.width() - 18,
                        m_OkBt->height());
    m_LogBt->move(W - 30, m_LogBt->y());
}

void MailForm::setListHeads()
{
    // The widths the grid shows are the user's: stored by the last "OK" or
    // dragged since. The copy read at start-up would undo the user's layout.
    m_lvwMailBox->setListHeads(shownWidths(), m_mailTotal, m_twipsX);
}

std::array<qint16, 6> MailForm::shownWidths() const
{
    std::array<qint16, 6> widths{};
    for (int i = 0; i < 6; ++i) {
        qint64 twips = m_lvwMailBox->columnWidthTwips(i);
        // The user's width, not the one that made room for the vertical
        // scroll bar. Only a column that is narrowed now is widened back:
        // after the settings were read again it shows its full width even
        // when the list is long.
        if (i == 4 && m_lvwMailBox->column4Narrowed())
            twips += MailListView::scrollBarAllowanceTwips;
        widths[i] = Settings::clampToInteger(twips);
    }
    return widths;
}

void MailForm::OpenOption()
{
    const int before = m_options.accountno;
    // A settings program that cannot be started leaves the settings as they
    // are; they are read again all the same.
    m_context.processes.runAndWait(m_context.tavoprefsPath);
    loadoption();
    if (m_options.accountno != before) {
        discardMailTable();
        setListHeads();
    }
    if (m_hotkeys) {
        m_hotkeys->setHotKeys(0);
        m_hotkeys->setHotKeys(1);
    }
}

void MailForm::discardMailTable()
{
    m_mailTotal = 0;
    m_mailTable.redim(std::max(0, int(m_options.accountno)));
    // Found under the old account numbers.
    m_checkListing.clear();
    // The counts describe the table: kept, they would make the next check
    // take an unchanged mailbox for listed (Option6value) and list rows of
    // entries that are gone.
    for (int i = 1; i <= m_accounts.count(); ++i) {
        AccountState& state = m_accounts[i];
        state.mailCount = 0;
        state.listedCount = 0;
        state.lastSize = 0;
        state.newMailFlg = false;
    }
    m_lvwMailBox->clearRows();
    m_RetrBt->setEnabled(false);
    m_DelBt->setEnabled(false);
}

// ---- Commands ----

void MailForm::OkBt_Click()
{
    m_notifier->stopLight();
    saveLayout();
    hideWindow();
}

void MailForm::MailBt_Click(int index)
{
    m_notifier->stopLight();
    hideWindow();
    ExecMailapp(index);
}

void MailForm::ExecMailapp(int index)
{
    m_notifier->startTimer1();
    const QString s = index == 1   ? m_options.Mailerdir1
                      : index == 2 ? m_options.Mailerdir2
                                   : QString();
    if (s.isEmpty())
        return;
    ProcessRunner& processes = m_context.processes;
    if (!s.startsWith(u'"')) {
        // The whole line names the program, spaces included; it takes no
        // arguments. Quoted for the command splitter, a literal quote tripled.
        if (processes.fileExists(s)) {
            QString quoted = s;
            quoted.replace(QStringLiteral("\""), QStringLiteral("\"\"\""));
            processes.startDetached(u'"' + quoted + u'"');
        }
        return;
    }
    const qsizetype close = s.indexOf(u'"', 1);
    if (close < 0)
        return;
    if (processes.fileExists(s.mid(1, close - 1)))
        processes.startDetached(s);
}

void MailForm::LogBt_Click()
{
    ensureViewForm().showText(m_logText);
}

void MailForm::RetrBt_Click()
{
    setCursor(Qt::WaitCursor);
    m_savedCaption = windowTitle();
    resetCycle();
    if (m_drivers)
        m_drivers->retrNextAccount();
    else
        endOfRetrieval();
}

void MailForm::DelBt_Click()
{
    const Prompter::Answer answer = m_context.prompter.ask(
        QStringLiteral("○の付いたメールを削除します\r\nよろしいですか？"), appTitle(),
        Prompter::Icon::Question, Prompter::Buttons::YesNoDefaultNo);
    if (answer != Prompter::Answer::Yes)
        return;
    setCursor(Qt::WaitCursor);
    resetCycle();
    if (m_drivers)
        m_drivers->deleNextAccount();
    else
        endOfDeletion();
}

void MailForm::turnoff()
{
    m_notifier->stopLight();
}

void MailForm::mnu_opt()
{
    turnoff();
    OpenOption();
}

void MailForm::mnu_pop()
{
    turnoff();
    popUp();
}

void MailForm::mnu_end()
{
    m_notifier->stopLight();
    Endfun();
}

void MailForm::Endfun()
{
    close();
}

void MailForm::endWithoutAsking()
{
    m_skipExitQuestion = true;
    Endfun();
    m_skipExitQuestion = false;
}

void MailForm::popUp()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MailForm::hideWindow()
{
    hide();
}

ViewForm& MailForm::ensureViewForm()
{
    if (!m_viewform)
        m_viewform = std::make_unique<ViewForm>(m_twipsX, m_twipsY);
    return *m_viewform;
}

void MailForm::showMessage(int account, int message)
{
    if (!m_mailTable.contains(account, message))
        return;
    ensureViewForm().showMessage(m_mailTable.entry(account, message));
}

// ---- Exit ----

void MailForm::closeEvent(QCloseEvent* event)
{
    // A request that arrives after the end (before the program has quit)
    // has nothing left to do.
    if (m_ended) {
        event->accept();
        return;
    }
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    m_ended = true;
    if (m_viewform)
        m_viewform->close();
    emit checkerEnded();
}

bool MailForm::Form_QueryUnload()
{
    // A second request while the first waits or asks (a signal, the session
    // manager, a hotkey) leaves the decision to the first.
    if (m_exiting)
        return true;
    m_exiting = true;
    m_notifier->stopLight();
    if (m_notifier->isTimer1Active()) {
        // Timer1's tick switches the light off once more; wait for it so the
        // light is surely off when the checker is gone.
        QEventLoop wait;
        connect(m_notifier, &Notifier::Timer1Fired, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (m_options.Option7value == 0 && !m_skipExitQuestion) {
        const Prompter::Answer answer =
            m_context.prompter.ask(QStringLiteral("終了しますか？"), appTitle(),
                                   Prompter::Icon::Information, Prompter::Buttons::YesNo);
        if (answer != Prompter::Answer::Yes) {
            hideWindow();
            m_exiting = false;
            return true;
        }
    }
    if (m_hotkeys) {
        m_hotkeys->setHotKeys(0);
        m_hotkeys->unhookWindow();
    }
    saveLayout();
    m_exiting = false;
    return false;
}

void MailForm::saveLayout()
{
    // What is stored is what the grid shows; the copy follows, so that
    // nothing older can come back.
    m_options.grdWidth = shownWidths();
    Settings::saveWindowLayout(m_context.store, m_options.grdWidth,
                               Settings::clampToInteger(widthTwips()),
                               Settings::clampToInteger(heightTwips()));
}

// ---- Check cycles and notification ----

void MailForm::resetCycle()
{
    m_notifier->stopLight();
    if (m_drivers)
        m_drivers->subDisConn();
    // A check that did not reach its end shows nothing of what it found:
    // the grid, and what the commands act on, stay as the user saw them.
    m_checkListing.clear();
    m_mailTotal = 0;
    m_curAccount = 0;
    m_logText.clear();
}

void MailForm::checkmail()
{
    resetCycle();
    newMailFlg_Clear();
    checkNextAccount();
}

void MailForm::checkNextAccount()
{
    if (m_drivers)
        m_drivers->checkNextAccount();
    else
        endOfCheck();
}

void MailForm::newMailFlg_Clear()
{
    for (int i = 1; i <= m_accounts.count(); ++i)
        m_accounts[i].newMailFlg = false;
}

bool MailForm::newMailFlg_Check() const
{
    const int last = std::min(int(m_options.accountno), m_accounts.count());
    for (int i = 1; i <= last; ++i) {
        if (m_accounts[i].newMailFlg)
            return true;
    }
    return false;
}

void MailForm::Lightbrink()
{
    m_notifier->Lightbrink();
}

void MailForm::ShowMsg(const QString& text)
{
    if (m_options.Option3value != 0)
        return;
    m_context.prompter.ask(text, appTitle(), Prompter::Icon::Stop, Prompter::Buttons::Ok);
}

bool MailForm::askTrust(const QString& question)
{
    // No is the default: a certificate is trusted only on purpose.
    return m_context.prompter.ask(question, appTitle(), Prompter::Icon::Question,
                                  Prompter::Buttons::YesNoDefaultNo) == Prompter::Answer::Yes;
}

void MailForm::endOfCheck()
{
    m_RetrBt->setEnabled(false);
    m_DelBt->setEnabled(false);
    m_lvwMailBox->setEnabled(true);
    // The table changes together with the grid that shows it.
    m_checkListing.commit(m_mailTable, m_accounts);
    m_lvwMailBox->refreshRows(m_mailTable);
    if (m_mailTotal != 0) {
        m_lvwMailBox->fillMailList(m_mailTable, m_accounts, m_options.Option9value != 0,
                                   m_afterDelete);
        setWindowTitle(QString::number(m_mailTotal) + QStringLiteral("通のメールが届いています!"));
    } else {
        setWindowTitle(appTitle());
        m_lvwMailBox->clearRows();
    }
    if (newMailFlg_Check()) {
        if (m_options.Option4value != 0)
            Lightbrink();
        if (m_options.Option1value != 0) {
            popUp();
            m_notifier->startCloseTimer();
            emit newMailPoppedUp();
        }
        if (m_options.Option2value != 0)
            m_sounds->play(m_accounts, m_options.accountno, m_options.Wavdir);
        setListHeads();
    }
    m_scheduler->enableChecktimer();
    unsetCursor();
    emit mailListed();
}

void MailForm::disableMailList()
{
    m_RetrBt->setEnabled(false);
    m_DelBt->setEnabled(false);
    m_lvwMailBox->setEnabled(false);
}

void MailForm::endOfRetrieval()
{
    // The marks go, and with them what the two buttons act on.
    m_RetrBt->setEnabled(false);
    m_DelBt->setEnabled(false);
    m_lvwMailBox->refreshRows(m_mailTable);
    setWindowTitle(m_savedCaption);
    m_lvwMailBox->setEnabled(true);
    unsetCursor();
}

void MailForm::endOfDeletion()
{
    m_afterDelete = true;
    newMailFlg_Clear();
    checkmail();
}
