// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QString>

#include <vector>

/*
 * What the three POP3 sessions (check, retrieve, delete) share besides the
 * connection itself: the session kinds and connection phases, the bounds
 * that keep a misbehaving server from exhausting memory, the reply tests of
 * RFC 1939 status lines, and the Japanese texts of the Winsock error codes
 * that every socket failure is reported with.
 */
namespace Pop3 {

// `sessionMode`: which session runs on the connection.
enum class SessionMode : qint16 { Check = 0, Retrieve = 1, Delete = 2 };
inline constexpr int sessionModeCount = 3;

// `sockPhase`: where the connection stands. There is no phase 2.
enum class SockPhase : qint16 {
    Idle = 0,       // no connection in use
    Connecting = 1, // connect issued, its completion awaited
    Reading = 3,    // read notifications run the receive step
    Sent = 4,       // a command was just written; its write completion awaited
};

// `popStep` value that every session kind reads as "QUIT sent": subDisConn
// and the time-out set it.
inline constexpr int quitSentStep = 6;

// Bounds of one response (status line through the final "." line).
// A TOP response is the header and five body lines: a few kilobytes, rarely
// more than a few hundred. A RETR response is a whole message; mail servers
// commonly refuse messages above 50 to 100 MB. Past these a server is taken
// to be sending without end, and the session ends with the text of 10040.
inline constexpr qsizetype maxSummaryResponse = qsizetype(8) * 1024 * 1024;
inline constexpr qsizetype maxWholeMessage = qsizetype(256) * 1024 * 1024;
// How much of a RETR response is kept whole: enough for the viewer's
// maxBodyText characters of body even in Base64 UTF-8. Past it only what
// the attachment list needs is kept (MessageTail).
inline constexpr qsizetype retrKeptBytes = qsizetype(4) * 1024 * 1024;
// The most of a message's body the viewer is given; a longer body is cut
// and says so in a last line.
inline constexpr qsizetype maxBodyText = qsizetype(1024) * 1024;
// The largest STAT count a check accepts: the mail table holds a record per
// message and account, and every message costs one TOP round trip.
inline constexpr int maxMessageCount = 100000;
// The transcript of one cycle ("Option8value") keeps at most this many
// characters; a server that sends without end must not make it grow with
// every message.
inline constexpr qsizetype maxLogText = qsizetype(4) * 1024 * 1024;
// Winsock's WSAEMSGSIZE: the text shown when a bound above is exceeded.
inline constexpr int responseTooLargeCode = 10040;

// Body lines of the summary a check fetches ("TOP n 5"). The retrieve and
// delete sessions compare a message with its list entry through the same
// summary, so that both sides are decoded from the same text.
inline constexpr int summaryLines = 5;

// "Tavoメールチェッカー LAN": the caption of the idle window, which the
// sessions' captions extend.
QString captionTitle();

// The reply tests of all three sessions: the first four characters of the
// chunk, upper-cased, contain "+OK" (positive) or "-ERR" (negative).
bool isPositive(QByteArrayView chunk);
bool isNegative(QByteArrayView chunk);

// The longest error text a negative reply shows. RFC 1939 lets a status line
// run to 512 octets; a message box shows a few lines of it, and a server
// that sends more is not given a box that outgrows the screen.
inline constexpr qsizetype maxServerWords = 200;

// The server's words after "-ERR" as the user is told them: the chunk read
// as code page 932 (Decode::fromCp932) without its first four characters,
// the leading blank kept, cut at the first CR or LF and to at most
// maxServerWords characters (a surrogate pair is never split), followed by
// the line's own end (CR LF or LF). "-ERR" with nothing after it and no
// line end gives the empty text.
QString serverWords(QByteArrayView chunk);

// The Japanese text of a Winsock error code; a code without a text gives the
// code in decimal in parentheses, so 0 gives "(0)" (which callers treat as
// no error) and -1 gives "(-1)".
QString wsaErrText(int code);

// The Winsock code that stands for a Qt socket error, so that the user reads
// the same texts. errorString tells apart the causes that Qt reports alike
// as NetworkError (unreachable host or network, timed-out connect).
int wsaErrorCode(QAbstractSocket::SocketError error, QStringView errorString);

// The first step of host resolution: a dotted IPv4 address in any form that
// inet_addr accepts ("192.168.0.1", "127.1", "0x7f.0.0.1"), in host byte
// order; INADDR_NONE (all ones) when the text is no such address, which
// includes "255.255.255.255": that one is looked up as a name.
quint32 inetAddr(const QString& host);

// Appends text to the cycle's transcript while it is below maxLogText; the
// append that reaches the bound is cut there and followed by a line that
// says so, and later appends are dropped. The byte form decodes code page
// 932 only as far as the transcript has room for.
void appendToLog(QString& logText, QStringView text);
void appendToLog(QString& logText, QByteArrayView cp932);

// A command line in code page 932, as it goes on the wire: user names and
// passwords may hold Japanese characters. A character that code page 932
// cannot represent becomes "?".
QByteArray toCp932(QStringView text);

// Whether command ("TOP", "RETR", "CAPA", "UIDL") is answered by a
// multi-line response when the server accepts it (RFC 1939, RFC 2449).
bool hasMultiLineResponse(QByteArrayView command);

// The end mark of the multi-line response to command ("TOP" or "RETR"):
// CR LF "." CR LF (RFC 1939); a TOP response also ends at LF "." CR LF.
QByteArrayView responseEnd(QByteArrayView command);

// Collects a multi-line response (RFC 1939) read by read: replaces every NUL
// that arrived since `scanned` by CR LF and returns the length of the
// response through its first end mark once replyBuf holds it, else -1;
// whatever follows that length belongs to the next reply. Each byte is
// looked at a bounded number of times however the reads fall; `scanned` is
// the caller's mark, 0 when the response begins.
qsizetype collectResponse(QByteArray& replyBuf, qsizetype& scanned, QByteArrayView end);

// The response "TOP n lines" gives for a message, cut from its complete
// RETR response: the status line, the header block, the empty line, up to
// `lines` body lines and the final "." line.
QByteArray topOfRetr(const QByteArray& retrResponse, int lines);

// Whether a complete TOP response (NULs already replaced) is the message the
// list shows with this sender and subject, both decoded by the list's rules.
// Message numbers are valid only within one session: after another program
// removed a message, a number may stand for another message.
bool isListedMessage(const QByteArray& topResponse, const QString& from, const QString& subject);

// What a server offers in its answer to CAPA (RFC 2449), as far as the
// sessions use it. A server that refuses CAPA offers nothing.
struct Capabilities
{
    bool stls = false;       // RFC 2595
    bool uidl = false;       // RFC 1939 unique ids
    bool pipelining = false; // commands may go out ahead of their replies
};
// The capabilities of a complete positive CAPA response: one capability a
// line, its name first, in any case.
Capabilities parseCapabilities(QByteArrayView response);

// How many bytes of commands a session sends ahead of their replies where
// the server offers PIPELINING: enough to keep the server busy over a slow
// link (a reply takes a round trip to come back, and a summary is answered
// in microseconds), little enough that a server which stops reading is not
// sent much. Its window in commands of at most commandLength bytes.
inline constexpr qsizetype pipelineBytes = 16 * 1024;
inline std::size_t pipelineWindow(qsizetype commandLength)
{
    return std::size_t(qMax<qsizetype>(1, pipelineBytes / qMax<qsizetype>(1, commandLength)));
}

// The unique ids of a complete positive UIDL response (RFC 1939), ids[n - 1]
// for message n, when it lists every message 1..count exactly once, each
// with an id of 1 to 70 characters 0x21..0x7E that no other message has;
// otherwise empty, and the session asks for every summary as without UIDL.
std::vector<QByteArray> parseUidList(QByteArrayView response, int count);

} // namespace Pop3
