// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/MessageTail.h"

#include <cstring>
#include <utility>

namespace {

// A line longer than this cannot be the final "." line, and the part
// headers of an excerpt fit in it.
constexpr qsizetype lineKeep = MessageTail::excerptBytes;

bool containsAsciiCi(QByteArrayView text, QByteArrayView lowerNeedle)
{
    for (qsizetype i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
        qsizetype k = 0;
        while (k < lowerNeedle.size()) {
            char c = text[i + k];
            if (c >= 'A' && c <= 'Z')
                c = char(c + ('a' - 'A'));
            if (c != lowerNeedle[k])
                break;
            ++k;
        }
        if (k == lowerNeedle.size())
            return true;
    }
    return false;
}

} // namespace

MessageTail::MessageTail(QByteArray boundary, bool crlf)
    : m_boundary(std::move(boundary)), m_previousEndedCrlf(crlf)
{}

QByteArray MessageTail::boundaryOf(QByteArrayView start)
{
    const QByteArray lower = start.toByteArray().toLower();
    const qsizetype at = lower.indexOf("boundary=\"");
    if (at < 0)
        return QByteArray();
    const qsizetype valueStart = at + 10;
    const qsizetype valueEnd = lower.indexOf('"', valueStart);
    if (valueEnd < 0)
        return QByteArray();
    return start.sliced(valueStart, valueEnd - valueStart).toByteArray();
}

qsizetype MessageTail::take(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const char* const from = bytes.data() + at;
        const auto* newline =
            static_cast<const char*>(std::memchr(from, '\n', std::size_t(bytes.size() - at)));
        if (!newline) {
            takeLine(bytes.sliced(at), false);
            m_size += bytes.size() - at;
            return -1;
        }
        const qsizetype length = newline - from + 1;
        const bool last = takeLine(bytes.sliced(at, length), true);
        at += length;
        m_size += length;
        if (last) {
            closeExcerpt();
            return at;
        }
    }
    return -1;
}

bool MessageTail::takeLine(QByteArrayView piece, bool whole)
{
    m_line += piece;
    if (m_line.size() > lineKeep) {
        // Long: an open excerpt takes what it has room for, and only the
        // last bytes, where a delimiter would end, are kept.
        if (m_excerptOpen) {
            m_excerpt += QByteArrayView(m_line).first(lineKeep);
            closeExcerpt();
        }
        m_line = m_line.last(m_boundary.size() + 2);
        m_lineLong = true;
    }
    if (!whole)
        return false;
    const QByteArray line = std::exchange(m_line, QByteArray());
    const bool wasLong = std::exchange(m_lineLong, false);
    // The final "." line after a line that ended in CR LF.
    if (m_previousEndedCrlf && !wasLong && line == ".\r\n")
        return true;
    m_previousEndedCrlf = line.endsWith("\r\n");
    if (m_excerptOpen && !wasLong) {
        m_excerpt += line;
        if (m_excerpt.size() >= excerptBytes)
            closeExcerpt();
    }
    // A part starts at the boundary value followed by CR LF.
    if (m_previousEndedCrlf && !m_boundary.isEmpty() &&
        QByteArrayView(line).chopped(2).endsWith(m_boundary)) {
        closeExcerpt();
        m_excerpt = "\r\n--" + m_boundary + "\r\n";
        m_excerptOpen = true;
    }
    return false;
}

void MessageTail::closeExcerpt()
{
    if (!m_excerptOpen)
        return;
    m_excerptOpen = false;
    const QByteArray excerpt = std::exchange(m_excerpt, QByteArray());
    // Only parts that name a file matter past the kept start.
    if (containsAsciiCi(excerpt, "name") && m_excerpts.size() + excerpt.size() <= maxExcerpts)
        m_excerpts += excerpt;
}
