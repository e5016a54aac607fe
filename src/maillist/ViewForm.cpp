// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/ViewForm.h"

#include "maillist/MailRecord.h"

#include <QIcon>
#include <QPlainTextEdit>
#include <QVBoxLayout>

ViewForm::ViewForm(int twipsX, int twipsY, QWidget* parent)
    : QWidget(parent, Qt::Window), m_text1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("viewform"));
    setWindowTitle(QStringLiteral("Viewer"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/maillist/icons/viewer-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/maillist/icons/viewer-32.png"), QSize(32, 32));
    setWindowIcon(icon);

    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    // Read-only, but the caret still moves so that keyboard and screen
    // reader users can walk through the message.
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Lines wrap at the window's width, long words and URLs included, so
    // only the vertical scroll bar is ever needed.
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text1->setAccessibleName(QStringLiteral("Viewer"));

    // Text1 always fills the client area exactly.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_text1);

    resize(initialWidthTwips / (twipsX > 0 ? twipsX : 15),
           initialHeightTwips / (twipsY > 0 ? twipsY : 15));
}

QString ViewForm::viewerText(const MailRecord& record)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Subject: ") + record.Subject + crlf +
                   QStringLiteral("   From: ") + record.From + crlf;
    if (record.Attached != 0)
        text += QStringLiteral(" Attach:  ") + record.AttachNames + crlf;
    text += crlf + record.Body;
    return text;
}

void ViewForm::showText(const QString& text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_text1->setPlainText(display);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool ViewForm::showMessage(const MailRecord& record)
{
    // Only a retrieved message has anything to show.
    if (record.Body.isEmpty())
        return false;
    showText(viewerText(record));
    return true;
}

QString ViewForm::text() const
{
    return m_text1->toPlainText();
}
