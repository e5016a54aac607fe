// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QString>

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
// The largest STAT count a check accepts: the mail table holds a record per
// message and account, and every message costs one TOP round trip.
inline constexpr int maxMessageCount = 100000;
// Winsock's WSAEMSGSIZE: the text shown when a bound above is exceeded.
inline constexpr int responseTooLargeCode = 10040;

// "Tavoメールチェッカー LAN": the caption of the idle window, which the
// sessions' captions extend.
QString captionTitle();

// The reply tests of all three sessions: the first four characters of the
// chunk, upper-cased, contain "+OK" (positive) or "-ERR" (negative).
bool isPositive(QByteArrayView chunk);
bool isNegative(QByteArrayView chunk);

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

// A command line in code page 932, as it goes on the wire: user names and
// passwords may hold Japanese characters. A character that code page 932
// cannot represent becomes "?".
QByteArray toCp932(QStringView text);

} // namespace Pop3
