#pragma once

// Legacy 8-bit (and East Asian multi-byte) code pages: conversion between bytes and
// QString. Windows-1252 is a byte-preserving table of our own; the others go through iconv.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Code page numbers with a meaning of their own.
constexpr int kavCP_ACP = 0;      // the system ANSI code page (kavSystemAnsiCodePage)
constexpr int kavCP_OEMCP = 1;    // the OEM code page: 437
constexpr int kavCP_MACCP = 2;    // the Macintosh code page: 10000
constexpr int kavCP_Windows1252 = 1252;
constexpr int kavCP_UTF8 = 65001;

// The code page that stands for "the system's ANSI code page" (default 1252). Setting an
// unknown number keeps 1252. Thread-safe.
int kavSystemAnsiCodePage();
void kavSetSystemAnsiCodePage(int codePage);

// The code page actually used for codePage: 0, 1 and 2 resolved as above, unknown numbers
// become 1252.
int kavResolveCodePage(int codePage);

// True when codePage (after resolving 0, 1, 2) is converted as itself, not through the
// 1252 fallback.
bool kavIsCodePageKnown(int codePage);

// Bytes in codePage -> text. Windows-1252 maps every byte (the five bytes it leaves
// undefined become U+0081, U+008D, U+008F, U+0090, U+009D), so it round-trips every byte;
// in other single-byte pages an undefined byte becomes the code point of the same number
// when no other byte uses it, else U+FFFD. Invalid multi-byte sequences become U+FFFD.
QString kavCodePageToUnicode(QByteArrayView bytes, int codePage = kavCP_ACP);

// Text -> bytes in codePage; characters the code page lacks become '?'.
QByteArray kavUnicodeToCodePage(QStringView text, int codePage = kavCP_ACP);
