#pragma once

#include <QByteArray>
#include <QList>

#include <initializer_list>

// Byte strings written out as the tests read them in a manual: one number a
// byte, or messages one after another as they go down the cable.
inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

inline QByteArray joined(const QList<QByteArray> &messages)
{
    QByteArray out;
    for (const QByteArray &m : messages)
        out += m;
    return out;
}
