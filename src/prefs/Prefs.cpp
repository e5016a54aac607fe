// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefs/Prefs.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace Prefs {

QString appTitle()
{
    return QStringLiteral("Tavoメールチェッカー");
}

QString keyringFailedText(const QString& why)
{
    return QStringLiteral("パスワードをキーリングに保存できません。\n%1").arg(why);
}

QString saveFailedText(const QString& path)
{
    return QStringLiteral("設定を保存できませんでした。\n"
                          "保存先: %1\n"
                          "このファイルとフォルダーに書き込めるか確かめてください。")
        .arg(path);
}

QColor colorFromBgr(qint32 bgr)
{
    const auto v = quint32(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 bgrFromColor(const QColor& colour)
{
    return qint32(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

int twipsPerPixel(const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? std::max(1, int(std::lround(1440.0 / dpi))) : 15;
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    // Every label of both programs is plain text; none is ever read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(buddy);
    return label;
}

QPushButton* browseButton(const QString& name, const QString& accessibleName, QWidget* parent)
{
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(name);
    button->setToolTip(QStringLiteral("参照"));
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    button->setFixedWidth(28);
    return button;
}

bool pressFocusedButton(const QWidget* dialog, QKeyEvent* event)
{
    // The same keys QDialog takes for its default button.
    const bool enter = (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) ||
                       (event->key() == Qt::Key_Enter &&
                        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier);
    auto* button = qobject_cast<QPushButton*>(dialog->focusWidget());
    if (!enter || !button || !button->isEnabled() || !button->isVisible())
        return false;
    event->accept();
    button->click();
    return true;
}

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace Prefs
