// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/Pop3.h"

#include "decode/Decode.h"
#include "decode/Summary.h"
#include "settings/Cp932.h"

#include <QCoreApplication>
#include <QSet>

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace Pop3 {

namespace {

// Whether the first four characters of a chunk, ASCII letters upper-cased,
// contain needle. Runs for every chunk received: no allocation.
bool headContains(QByteArrayView chunk, QByteArrayView needle)
{
    char head[4];
    const qsizetype n = qMin<qsizetype>(4, chunk.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char c = chunk[i];
        head[i] = (c >= 'a' && c <= 'z') ? char(c - ('a' - 'A')) : c;
    }
    return QByteArrayView(head, n).contains(needle);
}

// Where mark, a few bytes starting with a line-end character, first occurs
// in text; -1 when it does not. A response has a line end every few dozen
// bytes: finding the first byte with memchr and comparing the rest there is
// several times faster than a general substring search, and a check runs
// this for every message the server holds.
qsizetype indexOfLineMark(QByteArrayView text, QByteArrayView mark)
{
    if (mark.isEmpty())
        return 0;
    const char* const begin = text.data();
    const char* at = begin;
    const char* const end = at + text.size();
    const auto length = std::size_t(mark.size());
    while (std::size_t(end - at) >= length) {
        at = static_cast<const char*>(std::memchr(at, mark.front(), std::size_t(end - at)));
        if (!at || std::size_t(end - at) < length)
            return -1;
        if (std::memcmp(at, mark.data(), length) == 0)
            return at - begin;
        ++at;
    }
    return -1;
}

struct ErrorText
{
    int code;
    const char* text; // UTF-8
};

// Winsock 1.1 error codes and the texts the user has always read for them.
constexpr ErrorText errorTexts[] = {
    {10004, "呼び出しがｷｬﾝｾﾙされました"},
    {10013, "指定されたｱﾄﾞﾚｽは、ﾌﾞﾛｰﾄﾞｷｬｽﾄﾊﾟｹｯﾄの送信をｻﾎﾟｰﾄしていません"},
    {10014, "32bitｲﾝﾀｰﾈｯﾄｱﾄﾞﾚｽ指定に誤りがあります"},
    {10022, "関数の呼び出し順番に誤りがあります"},
    {10024, "利用可能なﾌｧｲﾙ番号が存在しません"},
    {10035, "このｿｹｯﾄはﾉﾝﾌﾞﾛｯｷﾝｸﾞ型です"},
    {10036, "ﾌﾞﾛｯｷﾝｸﾞ呼び出し進行中です"},
    {10037, "ﾉﾝﾌﾞﾛｯｷﾝｸﾞ型の処理を処理中です"},
    {10038, "ｿｹｯﾄ以外が指定されました"},
    {10039, "ﾘﾓｰﾄｱﾄﾞﾚｽが指定されていません"},
    {10040, "ﾃﾞｰﾀがﾊﾞｯﾌｧを超過したため、切り詰められました"},
    {10041, "ｿｹｯﾄは指定されたﾌﾟﾛﾄｺﾙをｻﾎﾟｰﾄしていません"},
    {10042, "ﾌﾟﾛﾄｺﾙのｵﾌﾟｼｮﾝに誤りがあります"},
    {10043, "指定されたﾌﾟﾛﾄｺﾙはｻﾎﾟｰﾄされていません"},
    {10044, "指定されたｿｹｯﾄﾀｲﾌﾟはｻﾎﾟｰﾄされていません"},
    {10045, "指定されたｿｹｯﾄがｻﾎﾟｰﾄしていない操作です"},
    {10046, "指定されたｱﾄﾞﾚｽﾌｧﾐﾘがｻﾎﾟｰﾄされていません"},
    {10047, "指定されたﾌﾟﾛﾄｺﾙでは、指定されたｱﾄﾞﾚｽﾌｧﾐﾘがｻﾎﾟｰﾄされていません"},
    {10048, "指定されたｱﾄﾞﾚｽは使用中です"},
    {10049, "指定されたｱﾄﾞﾚｽは使用できません"},
    {10050, "ﾈｯﾄﾜｰｸがﾀﾞｳﾝしています"},
    {10051, "ﾘﾓｰﾄﾎｽﾄのﾈｯﾄﾜｰｸに接続できません"},
    {10052, "ﾈｯﾄﾜｰｸから切断されました"},
    {10053, "ﾈｯﾄﾜｰｸ不良で接続が中止されました"},
    {10054, "ﾘﾓｰﾄﾎｽﾄから切断されました"},
    {10055, "ﾊﾞｯﾌｧ領域不足"},
    {10056, "ｿｹｯﾄはすでに接続されています"},
    {10057, "ｿｹｯﾄが接続されていません"},
    {10058, "ｿｹｯﾄがｼｬｯﾄﾀﾞｳﾝされています"},
    {10060, "接続処理ﾀｲﾑｱｳﾄ"},
    {10061, "接続が拒否されました"},
    {10064, "ﾘﾓｰﾄﾎｽﾄがﾀﾞｳﾝしています"},
    {10065, "ﾎｽﾄへのﾙｰﾄが存在しません"},
    {10067, "ﾌﾟﾛｾｽが多すぎます"},
    {10091, "ﾈｯﾄﾜｰｸｻﾌﾞｼｽﾃﾑに通信するための準備ができていません"},
    {10092, "指定されたﾊﾞｰｼﾞｮﾝはｻﾎﾟｰﾄされていません"},
    {10093, "WSAStartup関数を呼び出していないか、失敗しました"},
    {11001, "ﾎｽﾄが見つかりません"},
    {11002, "権限があるﾎｽﾄが見つかりません"},
    {11003, "修復不可能なｴﾗｰ"},
    {11004, "要求された型のﾃﾞｰﾀﾚｺｰﾄﾞがありません"},
};

// The texts Qt gives its NetworkError causes (context QNativeSocketEngine),
// in the language of any translation loaded.
bool isQtText(QStringView errorString, const char* source)
{
    return errorString == QCoreApplication::translate("QNativeSocketEngine", source);
}

} // namespace

QString captionTitle()
{
    return QStringLiteral("Tavoメールチェッカー LAN");
}

bool isPositive(QByteArrayView chunk)
{
    return headContains(chunk, "+OK");
}

bool isNegative(QByteArrayView chunk)
{
    return headContains(chunk, "-ERR");
}

QString serverWords(QByteArrayView chunk)
{
    // Only the status line is told. The decoder reads a chunk line by line
    // unless all of it is UTF-8, and then so is its first line: that line
    // decoded alone reads as it does within the chunk.
    const qsizetype newline = chunk.indexOf('\n');
    const QByteArrayView line = newline < 0 ? chunk : chunk.first(newline + 1);
    QString words = Decode::fromCp932(line).mid(4);
    const auto lineEnd = std::find_if(words.cbegin(), words.cend(),
                                      [](QChar c) { return c == u'\r' || c == u'\n'; });
    // The line's end stays: "-ERR" CR LF is a refusal all the same, and
    // tells the user so, while a bare "-ERR" leaves the session to the
    // time-out.
    const QString end = line.endsWith("\r\n") ? QStringLiteral("\r\n")
                        : line.endsWith('\n') ? QStringLiteral("\n")
                                              : QString();
    words.truncate(lineEnd - words.cbegin());
    if (words.size() > maxServerWords)
        words.truncate(words.at(maxServerWords - 1).isHighSurrogate() ? maxServerWords - 1
                                                                      : maxServerWords);
    return words + end;
}

QString wsaErrText(int code)
{
    for (const ErrorText& entry : errorTexts) {
        if (entry.code == code)
            return QString::fromUtf8(entry.text);
    }
    return QLatin1Char('(') + QString::number(code) + QLatin1Char(')');
}

int wsaErrorCode(QAbstractSocket::SocketError error, QStringView errorString)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionRefusedError:
        return 10061; // WSAECONNREFUSED
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::ProxyConnectionClosedError:
        return 10054; // WSAECONNRESET
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::ProxyNotFoundError:
        return 11001; // WSAHOST_NOT_FOUND
    case QAbstractSocket::SocketAccessError:
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return 10013; // WSAEACCES
    case QAbstractSocket::SocketResourceError:
        return 10055; // WSAENOBUFS
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return 10060; // WSAETIMEDOUT
    case QAbstractSocket::DatagramTooLargeError:
        return 10040; // WSAEMSGSIZE
    case QAbstractSocket::NetworkError:
        if (isQtText(errorString, "Host unreachable"))
            return 10065; // WSAEHOSTUNREACH
        if (isQtText(errorString, "Network unreachable"))
            return 10051; // WSAENETUNREACH
        if (isQtText(errorString, "Connection timed out"))
            return 10060; // WSAETIMEDOUT
        if (isQtText(errorString, "Address already in use"))
            return 10048; // WSAEADDRINUSE
        return 10053;     // WSAECONNABORTED: the connection failed on the way
    case QAbstractSocket::AddressInUseError:
        return 10048; // WSAEADDRINUSE
    case QAbstractSocket::SocketAddressNotAvailableError:
        return 10049; // WSAEADDRNOTAVAIL
    case QAbstractSocket::UnsupportedSocketOperationError:
        return 10045; // WSAEOPNOTSUPP
    case QAbstractSocket::UnfinishedSocketOperationError:
        return 10036; // WSAEINPROGRESS
    case QAbstractSocket::TemporaryError:
        return 10035; // WSAEWOULDBLOCK
    case QAbstractSocket::OperationError:
        return 10022; // WSAEINVAL: the call does not fit the socket's state
    case QAbstractSocket::ProxyProtocolError:
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return 10041; // WSAEPROTOTYPE: the other end speaks something else
    case QAbstractSocket::UnknownSocketError:
        return -1;
    }
    return -1;
}

