// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/MessageBoxPrompter.h"
#include "support/NextMessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

enum class Action { ClickOk, ClickYes, ClickNo, PressEnter, PressEscape, Close };

// What the box showed, read while it was open.
struct Seen
{
    bool found = false;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool applicationModal = false;
};

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Prompter::Icon)
Q_DECLARE_METATYPE(Prompter::Buttons)
Q_DECLARE_METATYPE(Prompter::Answer)

class MessageBoxPrompterTest : public QObject
{
    Q_OBJECT

private slots:
    void asksAndAnswers_data();
    void asksAndAnswers();
    void serverWordsShownAsWritten_data();
    void serverWordsShownAsWritten();
};

void MessageBoxPrompterTest::asksAndAnswers_data()
{
    QTest::addColumn<Prompter::Icon>("icon");
    QTest::addColumn<Prompter::Buttons>("buttons");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QMessageBox::Icon>("expectedIcon");
    QTest::addColumn<QMessageBox::StandardButtons>("expectedButtons");
    QTest::addColumn<QMessageBox::StandardButton>("expectedDefault");
    QTest::addColumn<Prompter::Answer>("expectedAnswer");

    using B = Prompter::Buttons;
    using I = Prompter::Icon;
    using A = Prompter::Answer;
    const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;

    QTest::addRow("information, OK clicked")
        << I::Information << B::Ok << Action::ClickOk << QMessageBox::Information
        << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok << A::Ok;
    QTest::addRow("stop icon is the critical one")
        << I::Stop << B::Ok << Action::PressEnter << QMessageBox::Critical
        << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok << A::Ok;
    QTest::addRow("Escape on an OK box answers Ok")
        << I::Warning << B::Ok << Action::PressEscape << QMessageBox::Warning
        << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok << A::Ok;
    QTest::addRow("Yes clicked") << I::Information << B::YesNo << Action::ClickYes
                                 << QMessageBox::Information << yesNo << QMessageBox::Yes << A::Yes;
    QTest::addRow("No clicked") << I::Question << B::YesNo << Action::ClickNo
                                << QMessageBox::Question << yesNo << QMessageBox::Yes << A::No;
    QTest::addRow("Enter takes the default Yes")
        << I::Information << B::YesNo << Action::PressEnter << QMessageBox::Information << yesNo
        << QMessageBox::Yes << A::Yes;
    QTest::addRow("Enter takes the default No")
        << I::Question << B::YesNoDefaultNo << Action::PressEnter << QMessageBox::Question << yesNo
        << QMessageBox::No << A::No;
    QTest::addRow("Escape answers No")
        << I::Information << B::YesNo << Action::PressEscape << QMessageBox::Information << yesNo
        << QMessageBox::Yes << A::No;
    QTest::addRow("closing the box answers No")
        << I::Information << B::YesNo << Action::Close << QMessageBox::Information << yesNo
        << QMessageBox::Yes << A::No;
    QTest::addRow("a hotkey failure has no icon")
        << I::NoIcon << B::Ok << Action::ClickOk << QMessageBox::NoIcon
        << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok << A::Ok;
}

void MessageBoxPrompterTest::asksAndAnswers()
{
    QFETCH(Prompter::Icon, icon);
    QFETCH(Prompter::Buttons, buttons);
    QFETCH(Action, action);
    QFETCH(QMessageBox::Icon, expectedIcon);
    QFETCH(QMessageBox::StandardButtons, expectedButtons);
    QFETCH(QMessageBox::StandardButton, expectedDefault);
    QFETCH(Prompter::Answer, expectedAnswer);

    const QString text = QStringLiteral("終了しますか？");
    const QString title = QStringLiteral("Tavoメールチェッカー LAN");

    Seen seen;
    // Reads the box and answers like a user.
    const NextMessageBox user([&](QMessageBox& shown) {
        QMessageBox* box = &shown;
        seen.found = true;
        seen.text = box->text();
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->standardButton(box->defaultButton());
        seen.applicationModal = box->windowModality() == Qt::ApplicationModal;
        switch (action) {
        case Action::ClickOk:
            box->button(QMessageBox::Ok)->click();
            break;
        case Action::ClickYes:
            box->button(QMessageBox::Yes)->click();
            break;
        case Action::ClickNo:
            box->button(QMessageBox::No)->click();
            break;
        case Action::PressEnter:
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case Action::PressEscape:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case Action::Close:
            box->close();
            break;
        }
    });

    MessageBoxPrompter prompter;
    const Prompter::Answer answer = prompter.ask(text, title, icon, buttons);

    QVERIFY(seen.found);
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.icon, expectedIcon);
    QCOMPARE(seen.buttons, expectedButtons);
    QCOMPARE(seen.defaultButton, expectedDefault);
    QVERIFY(seen.applicationModal);
    QCOMPARE(answer, expectedAnswer);
    // The box is gone once answered.
    QVERIFY(!QApplication::activeModalWidget());
}

void MessageBoxPrompterTest::serverWordsShownAsWritten_data()
{
    QTest::addColumn<QString>("text");

    // Issue 16: a greeting's "-ERR" words, dressed up as the checker's own
    // advice, showed a link to click.
    QTest::addRow("a link in a refusal") << QStringLiteral(
        " <a "
        "href=\"https://example.invalid/\">パスワードの有効期限が切れました。ここをクリック</a>");
    QTest::addRow("bold") << QStringLiteral(" <b>x</b>");
}

void MessageBoxPrompterTest::serverWordsShownAsWritten()
{
    QFETCH(QString, text);

    Qt::TextFormat format = Qt::AutoText;
    QString read;
    const NextMessageBox user([&](QMessageBox& box) {
        format = box.textFormat();
        read = NextMessageBox::textRead(box);
        box.button(QMessageBox::Ok)->click();
    });

    MessageBoxPrompter prompter;
    prompter.ask(text, QStringLiteral("Tavoメールチェッカー LAN"), Prompter::Icon::Stop,
                 Prompter::Buttons::Ok);

    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(read, text);
}

QTEST_MAIN(MessageBoxPrompterTest)
#include "MessageBoxPrompterTest.moc"
