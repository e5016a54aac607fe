// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ForwardFinder.h"

#include "decode/TextSearch.h"

namespace Decode {

ForwardFinder::ForwardFinder(QStringView text, QStringView needle)
    : m_text(text), m_needle(needle.toString())
{
    for (QChar& c : m_needle)
        c = QChar(asciiLower(c.unicode()));
    // m_failure[i]: length of the longest proper border of the needle's first i + 1 characters.
    m_failure.assign(std::size_t(m_needle.size()), 0);
    qsizetype border = 0;
    for (qsizetype i = 1; i < m_needle.size(); ++i) {
        while (border > 0 && m_needle.at(i) != m_needle.at(border))
            border = m_failure[std::size_t(border - 1)];
        if (m_needle.at(i) == m_needle.at(border))
            ++border;
        m_failure[std::size_t(i)] = border;
    }
}

qsizetype ForwardFinder::next(qsizetype from)
{
    const qsizetype length = m_needle.size();
    if (from < 0)
        from = 0;
    if (length == 0)
        return from <= m_text.size() ? from : -1;
    if (m_found >= from)
        return m_found;
    if (m_scan < from) {
        // Partial matches behind from cannot start at or after it.
        m_scan = from;
        m_matched = 0;
    }
    const char16_t* text = m_text.utf16();
    const char16_t* needle = reinterpret_cast<const char16_t*>(m_needle.constData());
    while (m_scan < m_text.size()) {
        const char16_t c = asciiLower(text[m_scan++]);
        while (m_matched > 0 && needle[m_matched] != c)
            m_matched = m_failure[std::size_t(m_matched - 1)];
        if (needle[m_matched] == c)
            ++m_matched;
        if (m_matched == length) {
            const qsizetype start = m_scan - length;
            m_matched = m_failure[std::size_t(length - 1)];
            if (start >= from) {
                m_found = start;
                return start;
            }
        }
    }
    return -1;
}

} // namespace Decode
