// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextForms.h"

#include "settings/SettingsStore.h"

#include <algorithm>
#include <limits>

namespace Settings {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Parses the accepted decimal form into a 64-bit value, rounding a fraction
// half to even. Fails on anything beyond |2^40|, which is far outside every
// target type, so the accumulation cannot overflow.
std::optional<qint64> parseDecimal(QStringView text)
{
    constexpr qint64 limit = qint64(1) << 40;
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;

    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    qint64 magnitude = 0;
    bool anyDigit = false;
    for (; i < end && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        anyDigit = true;
        if (magnitude > limit)
            return std::nullopt;
    }

    if (i < end && text[i] == u'.') {
        ++i;
        const qsizetype fractionStart = i;
        while (i < end && isDigit(text[i]))
            ++i;
        const QStringView fraction = text.sliced(fractionStart, i - fractionStart);
        anyDigit = anyDigit || !fraction.isEmpty();
        if (!fraction.isEmpty()) {
            const char16_t first = fraction[0].unicode();
            bool roundUp = first > u'5';
            if (first == u'5') {
                const bool aboveHalf = std::any_of(fraction.begin() + 1, fraction.end(),
                                                   [](QChar c) { return c != u'0'; });
                roundUp = aboveHalf || (magnitude % 2 == 1);
            }
            if (roundUp)
                ++magnitude;
        }
    }

    if (!anyDigit || i != end)
        return std::nullopt;
    return negative ? -magnitude : magnitude;
}

template <typename T> std::optional<T> toRange(QStringView text)
{
    const std::optional<qint64> value = parseDecimal(text);
    if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(*value);
}

} // namespace

std::optional<qint16> toInteger(QStringView text)
{
    return toRange<qint16>(text);
}

std::optional<qint32> toLong(QStringView text)
{
    return toRange<qint32>(text);
}

std::optional<int> toPort(QStringView text)
{
    const std::optional<qint32> value = toLong(text);
    if (!value || *value < std::numeric_limits<qint16>::min() || *value > 65535)
        return std::nullopt;
    return *value;
}

qint16 toTls(QStringView text)
{
    const std::optional<qint16> value = toInteger(text);
    return value && *value >= 0 && *value <= 2 ? *value : 0;
}

QString toTlsPin(QStringView text)
{
    const bool hex = text.size() == 64 && std::all_of(text.begin(), text.end(), [](QChar c) {
                         return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
                     });
    return hex ? text.toString().toLower() : QString();
}

qint16 clampToInteger(qint64 value)
{
    return static_cast<qint16>(std::clamp<qint64>(value, std::numeric_limits<qint16>::min(),
                                                  std::numeric_limits<qint16>::max()));
}

void SaveValue(SettingsStore& store, const QString& key, qint16 number, const QString& text)
{
    if (!text.isEmpty()) {
        store.save(key, text);
    } else if (key == u"Mailerdir1" || key == u"Mailerdir2" || key == u"Wavdir") {
        store.save(key, QString());
    } else {
        store.save(key, QString::number(number));
    }
}

QString zeroAsEmpty(const QString& stored)
{
    return stored == u"0" ? QString() : stored;
}

} // namespace Settings
