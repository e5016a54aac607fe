// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/OptionForm.h"

#include "keyring/PasswordKeyring.h"
#include "prefs/AccountPage.h"
#include "prefs/Dialogs.h"
#include "prefs/KeyringMove.h"
#include "prefs/PageTabButton.h"
#include "prefs/Prefs.h"
#include "settings/AccountRecord.h"
#include "settings/GeneralOptions.h"
#include "settings/SettingsStore.h"
#include "settings/TextForms.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// The dialog's client area at design time, 5655 × 6210 twips.
constexpr QSize designSize{377, 414};

// The items every hotkey box offers, each with its stored code as item data.
void addHotkeyItems(QComboBox* box, bool offerNone)
{
    for (int letter = 0; letter < 26; ++letter)
        box->addItem(QStringLiteral("Ctrl+") + QChar(u'A' + letter), 65 + letter);
    for (int f = 1; f <= 16; ++f)
        box->addItem(QStringLiteral("Ctrl+F%1 キー").arg(f), 111 + f);
    for (int f = 1; f <= 16; ++f)
        box->addItem(QStringLiteral("Shift+F%1 キー").arg(f), 211 + f);
    // The exit hotkey always has a key.
    if (offerNone)
        box->addItem(QStringLiteral("無し"), 0);
}

qint16 flag(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

OptionForm::OptionForm(Settings::SettingsStore& store, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_store(store), m_dialogs(dialogs),
      m_autostart(QCoreApplication::applicationDirPath() + QStringLiteral("/tavowatchl"))
{
    setObjectName(QStringLiteral("optionform"));
    setWindowTitle(QStringLiteral("OPTION"));

    const QString tabNames[2] = {QStringLiteral("全般"), QStringLiteral("ｱｶｳﾝﾄ")};
    auto* tabs = new QButtonGroup(this);
    auto* tabRow = new QHBoxLayout;
    tabRow->setSpacing(0);
    for (int i = 0; i < 2; ++i) {
        m_Tab1[i] = new PageTabButton(tabNames[i], this);
        m_Tab1[i]->setObjectName(QStringLiteral("Tab1_%1").arg(i));
        tabs->addButton(m_Tab1[i], i);
        tabRow->addWidget(m_Tab1[i]);
    }
    m_Tab1[0]->setChecked(true);
    connect(tabs, &QButtonGroup::idClicked, this, &OptionForm::Tab1_Click);

    m_pages = new QStackedWidget(this);
    m_frm_Opt[0] = createGeneralPage();
    m_accountPage = new AccountPage(store, dialogs, this);
    m_frm_Opt[1] = m_accountPage;
    for (int i = 0; i < 2; ++i) {
        m_frm_Opt[i]->setObjectName(QStringLiteral("frm_Opt_%1").arg(i));
        m_pages->addWidget(m_frm_Opt[i]);
    }

    m_Command3 = new QPushButton(QStringLiteral("リスト列幅を元に戻す"), this);
    m_Command3->setObjectName(QStringLiteral("Command3"));
    m_Command3->setToolTip(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟのﾘｽﾄの列幅を初期設定に戻します"));
    m_Command3->setAutoDefault(false);
    m_OkBt = new QPushButton(QStringLiteral("OK"), this);
    m_OkBt->setObjectName(QStringLiteral("OkBt"));
    m_OkBt->setToolTip(QStringLiteral("設定を保存して閉じます"));
    m_OkBt->setDefault(true);
    m_CancelBt = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    m_CancelBt->setObjectName(QStringLiteral("CancelBt"));
    m_CancelBt->setToolTip(QStringLiteral("ｱｶｳﾝﾄ以外の変更は保存せずに閉じます"));
    m_CancelBt->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_Command3);
    bottom->addStretch();
    bottom->addWidget(m_OkBt);
    bottom->addWidget(m_CancelBt);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tabRow);
    layout->addWidget(m_pages);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(designSize);

    connect(m_OkBt, &QPushButton::clicked, this, &OptionForm::OkBt_Click);
    connect(m_CancelBt, &QPushButton::clicked, this, &OptionForm::CancelBt_Click);
    connect(m_Command3, &QPushButton::clicked, this, &OptionForm::Command3_Click);
}

QCheckBox* OptionForm::checkBox(const QString& name, const QString& caption, const QString& toolTip,
                                QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setToolTip(toolTip);
    return box;
}

QLineEdit* OptionForm::timerBox(int n, const QString& text, const QString& toolTip, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QStringLiteral("timerbox%1").arg(n));
    box->setToolTip(toolTip);
    box->setFixedWidth(48);
    box->setAlignment(Qt::AlignRight);
    m_timerbox[n] = box;
    connect(box, &QLineEdit::textChanged, this, [this, n] { CheckTimerBox(n); });
    return box;
}

