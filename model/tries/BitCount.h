#pragma once

#include <QtGlobal>

// Set bits of a word, for the tries' ASCII edge masks.
inline quint32 bitCount(quint64 v)
{
#if defined(__POPCNT__)
    return quint32(__builtin_popcountll(v));
#else
    // Without the instruction the library call costs more than counting here.
    v = v - ((v >> 1) & 0x5555555555555555ULL);
    v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return quint32((v * 0x0101010101010101ULL) >> 56);
#endif
}