quint32 inetAddr(const QString& host)
{
    // Only ASCII can form an address; anything else makes the text a name.
    const QByteArray bytes = host.toLatin1();
    if (bytes.contains('\0') || bytes.size() != host.size())
        return INADDR_NONE;
    return ntohl(::inet_addr(bytes.constData()));
}

void appendToLog(QString& logText, QStringView text)
{
    const qsizetype room = maxLogText - logText.size();
    if (room <= 0)
        return;
    if (text.size() <= room) {
        logText += text;
        return;
    }
    qsizetype cut = room;
    if (text[cut - 1].isHighSurrogate())
        --cut;
    logText += text.first(cut);
    logText += QStringLiteral("\r\n(記録が大きくなりすぎたため、ここから先は記録していません)\r\n");
}

void appendToLog(QString& logText, QByteArrayView cp932)
{
    const qsizetype room = maxLogText - logText.size();
    if (room <= 0)
        return;
    // A byte gives at most one character: one byte more than the room
    // decodes enough to know that the text is cut.
    appendToLog(logText, Decode::fromCp932(cp932.first(qMin(cp932.size(), room + 1))));
}

QByteArray toCp932(QStringView text)
{
    // Commands are ASCII but for names and passwords: one pass converts them.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = U'?';
        }
        if (c < 0x80) {
            bytes.append(char(c));
            continue;
        }
        const std::optional<qint16> code = Settings::cp932Code(c);
        if (!code) {
            bytes.append('?');
        } else if (*code >= 0 && *code <= 0xFF) {
            bytes.append(char(*code));
        } else {
            const quint16 twoBytes = quint16(*code);
            bytes.append(char(twoBytes >> 8));
            bytes.append(char(twoBytes & 0xFF));
        }
    }
    return bytes;
}

