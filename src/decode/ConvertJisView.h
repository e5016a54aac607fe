// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace Decode {

// convertJis on a piece of a larger text, so that a message body is converted
// straight out of the response without copying it first.
QString convertJisView(QStringView text);

} // namespace Decode
