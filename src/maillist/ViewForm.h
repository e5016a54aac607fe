// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

struct MailRecord;
class QPlainTextEdit;

/*
 * The viewer `viewform`: a sizable top-level window, caption "Viewer", whose
 * one control `Text1` (read-only, vertical scroll bar) always fills the
 * client area. It shows a retrieved message (showMessage) or the session
 * transcript of the log button (showText), replacing the whole text each
 * time. The checker creates one instance on first use and reuses it; the
 * window is modeless and stays open across later checks, which never change
 * the text already shown.
 */
class ViewForm : public QWidget
{
    Q_OBJECT

public:
    // Initial client area in twips.
    static constexpr int initialWidthTwips = 8580;
    static constexpr int initialHeightTwips = 4335;

    // twipsX, twipsY: twips per pixel of the screen (15 at 96 DPI).
    explicit ViewForm(int twipsX = 15, int twipsY = 15, QWidget* parent = nullptr);

    // The text of a retrieved message: "Subject: ", "   From: " and, when
    // Attached, " Attach:  " heading lines, an empty line, then Body; lines
    // end in CR LF.
    static QString viewerText(const MailRecord& record);

    // Puts text (CR LF line ends) into Text1 and shows and activates the window.
    void showText(const QString& text);
    // Shows the message when it has been retrieved; an empty Body leaves the
    // window as it was and returns false.
    bool showMessage(const MailRecord& record);

    // The displayed text, as the user sees it (LF line ends).
    QString text() const;
    QPlainTextEdit* Text1() const { return m_text1; }

private:
    QPlainTextEdit* m_text1;
};