bool hasMultiLineResponse(QByteArrayView command)
{
    return command == "TOP" || command == "RETR" || command == "CAPA" || command == "UIDL";
}

QByteArrayView responseEnd(QByteArrayView command)
{
    // A TOP response also ends where a server that ends its lines with a
    // bare LF puts CR LF on the final "." line only.
    return command == "TOP" ? QByteArrayView("\n.\r\n") : QByteArrayView("\r\n.\r\n");
}

qsizetype collectResponse(QByteArray& replyBuf, qsizetype& scanned, QByteArrayView end)
{
    if (std::memchr(replyBuf.constData() + scanned, 0, std::size_t(replyBuf.size() - scanned))) {
        QByteArray tail = replyBuf.sliced(scanned);
        tail.replace('\0', "\r\n");
        replyBuf.truncate(scanned);
        replyBuf += tail;
    }
    // From just before the new text, so that an end split over two reads is
    // found and the whole buffer is never searched again.
    const qsizetype from = qMax<qsizetype>(0, scanned - (end.size() - 1));
    scanned = replyBuf.size();
    const qsizetype at = indexOfLineMark(QByteArrayView(replyBuf).sliced(from), end);
    return at < 0 ? -1 : from + at + end.size();
}

QByteArray topOfRetr(const QByteArray& retrResponse, int lines)
{
    const qsizetype headerEnd = retrResponse.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return retrResponse; // all header: TOP gives it whole
    qsizetype cut = headerEnd + 4;
    for (int i = 0; i < lines; ++i) {
        const qsizetype lineEnd = retrResponse.indexOf('\n', cut);
        if (lineEnd < 0)
            return retrResponse;
        cut = lineEnd + 1;
    }
    // A short body reaches the final "." line within the lines: the
    // response is its own summary.
    if (cut >= retrResponse.size())
        return retrResponse;
    return retrResponse.first(cut) + ".\r\n";
}

