// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// What the store tests share: code page 936 literals and a fatal handler that
// throws, so that a test can catch the fatal error it expects.

#include "store/recordstore.h"

#include <QStringEncoder>

#include <stdexcept>

namespace storetest {

inline QByteArray Cp936(QStringView text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

struct Fatal : std::runtime_error {
    Fatal(std::int32_t n, const QByteArray &m)
        : std::runtime_error("fatal run-time error"), number(n), message(m)
    {
    }
    std::int32_t number;
    QByteArray message;
};

[[noreturn]] inline void ThrowFatal(std::int32_t number, const QByteArray &message)
{
    throw Fatal(number, message);
}

// Runs `f`, which must raise a fatal error; gives its message.
template <typename F>
QByteArray FatalMessage(F &&f)
{
    try {
        f();
    } catch (const Fatal &e) {
        return e.message;
    }
    return QByteArrayLiteral("(no fatal error)");
}

} // namespace storetest