QWidget* OptionForm::createGeneralPage()
{
    auto* page = new QWidget(this);

    // The two timer rows on the left, four check boxes beside them.
    auto* timers = new QGridLayout;
    timers->addWidget(timerBox(1, QStringLiteral("0"), QStringLiteral("0ならﾁｪｯｸしません"), page),
                      0, 1);
    timers->addWidget(Prefs::labelFor(QStringLiteral("分おきにチェック"), m_timerbox[1], page), 0,
                      2);
    timers->addWidget(Prefs::labelFor(QStringLiteral("タイムアップ"), nullptr, page), 1, 0);
    timers->addWidget(
        timerBox(3, QStringLiteral("1"),
                 QStringLiteral("この時間が経過すると次のメールアドレスをチェックします"), page),
        1, 1);
    timers->addWidget(Prefs::labelFor(QStringLiteral("分"), m_timerbox[3], page), 1, 2);
    timers->setColumnStretch(3, 1);
    auto* checks = new QVBoxLayout;
    m_option5 = checkBox(QStringLiteral("option5"), QStringLiteral("起動時にﾒｰﾙ確認"),
                         QStringLiteral("起動すると自動的にﾒｰﾙをﾁｪｯｸします"), page);
    m_option3 = checkBox(QStringLiteral("option3"), QStringLiteral("ｴﾗｰﾒｯｾｰｼﾞは表示しない"),
                         QStringLiteral("ｴﾗｰで接続できなくても報告しません"), page);
    m_option7 = checkBox(QStringLiteral("option7"), QStringLiteral("終了時にﾀﾞｲｱﾛｸﾞを表示しない"),
                         QStringLiteral("チェックするとWindowsの終了時に自動的に終了します"), page);
    m_option8 = checkBox(QStringLiteral("option8"), QStringLiteral("ログ表示ボタン有効"),
                         QStringLiteral("ポップアップに「ログ表示」ボタンを表示します"), page);
    m_autostartBox =
        checkBox(QStringLiteral("autostartBox"), QStringLiteral("ログイン時に起動する"),
                 QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟにﾛｸﾞｲﾝするとﾒｰﾙﾁｪｯｶｰを起動します"), page);
    m_keyringBox =
        checkBox(QStringLiteral("keyringBox"), QStringLiteral("パスワードをキーリングに保存"),
                 QStringLiteral("パスワードを設定ファイルではなくデスクトップのキーリ"
                                "ングに保存します"),
                 page);
    for (QCheckBox* box : {m_option5, m_option3, m_option7, m_option8, m_autostartBox})
        checks->addWidget(box);
    checks->addWidget(m_keyringBox);
    m_keyringMove = new KeyringMove(m_store, this);
    connect(m_keyringBox, &QCheckBox::toggled, this, &OptionForm::keyringBox_Toggled);
    auto* top = new QHBoxLayout;
    top->addLayout(timers);
    top->addLayout(checks);

    auto* arrival = new QGroupBox(QStringLiteral("ﾒｰﾙ到着時"), page);
    m_option4 = checkBox(QStringLiteral("option4"), QStringLiteral("ﾗｲﾄ点滅"),
                         QStringLiteral("Scroll Lockランプを点滅させます"), arrival);
    m_Option1 = checkBox(QStringLiteral("Option1"), QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟ"),
                         QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟを表示します"), arrival);
    m_option9 = checkBox(QStringLiteral("option9"), QStringLiteral("ｱｶｳﾝﾄ別 降順"),
                         QStringLiteral("最新メールから順に並べられます"), arrival);
    m_option2 = checkBox(QStringLiteral("option2"), QStringLiteral("ｻｳﾝﾄﾞ"),
                         QStringLiteral("音を鳴らします"), arrival);
    m_option6 = checkBox(QStringLiteral("option6"),
                         QStringLiteral("前回ﾁｪｯｸ時より新しいﾒｰﾙが届いている場合のみ知らせる"),
                         QStringLiteral("2回目以降のﾒｰﾙﾁｪｯｸが高速になります"), arrival);
    m_Wavbox = new QLineEdit(arrival);
    m_Wavbox->setObjectName(QStringLiteral("Wavbox"));
    m_Command2 =
        Prefs::browseButton(QStringLiteral("Command2"), QStringLiteral("WAVﾌｧｲﾙを参照"), arrival);
    m_Wavbox->setEnabled(false);
    m_Command2->setEnabled(false);
    auto* arrivalGrid = new QGridLayout(arrival);
    arrivalGrid->addWidget(m_option4, 0, 0);
    arrivalGrid->addWidget(
        timerBox(4, QStringLiteral("0"),
                 QStringLiteral("0にするとﾒｰﾙﾁｪｯｸ､ﾎﾟｯﾌﾟｱｯﾌﾟ､ﾒｰﾗｰ起動を行うまで消えません"),
                 arrival),
        0, 1);
    arrivalGrid->addWidget(Prefs::labelFor(QStringLiteral("秒間"), m_timerbox[4], arrival), 0, 2);
    arrivalGrid->addWidget(m_Option1, 1, 0);
    arrivalGrid->addWidget(timerBox(2, QStringLiteral("0"),
                                    QStringLiteral("0にするとﾎﾞﾀﾝを押さないと消えません"), arrival),
                           1, 1);
    arrivalGrid->addWidget(Prefs::labelFor(QStringLiteral("秒後に閉じる"), m_timerbox[2], arrival),
                           1, 2);
    arrivalGrid->addWidget(m_option9, 2, 0, 1, 4);
    arrivalGrid->addWidget(m_option2, 3, 0, 1, 4);
    arrivalGrid->addWidget(Prefs::labelFor(QStringLiteral("WAVﾌｧｲﾙの場所:"), m_Wavbox, arrival), 4,
                           0, 1, 4);
    auto* wavRow = new QHBoxLayout;
    wavRow->addWidget(m_Wavbox);
    wavRow->addWidget(m_Command2);
    arrivalGrid->addLayout(wavRow, 5, 0, 1, 4);
    arrivalGrid->addWidget(m_option6, 6, 0, 1, 4);
    arrivalGrid->setColumnStretch(3, 1);
    m_timerbox[2]->setEnabled(false);

    auto* mailers = new QGridLayout;
    for (int i = 1; i <= 2; ++i) {
        m_Mailerbox[i] = new QLineEdit(page);
        m_Mailerbox[i]->setObjectName(QStringLiteral("Mailerbox_%1").arg(i));
        m_Mailerbox[i]->setToolTip(QStringLiteral("起動するﾒｰﾗｰの場所を指定してください"));
        m_RefBt[i] = Prefs::browseButton(QStringLiteral("RefBt_%1").arg(i),
                                         QStringLiteral("ﾒｰﾗｰ%1を参照").arg(i), page);
        mailers->addWidget(Prefs::labelFor(QStringLiteral("ﾒｰﾗｰ%1:").arg(i), m_Mailerbox[i], page),
                           i, 0);
        mailers->addWidget(m_Mailerbox[i], i, 1);
        mailers->addWidget(m_RefBt[i], i, 2);
        connect(m_RefBt[i], &QPushButton::clicked, this, [this, i] { RefBt_Click(i); });
    }

    auto* keys = new QGroupBox(QStringLiteral("起動ｷｰ"), page);
    auto* keyGrid = new QGridLayout(keys);
    const QString keyLabels[6] = {QStringLiteral("設定:"),      QStringLiteral("ﾒｰﾙﾁｪｯｸ:"),
                                  QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟ:"), QStringLiteral("ﾒｰﾗｰ1:"),
                                  QStringLiteral("ﾒｰﾗｰ2:"),     QStringLiteral("終了:")};
    for (int n = 0; n < 6; ++n) {
        m_cmb_Key[n] = new QComboBox(keys);
        m_cmb_Key[n]->setObjectName(QStringLiteral("cmb_Key_%1").arg(n));
        m_cmb_Key[n]->setAccessibleName(keyLabels[n]);
        QLabel* label = Prefs::labelFor(keyLabels[n], m_cmb_Key[n], keys);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int column = n < 3 ? 0 : 2;
        keyGrid->addWidget(label, n % 3, column);
        keyGrid->addWidget(m_cmb_Key[n], n % 3, column + 1);
    }

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(arrival);
    layout->addLayout(mailers);
    layout->addWidget(keys);

    // On toggled, not clicked: a screen reader's "toggle" checks the box
    // without a click, and must enable or clear the box's timer all the same.
    connect(m_Option1, &QCheckBox::toggled, this, &OptionForm::Option1_Click);
    connect(m_option2, &QCheckBox::toggled, this, &OptionForm::option2_Click);
    connect(m_option4, &QCheckBox::toggled, this, &OptionForm::option4_Click);
    connect(m_Command2, &QPushButton::clicked, this, &OptionForm::Command2_Click);
    return page;
}

void OptionForm::Form_Load()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_accountPage->setColumnWidths(
        Settings::toInteger(m_store.get(QStringLiteral("accountno"), QStringLiteral("0")))
            .value_or(0));
    for (int n = 0; n < 6; ++n) {
        m_cmb_Key[n]->hide();
        m_cmb_Key[n]->clear();
        addHotkeyItems(m_cmb_Key[n], n < 5);
        m_cmb_Key[n]->setCurrentIndex(0);
        m_cmb_Key[n]->show();
    }
    LoadOptions();
    QApplication::restoreOverrideCursor();
}

void OptionForm::LoadOptions()
{
    // A general value that is not a number reads as its default.
    const Settings::GeneralOptions o = Settings::loadGeneralOptions(m_store);
    // A negative count stands for no accounts.
    m_accountPage->fill(std::max<qint16>(0, o.accountno));

    m_Option1->setChecked(o.Option1value != 0);
    m_option2->setChecked(o.Option2value != 0);
    m_option3->setChecked(o.Option3value != 0);
    m_option4->setChecked(o.Option4value != 0);
    m_option5->setChecked(o.Option5value != 0);
    m_option6->setChecked(o.Option6value != 0);
    m_option7->setChecked(o.Option7value != 0);
    m_option8->setChecked(o.Option8value != 0);
    m_option9->setChecked(o.Option9value != 0);
    m_keyringBox->setChecked(o.Keyringvalue != 0);
    m_autostartBox->setChecked(m_autostart.isEnabled());

    m_timerbox[2]->setEnabled(m_Option1->isChecked());
    m_timerbox[4]->setEnabled(m_option4->isChecked());
    m_Wavbox->setEnabled(m_option2->isChecked());
    m_Command2->setEnabled(m_option2->isChecked());

    // After the enabled states, so that a disabled box still shows the
    // stored number.
    m_timerbox[1]->setText(QString::number(o.Checktimerval));
    m_timerbox[2]->setText(QString::number(o.Closetimerval));
    m_timerbox[3]->setText(QString::number(o.Timeupval));
    m_timerbox[4]->setText(QString::number(o.Lighttimerval));
    m_Mailerbox[1]->setText(o.Mailerdir1);
    m_Mailerbox[2]->setText(o.Mailerdir2);
    m_Wavbox->setText(o.Wavdir);

    for (int n = 0; n < 6; ++n) {
        const int index = m_cmb_Key[n]->findData(int(o.Hotkeynum[n]));
        // A code no item stands for leaves the box on its first item.
        if (index >= 0)
            m_cmb_Key[n]->setCurrentIndex(index);
    }
}

void OptionForm::CheckTimerBox(int n)
{
    const std::optional<qint16> value = Settings::toInteger(m_timerbox[n]->text());
    m_timerBoxInvalid[n] = !value || *value < 0;
    bool anyInvalid = false;
    for (int i = 1; i <= 4; ++i)
        anyInvalid = anyInvalid || m_timerBoxInvalid[i];
    m_OkBt->setEnabled(!anyInvalid);
}

bool OptionForm::SaveOptions()
{
    const auto timer = [this](int n) {
        return Settings::toInteger(m_timerbox[n]->text()).value_or(0);
    };
    Settings::GeneralOptions o;
    o.accountno = m_accountPage->accountno();
    o.Option1value = flag(m_Option1);
    o.Option2value = flag(m_option2);
    o.Option3value = flag(m_option3);
    o.Option4value = flag(m_option4);
    o.Option5value = flag(m_option5);
    o.Option6value = flag(m_option6);
    o.Option7value = flag(m_option7);
    o.Option8value = flag(m_option8);
    o.Option9value = flag(m_option9);
    o.Checktimerval = timer(1);
    o.Closetimerval = timer(2);
    o.Timeupval = timer(3);
    o.Lighttimerval = timer(4);
    o.Mailerdir1 = m_Mailerbox[1]->text();
    o.Mailerdir2 = m_Mailerbox[2]->text();
    o.Wavdir = m_Wavbox->text();
    for (int n = 0; n < 6; ++n)
        o.Hotkeynum[n] = qint16(m_cmb_Key[n]->currentData().toInt());
    o.Keyringvalue = flag(m_keyringBox);
    return Settings::saveGeneralOptions(m_store, o);
}

void OptionForm::OkBt_Click()
{
    if (!m_OkBt->isEnabled())
        return;
    for (int i = 0; i < 6; ++i) {
        for (int j = i + 1; j < 6; ++j) {
            if (m_cmb_Key[i]->currentIndex() == m_cmb_Key[j]->currentIndex() &&
                m_cmb_Key[i]->currentData().toInt() != 0) {
                m_dialogs.showMessage(this, QStringLiteral("起動キーが重複しています"),
                                      Dialogs::Icon::Exclamation);
                return;
            }
        }
    }
    const bool intoKeyring = m_keyringBox->isChecked();
    if (intoKeyring == (Settings::passwordPlace(m_store) == Settings::PasswordPlace::Keyring)) {
        saveAndClose();
        return;
    }
    // Nothing can be changed while the keyring answers.
    setEnabled(false);
    m_keyringMove->prepare(intoKeyring, m_accountPage->accountno(), [this](const QString& failure) {
        setEnabled(true);
        if (!failure.isEmpty()) {
            // The passwords stay where they are, and so does the box.
            m_keyringBox->setChecked(!m_keyringBox->isChecked());
            m_dialogs.showMessage(this, failure, Dialogs::Icon::Stop);
            return;
        }
        saveAndClose();
    });
}

void OptionForm::saveAndClose()
{
    if (!SaveOptions()) {
        m_dialogs.showMessage(this, Prefs::saveFailedText(m_store.filePath()), Dialogs::Icon::Stop);
        return;
    }
    if (!m_autostart.apply(m_autostartBox->isChecked())) {
        m_dialogs.showMessage(this, Prefs::saveFailedText(m_autostart.filePath()),
                              Dialogs::Icon::Stop);
        return;
    }
    setEnabled(false);
    m_keyringMove->finish([this] { accept(); });
}

void OptionForm::keyringBox_Toggled(bool checked)
{
    // Only a change to the keyring needs one; the stored state was fine.
    if (!checked || Settings::passwordPlace(m_store) == Settings::PasswordPlace::Keyring)
        return;
    m_keyringBox->setEnabled(false);
    m_keyringMove->keyring().probe([this](bool available, const QString& why) {
        m_keyringBox->setEnabled(true);
        if (available)
            return;
        m_keyringBox->setChecked(false);
        m_dialogs.showMessage(
            this, QStringLiteral("パスワードをキーリングに保存できません。\n%1").arg(why),
            Dialogs::Icon::Exclamation);
    });
}

void OptionForm::CancelBt_Click()
{
    reject();
}

void OptionForm::Command3_Click()
{
    // Written at once; the checker applies the widths when it next reads
    // its settings.
    if (!Settings::saveColumnWidths(m_store, Settings::GeneralOptions{}.grdWidth))
        m_dialogs.showMessage(this, Prefs::saveFailedText(m_store.filePath()), Dialogs::Icon::Stop);
}

void OptionForm::Command2_Click()
{
    const QString file =
        m_dialogs.ChooseFile(this, QStringLiteral("WAVﾌｧｲﾙ"), QStringLiteral("*.wav"),
                             Prefs::programFolder(), QStringLiteral("WAVﾌｧｲﾙの選択"));
    if (!file.isEmpty())
        m_Wavbox->setText(file);
}

void OptionForm::RefBt_Click(int index)
{
    // Programs here carry no file name extension: every file is offered.
    const QString file =
        m_dialogs.ChooseFile(this, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ"), QStringLiteral("*"),
                             Prefs::programFolder(), QStringLiteral("ﾒｰﾗｰの選択"));
    if (!file.isEmpty())
        m_Mailerbox[index]->setText(file);
}

void OptionForm::Tab1_Click(int index)
{
    m_Tab1[index]->setChecked(true);
    m_pages->setCurrentIndex(index);
}

void OptionForm::Option1_Click()
{
    if (!m_Option1->isChecked())
        m_timerbox[2]->setText(QStringLiteral("0"));
    m_timerbox[2]->setEnabled(m_Option1->isChecked());
}

void OptionForm::option4_Click()
{
    if (!m_option4->isChecked())
        m_timerbox[4]->setText(QStringLiteral("0"));
    m_timerbox[4]->setEnabled(m_option4->isChecked());
}

void OptionForm::option2_Click()
{
    m_Wavbox->setEnabled(m_option2->isChecked());
    m_Command2->setEnabled(m_option2->isChecked());
}

void OptionForm::keyPressEvent(QKeyEvent* event)
{
    // Enter in a text box or on a check box still presses OK; Esc cancels.
    if (!Prefs::pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

void OptionForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        Prefs::centreOnScreen(this);
    }
}