bool isListedMessage(const QByteArray& topResponse, const QString& from, const QString& subject)
{
    const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(topResponse));
    return !Decode::summaryChangesMessage(from, subject, summary);
}

Capabilities parseCapabilities(QByteArrayView response)
{
    Capabilities capabilities;
    // The status line names no capability; the final "." line neither.
    qsizetype at = response.indexOf('\n');
    while (at >= 0 && at + 1 < response.size()) {
        const qsizetype start = at + 1;
        at = response.indexOf('\n', start);
        QByteArrayView line = response.sliced(start, (at < 0 ? response.size() : at) - start);
        line = line.trimmed();
        const qsizetype blank = line.indexOf(' ');
        const QByteArrayView name = blank < 0 ? line : line.first(blank);
        capabilities.stls = capabilities.stls || name.compare("STLS", Qt::CaseInsensitive) == 0;
        capabilities.uidl = capabilities.uidl || name.compare("UIDL", Qt::CaseInsensitive) == 0;
        capabilities.pipelining =
            capabilities.pipelining || name.compare("PIPELINING", Qt::CaseInsensitive) == 0;
    }
    return capabilities;
}

std::vector<QByteArray> parseUidList(QByteArrayView response, int count)
{
    std::vector<QByteArray> ids(std::size_t(qMax(0, count)));
    QSet<QByteArrayView> seen;
    int listed = 0;
    qsizetype at = response.indexOf('\n');
    while (at >= 0 && at + 1 < response.size()) {
        const qsizetype start = at + 1;
        at = response.indexOf('\n', start);
        QByteArrayView line = response.sliced(start, (at < 0 ? response.size() : at) - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line == ".")
            break;
        // "n id": a message number without sign or leading blank, one blank,
        // the id.
        const qsizetype blank = line.indexOf(' ');
        if (blank <= 0 || blank > 6)
            return {};
        int n = 0;
        for (const char c : line.first(blank)) {
            if (c < '0' || c > '9')
                return {};
            n = n * 10 + (c - '0');
        }
        const QByteArrayView id = line.sliced(blank + 1);
        if (n < 1 || n > count || !ids[std::size_t(n - 1)].isEmpty() || id.isEmpty() ||
            id.size() > 70)
            return {};
        for (const char c : id) {
            if (c < 0x21 || c > 0x7e)
                return {};
        }
        if (seen.contains(id))
            return {};
        seen.insert(id);
        ids[std::size_t(n - 1)] = id.toByteArray();
        ++listed;
    }
    if (listed != count)
        return {};
    return ids;
}

} // namespace Pop3
