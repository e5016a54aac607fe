// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"
#include "decode/MimeHeader.h"
#include "decode/Summary.h"
#include "decode/WholeMessage.h"

#include <QByteArray>
#include <QStringEncoder>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

QByteArray iso2022jp(const QString& line)
{
    QStringEncoder encoder("ISO-2022-JP", QStringEncoder::Flag::Stateless);
    QByteArray bytes = encoder.encode(line);
    if (bytes.lastIndexOf("\x1b$B") > bytes.lastIndexOf("\x1b(B"))
        bytes += "\x1b(B";
    return bytes;
}

// An ISO-2022-JP body of about size bytes: CR LF lines mixing kanji and kana
// runs with ASCII, as Japanese mail reads.
QByteArray japaneseBody(qsizetype size)
{
    const QStringList lines = {
        QString::fromUtf8("お世話になっております。山田です。"),
        QString::fromUtf8("来週の会議資料を添付いたしますので、ご確認ください。"),
        QString::fromUtf8("Meeting: 10:00-11:30 @ 第3会議室 (room 3)"),
        QString::fromUtf8("①議題の確認 ②予算案について ③その他～"),
        QString::fromUtf8("See https://example.jp/docs for details."),
        QString(),
    };
    QList<QByteArray> encoded;
    for (const QString& line : lines)
        encoded.append(iso2022jp(line) + "\r\n");
    QByteArray body;
    body.reserve(size + 256);
    for (qsizetype i = 0; body.size() < size; ++i)
        body += encoded.at(i % encoded.size());
    return body;
}

QByteArray retrResponse(qsizetype size)
{
    return "+OK message follows\r\nFrom: yamada@example.jp\r\nSubject: test\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" +
           japaneseBody(size) + ".\r\n";
}

// A UTF-8 body of about size bytes in the given transfer encoding, as most
// mail arrives today.
QByteArray encodedRetrResponse(qsizetype size, bool base64)
{
    QByteArray text;
    const QByteArray line =
        QString::fromUtf8("お世話になっております。来週の会議資料をお送りします。 "
                          "Meeting 10:00 @ 第3会議室\r\n")
            .toUtf8();
    while (text.size() < size)
        text += line;
    QByteArray body;
    if (base64) {
        const QByteArray all = text.toBase64();
        for (qsizetype i = 0; i < all.size(); i += 76)
            body += all.mid(i, 76) + "\r\n";
    } else {
        body = text.toPercentEncoding(" \r\n:@", QByteArray(), '=');
    }
    return "+OK message follows\r\nFrom: yamada@example.jp\r\nSubject: test\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: " +
           QByteArray(base64 ? "base64" : "quoted-printable") + "\r\n\r\n" + body + ".\r\n";
}

void BM_RetrEncodedBody(benchmark::State& state)
{
    const QByteArray response = encodedRetrResponse(state.range(0), state.range(1) != 0);
    for (auto _ : state) {
        const Decode::WholeMessage message = Decode::parseRetrResponse(Decode::fromCp932(response));
        benchmark::DoNotOptimize(message.Body.constData());
    }
    state.SetBytesProcessed(state.iterations() * response.size());
}

