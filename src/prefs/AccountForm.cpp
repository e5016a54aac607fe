// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/AccountForm.h"

#include "prefs/AccountPage.h"
#include "prefs/Dialogs.h"
#include "prefs/Prefs.h"
#include "settings/AccountRecord.h"
#include "settings/TextForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// The editor's client area at design time, 5535 × 3255 twips.
constexpr QSize designSize{369, 217};

// The well-known ports of plain POP3 with STARTTLS (RFC 2595) and of POP3
// over TLS (RFC 8314), between which the encryption choice moves the port.
constexpr qint32 plainPort = 110;
constexpr qint32 tlsPort = 995;
constexpr int tlsImplicit = 2; // the index of "SSL/TLS", the stored "Tls" value

QLineEdit* textBox(const QString& name, const QString& toolTip, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setToolTip(toolTip);
    return box;
}

} // namespace

AccountForm::AccountForm(Settings::SettingsStore& store, Dialogs& dialogs, AccountPage& page,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_store(store), m_dialogs(dialogs), m_page(page)
{
    setObjectName(QStringLiteral("accountform"));
    setWindowTitle(QStringLiteral("ｱｶｳﾝﾄ"));
    setModal(true);
    createControls();
}

void AccountForm::createControls()
{
    m_Accountname = textBox(
        QStringLiteral("Accountname"),
        QStringLiteral("好きな名前を付けて下さい、省略すると「ﾕｰｻﾞｰ名@ﾒｰﾙｻｰﾊﾞ」になります"), this);
    m_Hostname =
        textBox(QStringLiteral("Hostname"), QStringLiteral("ﾒｰﾙｻｰﾊﾞの名前を入れてください"), this);
    m_Portbox = textBox(QStringLiteral("Portbox"), QStringLiteral("通常は110のままでいいよ"), this);
    m_Portbox->setText(QStringLiteral("110"));
    m_Portbox->setMaximumWidth(60);
    m_cmbTls = new QComboBox(this);
    m_cmbTls->setObjectName(QStringLiteral("cmbTls"));
    m_cmbTls->setAccessibleName(QStringLiteral("暗号化"));
    m_cmbTls->setToolTip(QStringLiteral("STARTTLSは通常ﾎﾟｰﾄ110、SSL/TLSは995です"));
    // The item index is the stored "Tls" value.
    m_cmbTls->addItems(
        {QStringLiteral("なし"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")});
    m_lblTlsPin = new QLabel(this);
    m_lblTlsPin->setObjectName(QStringLiteral("lblTlsPin"));
    m_lblTlsPin->setTextFormat(Qt::PlainText);
    m_btnForgetPin = new QPushButton(QStringLiteral("証明書を忘れる"), this);
    m_btnForgetPin->setObjectName(QStringLiteral("btnForgetPin"));
    m_btnForgetPin->setAccessibleName(QStringLiteral("信頼済みの証明書を忘れる"));
    m_btnForgetPin->setToolTip(QStringLiteral("次の接続で証明書をもう一度確認します"));
    m_btnForgetPin->setAutoDefault(false);
    showPin(QString());
    m_UserName =
        textBox(QStringLiteral("UserName"), QStringLiteral("ﾕｰｻﾞｰ名(ｱｶｳﾝﾄ)を入れてください"), this);
    m_MailPassWord = textBox(QStringLiteral("MailPassWord"),
                             QStringLiteral("ﾊﾟｽﾜｰﾄﾞを入れてください、*で表示されます"), this);
    m_MailPassWord->setEchoMode(QLineEdit::Password);
    m_MailPassWord->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    auto* colours = new QGroupBox(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟの表示色"), this);
    const QString colourTip = QStringLiteral("ｸﾘｯｸすると色を選択できます");
    m_Colorbox = new QPushButton(colours);
    m_Colorbox->setObjectName(QStringLiteral("Colorbox"));
    m_Colorbox->setAccessibleName(QStringLiteral("文字の色"));
    m_Colorbox2 = new QPushButton(colours);
    m_Colorbox2->setObjectName(QStringLiteral("Colorbox2"));
    m_Colorbox2->setAccessibleName(QStringLiteral("背景の色"));
    for (QPushButton* swatch : {m_Colorbox, m_Colorbox2}) {
        swatch->setToolTip(colourTip);
        swatch->setAutoDefault(false);
        swatch->setFixedSize(40, 20);
    }
    setSwatch(m_Colorbox, m_Scolor1, 0);
    setSwatch(m_Colorbox2, m_Scolor2, 16777088);
    auto* colourRow = new QHBoxLayout(colours);
    colourRow->addWidget(Prefs::labelFor(QStringLiteral("文字:"), m_Colorbox, colours));
    colourRow->addWidget(m_Colorbox);
    colourRow->addWidget(Prefs::labelFor(QStringLiteral("背景:"), m_Colorbox2, colours));
    colourRow->addWidget(m_Colorbox2);
    colourRow->addStretch();

    auto* sound = new QGroupBox(QStringLiteral("ｻｳﾝﾄﾞの設定"), this);
    const QString captions[3] = {QStringLiteral("共通"), QStringLiteral("指定"),
                                 QStringLiteral("無し")};
    const QString tips[3] = {QStringLiteral("全般で指定したWAVﾌｧｲﾙを使用します"),
                             QStringLiteral("ｱｶｳﾝﾄ別にで指定したWAVﾌｧｲﾙを使用します"),
                             QStringLiteral("ｻｳﾝﾄﾞを再生しません")};
    auto* modes = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        m_Option1[i] = new QRadioButton(captions[i], sound);
        m_Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        m_Option1[i]->setToolTip(tips[i]);
        modes->addWidget(m_Option1[i]);
    }
    m_Option1[0]->setChecked(true);
    modes->addStretch();
    m_Wavbox = textBox(QStringLiteral("Wavbox"), QString(), sound);
    m_Command3 =
        Prefs::browseButton(QStringLiteral("Command3"), QStringLiteral("WAVﾌｧｲﾙを参照"), sound);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_Wavbox);
    fileRow->addWidget(m_Command3);
    auto* soundLayout = new QVBoxLayout(sound);
    soundLayout->addLayout(modes);
    soundLayout->addWidget(Prefs::labelFor(QStringLiteral("WAVﾌｧｲﾙの場所:"), m_Wavbox, sound));
    soundLayout->addLayout(fileRow);

    m_Check1 = new QCheckBox(QStringLiteral("ﾁｪｯｸする"), this);
    m_Check1->setObjectName(QStringLiteral("Check1"));
    m_Check1->setChecked(true);
    m_Command1 = new QPushButton(QStringLiteral("OK"), this);
    m_Command1->setObjectName(QStringLiteral("Command1"));
    m_Command1->setToolTip(QStringLiteral("設定を保存して閉じるよ"));
    m_Command1->setEnabled(false);
    // No default button: Enter typed into a field must not store a half-typed
    // account. Not auto-default either, or the first focused button would
    // become the default for good.
    m_Command1->setAutoDefault(false);
    m_Command2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    m_Command2->setObjectName(QStringLiteral("Command2"));
    m_Command2->setToolTip(QStringLiteral("変更は保存せずに閉じるよ"));
    m_Command2->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(Prefs::labelFor(QStringLiteral("名前:"), m_Accountname, this), 0, 0);
    fields->addWidget(m_Accountname, 0, 1, 1, 3);
    fields->addWidget(Prefs::labelFor(QStringLiteral("ﾒｰﾙｻｰﾊﾞ:"), m_Hostname, this), 1, 0);
    fields->addWidget(m_Hostname, 1, 1);
    fields->addWidget(Prefs::labelFor(QStringLiteral("ﾎﾟｰﾄ番号:"), m_Portbox, this), 1, 2);
    fields->addWidget(m_Portbox, 1, 3);
    fields->addWidget(Prefs::labelFor(QStringLiteral("暗号化:"), m_cmbTls, this), 2, 0);
    fields->addWidget(m_cmbTls, 2, 1);
    auto* pinRow = new QHBoxLayout;
    pinRow->addWidget(m_lblTlsPin);
    pinRow->addStretch();
    pinRow->addWidget(m_btnForgetPin);
    fields->addLayout(pinRow, 3, 1, 1, 3);
    fields->addWidget(Prefs::labelFor(QStringLiteral("ﾕｰｻﾞｰ名:"), m_UserName, this), 4, 0);
    fields->addWidget(m_UserName, 4, 1, 1, 3);
    fields->addWidget(Prefs::labelFor(QStringLiteral("ﾊﾟｽﾜｰﾄﾞ:"), m_MailPassWord, this), 5, 0);
    fields->addWidget(m_MailPassWord, 5, 1, 1, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_Check1);
    buttons->addStretch();
    buttons->addWidget(m_Command1);
    buttons->addWidget(m_Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(colours);
    layout->addWidget(sound);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(designSize);

    // The order a new account is typed in: server and its encryption, user,
    // password, port, then the buttons; the rest follows. The forget button
    // is passed over while it is disabled, as it is for a new account.
    QWidget* order[] = {m_Hostname,  m_cmbTls,      m_btnForgetPin, m_UserName,   m_MailPassWord,
                        m_Portbox,   m_Command1,    m_Command2,     m_Check1,     m_Colorbox,
                        m_Colorbox2, m_Accountname, m_Option1[0],   m_Option1[1], m_Option1[2],
                        m_Wavbox,    m_Command3};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_Hostname->setFocus();

    connect(m_Hostname, &QLineEdit::textChanged, this, &AccountForm::Hostname_Change);
    connect(m_Portbox, &QLineEdit::textChanged, this, &AccountForm::Hostname_Change);
    connect(m_cmbTls, &QComboBox::currentIndexChanged, this, &AccountForm::handleTlsChanged);
    connect(m_btnForgetPin, &QPushButton::clicked, this, &AccountForm::handleForgetPin);
    connect(m_Colorbox, &QPushButton::clicked, this, &AccountForm::Colorbox_Click);
    connect(m_Colorbox2, &QPushButton::clicked, this, &AccountForm::Colorbox2_Click);
    connect(m_Command3, &QPushButton::clicked, this, &AccountForm::Command3_Click);
    connect(m_Command1, &QPushButton::clicked, this, &AccountForm::Command1_Click);
    connect(m_Command2, &QPushButton::clicked, this, &AccountForm::Command2_Click);
}

void AccountForm::setSwatch(QPushButton* swatch, qint32& field, qint32 bgr)
{
    field = bgr;
    swatch->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid "
                                         "palette(dark); }")
                              .arg(Prefs::colorFromBgr(bgr).name()));
}

bool AccountForm::portValid() const
{
    const std::optional<qint32> port = Settings::toLong(m_Portbox->text());
    return port && *port >= 1 && *port <= 65535;
}

void AccountForm::handleTlsChanged(int tls)
{
    // Only the well-known port follows the choice; a port the user chose
    // for the server stays.
    const std::optional<qint32> port = Settings::toLong(m_Portbox->text());
    if (tls == tlsImplicit && port == plainPort)
        m_Portbox->setText(QString::number(tlsPort));
    else if (tls != tlsImplicit && port == tlsPort)
        m_Portbox->setText(QString::number(plainPort));
}

void AccountForm::handleForgetPin()
{
    showPin(QString());
}

void AccountForm::showPin(const QString& pin)
{
    m_TlsPin = pin;
    // The first 16 digits are enough to recognise the certificate the
    // checker showed when it was trusted.
    m_lblTlsPin->setText(pin.isEmpty() ? QStringLiteral("信頼済みの証明書: なし")
                                       : QStringLiteral("信頼済みの証明書: SHA-256 ") +
                                             pin.left(16).toUpper() + u'…');
    m_btnForgetPin->setEnabled(!pin.isEmpty());
}

void AccountForm::intoform(qint16 n)
{
    Settings::AccountRecord r;
    Settings::LoadAccount(m_store, n, r);
    m_Accountname->setText(r.Aname);
    m_Hostname->setText(r.Hname);
    // Older files hold ports above 32767 as negative 16-bit numbers: show
    // the port they stand for.
    m_Portbox->setText(QString::number(r.Portno < 0 ? r.Portno + 65536 : r.Portno));
    {
        // The stored port is shown as it is, whatever the stored encryption.
        const QSignalBlocker blocker(m_cmbTls);
        m_cmbTls->setCurrentIndex(r.Tls);
    }
    showPin(r.TlsPin);
    m_UserName->setText(r.Uname);
    m_MailPassWord->setText(r.Passw);
    m_Check1->setChecked(r.Check != 0);
    setSwatch(m_Colorbox, m_Scolor1, r.Scolor1);
    setSwatch(m_Colorbox2, m_Scolor2, r.Scolor2);
    // A sound mode no button stands for opens as the common sound.
    m_Option1[r.Wavmode >= 0 && r.Wavmode <= 2 ? r.Wavmode : 0]->setChecked(true);
    m_Wavbox->setText(r.Wavdir2_);
    // A stored account may be confirmed as it is, even without a server name.
    m_Command1->setEnabled(portValid());
    if (!m_page.passwordsInKeyring())
        return;
    // Nothing can be confirmed before the password is known: an empty box
    // would overwrite the keyring's.
    m_MailPassWord->setEnabled(false);
    m_Command1->setEnabled(false);
    m_page.readPassword(r, this, [this](std::optional<QString> password) {
        if (!password) {
            reject();
            return;
        }
        m_MailPassWord->setText(*password);
        m_MailPassWord->setEnabled(true);
        m_Command1->setEnabled(portValid());
    });
}

void AccountForm::Hostname_Change()
{
    m_Command1->setEnabled(!m_Hostname->text().isEmpty() && portValid());
}

void AccountForm::Colorbox_Click()
{
    const qint32 colour = m_dialogs.ChooseColour(this);
    if (colour != -1)
        setSwatch(m_Colorbox, m_Scolor1, colour);
}

void AccountForm::Colorbox2_Click()
{
    const qint32 colour = m_dialogs.ChooseColour(this);
    if (colour != -1)
        setSwatch(m_Colorbox2, m_Scolor2, colour);
}

void AccountForm::Command3_Click()
{
    const QString file =
        m_dialogs.ChooseFile(this, QStringLiteral("ｱｶｳﾝﾄ別WAVﾌｧｲﾙ"), QStringLiteral("*.wav"),
                             Prefs::programFolder(), QStringLiteral("WAVﾌｧｲﾙの選択"));
    if (!file.isEmpty())
        m_Wavbox->setText(file);
}

Settings::AccountRecord AccountForm::record() const
{
    Settings::AccountRecord r;
    r.Aname = m_Accountname->text();
    r.Hname = m_Hostname->text();
    r.Portno = Settings::toLong(m_Portbox->text()).value_or(110);
    r.Uname = m_UserName->text();
    r.Passw = m_MailPassWord->text();
    r.Check = m_Check1->isChecked() ? 1 : 0;
    r.Scolor1 = m_Scolor1;
    r.Scolor2 = m_Scolor2;
    r.Wavmode = m_Option1[0]->isChecked() ? 0 : m_Option1[1]->isChecked() ? 1 : 2;
    r.Wavdir2_ = m_Wavbox->text();
    r.Tls = qint16(m_cmbTls->currentIndex());
    r.TlsPin = m_TlsPin;
    return r;
}

void AccountForm::Command1_Click()
{
    if (!m_Command1->isEnabled())
        return;
    if (m_Accountname->text().isEmpty())
        m_Accountname->setText(m_UserName->text() + u'@' + m_Hostname->text());
    // A write that fails keeps the editor open with what the user typed.
    setEnabled(false);
    m_page.storeAccount(record(), this, [this](bool stored) {
        setEnabled(true);
        if (stored)
            accept();
    });
}

void AccountForm::keyPressEvent(QKeyEvent* event)
{
    // Enter elsewhere finds no default button and does nothing; Esc cancels.
    if (!Prefs::pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

void AccountForm::Command2_Click()
{
    reject();
}
