// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace Decode {

/*
 * Finds the occurrences of one needle in one text, ASCII letters compared
 * without regard to case, for a caller whose search positions never move
 * backwards. The needle may come from the mail itself (a multipart boundary
 * of any length), so the scan is Knuth-Morris-Pratt and every character of
 * the text is examined a bounded number of times over all calls together:
 * repeated searches from moving positions stay linear.
 *
 * The text must outlive the finder.
 */
class ForwardFinder
{
public:
    ForwardFinder(QStringView text, QStringView needle);

    // The first occurrence starting at or after from; -1 when there is none.
    // from must not be smaller than in the previous call.
    qsizetype next(qsizetype from);

private:
    QStringView m_text;
    QString m_needle; // folded to ASCII lower case
    std::vector<qsizetype> m_failure;
    qsizetype m_scan = 0;    // next text position to feed to the automaton
    qsizetype m_matched = 0; // needle prefix length matched just before m_scan
    qsizetype m_found = -1;  // start of the last occurrence returned
};

} // namespace Decode