void BM_FromReceivedUtf8(benchmark::State& state)
{
    const QByteArray bytes =
        Decode::convertJis(QString::fromLatin1(japaneseBody(state.range(0)))).toUtf8();
    for (auto _ : state) {
        const QString decoded = Decode::fromCp932(bytes);
        benchmark::DoNotOptimize(decoded.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// A TOP response whose header block is about size bytes: many Received lines
// in front of folded encoded-word sender and subject.
QByteArray topResponse(qsizetype size)
{
    QByteArray head = "+OK\r\n";
    while (head.size() < size)
        head += "Received: from mail.example.jp (mail.example.jp [192.0.2.1])\r\n"
                "\tby mx.example.jp with ESMTP id 4Xyz; Mon, 2 Mar 2026 10:00:00 +0900\r\n";
    const QByteArray word = "=?ISO-2022-JP?B?" +
                            iso2022jp(QString::fromUtf8("来週の会議資料について")).toBase64() +
                            "?=";
    head += "From: " + word + " <yamada@example.jp>\r\nSubject: Re: " + word + "\r\n\t" + word +
            "\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\nbody\r\n.\r\n";
    return head;
}

void BM_RetrMessage(benchmark::State& state)
{
    const QByteArray response = retrResponse(state.range(0));
    for (auto _ : state) {
        const Decode::WholeMessage message = Decode::parseRetrResponse(Decode::fromCp932(response));
        benchmark::DoNotOptimize(message.Body.constData());
    }
    state.SetBytesProcessed(state.iterations() * response.size());
}

void BM_BodyConversion(benchmark::State& state)
{
    const QString body = QString::fromLatin1(japaneseBody(state.range(0)));
    for (auto _ : state) {
        const QString text = Decode::convertJis(body);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

void BM_FromCp932ShiftJis(benchmark::State& state)
{
    QStringEncoder encoder("Shift_JIS");
    const QString text = Decode::convertJis(QString::fromLatin1(japaneseBody(state.range(0))));
    const QByteArray bytes = encoder.encode(text);
    for (auto _ : state) {
        const QString decoded = Decode::fromCp932(bytes);
        benchmark::DoNotOptimize(decoded.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_TopSummary(benchmark::State& state)
{
    const QByteArray response = topResponse(state.range(0));
    for (auto _ : state) {
        const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(response));
        benchmark::DoNotOptimize(summary.Subject.constData());
    }
    state.SetBytesProcessed(state.iterations() * response.size());
}

// A Content-Type of range(0) empty parameters, with a boundary behind them
// when range(1) is set: a hostile header, not a mail.
QByteArray manyParameters(const benchmark::State& state)
{
    return "text/plain" + QByteArray(state.range(0), ';') +
           (state.range(1) != 0 ? "boundary=x" : "");
}

void BM_MimeValueManyParameters(benchmark::State& state)
{
    const QString value = QString::fromLatin1(manyParameters(state));
    for (auto _ : state) {
        const Decode::MimeValue parsed = Decode::parseMimeValue(value);
        benchmark::DoNotOptimize(parsed.parameters.constData());
    }
}

void BM_TopManyParameters(benchmark::State& state)
{
    const QByteArray response =
        "+OK\r\nFrom: a@example.jp\r\nContent-Type: " + manyParameters(state) +
        "\r\n\r\nbody\r\n.\r\n";
    for (auto _ : state) {
        const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(response));
        benchmark::DoNotOptimize(summary.Attached);
    }
}

// A TOP response with a subject of about size characters: plain ASCII (0),
// ISO-2022-JP encoded words (1), UTF-8 and Latin-1 Q words in turn (2) or
// raw ISO-2022-JP kanji runs (3).
QByteArray longSubjectResponse(qsizetype size, int kind)
{
    const QByteArray kanji = iso2022jp(QString::fromUtf8("会議"));
    const QByteArray pieces[] = {
        "Meeting agenda ",
        "=?ISO-2022-JP?B?" + kanji.toBase64() + "?= ",
        "=?UTF-8?Q?=E4=BC=9A?= =?ISO-8859-1?Q?=E9?= ",
        kanji,
    };
    QByteArray subject;
    subject.reserve(size + 64);
    while (subject.size() < size)
        subject += pieces[kind];
    return "+OK\r\nFrom: a@example.jp\r\nSubject: " + subject + "\r\n\r\n.\r\n";
}

void BM_TopLongSubject(benchmark::State& state)
{
    const QString response =
        Decode::fromCp932(longSubjectResponse(state.range(0), int(state.range(1))));
    for (auto _ : state) {
        const Decode::Summary summary = Decode::parseTopResponse(response);
        benchmark::DoNotOptimize(summary.Subject.constData());
    }
    state.SetBytesProcessed(state.iterations() * response.size());
}

constexpr int64_t OneMegabyte = 1 << 20;

} // namespace

BENCHMARK(BM_RetrMessage)->Arg(OneMegabyte)->Arg(10 * OneMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyConversion)
    ->Arg(OneMegabyte)
    ->Arg(10 * OneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromCp932ShiftJis)
    ->Arg(OneMegabyte)
    ->Arg(10 * OneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetrEncodedBody)
    ->Args({OneMegabyte, 1})
    ->Args({10 * OneMegabyte, 1})
    ->Args({OneMegabyte, 0})
    ->Args({10 * OneMegabyte, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromReceivedUtf8)->Arg(10 * OneMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopSummary)->Arg(64 * 1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MimeValueManyParameters)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopManyParameters)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopLongSubject)
    ->ArgsProduct({{8 * OneMegabyte}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
