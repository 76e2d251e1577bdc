#pragma once

#include <QtEndian>

// A ".mlt" file: a 4-byte lead of 0, then one 12-byte record per component,
// little-endian: u16 graphic, i16 x, y, z, i32 1.
struct MultiFileRecord
{
    static constexpr qsizetype LeadSize = 4;
    static constexpr qsizetype Size = 12;

    quint16 graphic = 0;
    qint16 x = 0;
    qint16 y = 0;
    qint16 z = 0;

    static MultiFileRecord read(const uchar *at)
    {
        return {qFromLittleEndian<quint16>(at), qFromLittleEndian<qint16>(at + 2),
                qFromLittleEndian<qint16>(at + 4), qFromLittleEndian<qint16>(at + 6)};
    }

    void write(char *at) const
    {
        qToLittleEndian<quint16>(graphic, at);
        qToLittleEndian<qint16>(x, at + 2);
        qToLittleEndian<qint16>(y, at + 4);
        qToLittleEndian<qint16>(z, at + 6);
        qToLittleEndian<qint32>(1, at + 8);
    }
};
