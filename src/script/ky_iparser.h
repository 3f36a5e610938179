#pragma once

// The script engine's one tokenizer. It knows no language: comment markers, quotes, the
// hexadecimal prefix, escapes, case sensitivity and line-end handling are options a
// grammar sets. Callers ask for one kind of token at a time; an absent token is an empty
// string, and the tokenizer never raises.

#include <QList>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <bitset>
#include <unordered_set>

// Characters (by byte value) allowed in identifiers; codes of 127 and above always are.
using TkyIdentifierCharset = std::bitset<256>;

// "line:column" -> QPoint(column, line); "" (or text that is no number) gives zeros.
QPoint kyParsePosition(const QString &s);

class TkyParser
{
public:
    TkyParser();

    // Restores every option to its default and empties the keyword list; the text, the
    // position and the line table stay.
    void Clear();

    const QString &Text() const { return FText; }
    // Sets the text, moves to position 1 and rebuilds the line table (when UseY).
    void SetText(const QString &text);
    // Current position, 1-based (Size()+1 is the end of the text).
    int Position() const { return FPosition; }
    // Sets both the position and the last position (kept within 1..Size()+1).
    void SetPosition(int value);
    // Start of the token just read (after skipped white space and comments).
    int LastPosition() const { return FLastPosition; }
    int Size() const { return FSize; }

    // --- options (defaults in parentheses) ---
    bool CaseSensitive() const { return FCaseSensitive; } // (false) keywords compare exactly
    void SetCaseSensitive(bool value) { FCaseSensitive = value; }
    const QString &CommentBlock1() const { return FCommentBlock1; } // ("{,}") open,close
    void SetCommentBlock1(const QString &value);
    const QString &CommentBlock2() const { return FCommentBlock2; } // ("(*,*)")
    void SetCommentBlock2(const QString &value);
    const QString &CommentLine1() const { return FCommentLine1; } // ("//")
    void SetCommentLine1(const QString &value) { FCommentLine1 = value; }
    const QString &CommentLine2() const { return FCommentLine2; } // ("")
    void SetCommentLine2(const QString &value) { FCommentLine2 = value; }
    const QString &HexSequence() const { return FHexSequence; } // ("$") hex number prefix
    void SetHexSequence(const QString &value) { FHexSequence = value; }
    // ("") line-continuation character (first character used; empty: none).
    const QString &SkipChar() const { return FSkiPChar; }
    void SetSkipChar(const QString &value) { FSkiPChar = value; }
    // (true) line ends are plain white space; false makes them GetEOL tokens.
    bool SkipEOL() const { return FSkipEOL; }
    void SetSkipEOL(bool value) { FSkipEOL = value; }
    // (true) token readers skip white space and comments first.
    bool SkipSpace() const { return FSkipSpace; }
    void SetSkipSpace(bool value) { FSkipSpace = value; }
    const QString &StringQuotes() const { return FStringQuotes; } // ("'") first char used
    void SetStringQuotes(const QString &value) { FStringQuotes = value; }
    // (false) backslash escapes in strings, and no doubled-quote escape.
    bool SpecStrChar() const { return FSpecStrChar; }
    void SetSpecStrChar(bool value) { FSpecStrChar = value; }
    // (true) keep the line table that positions are computed from (applies at SetText).
    bool UseY() const { return FUseY; }
    void SetUseY(bool value) { FUseY = value; }

    const TkyIdentifierCharset &IdentifierCharset() const { return FIdentifierCharset; }
    void SetIdentifierCharset(const TkyIdentifierCharset &value) { FIdentifierCharset = value; }
    // The identifier charset becomes exactly the characters of s (low byte of each).
    void ConstructCharset(const QString &s);

    // --- keywords ---
    void AddKeyword(const QString &keyword);
    // Exact comparison when CaseSensitive, else case-insensitive; hashed.
    bool IsKeyWord(const QString &s) const;
    // The keywords, sorted case-insensitively.
    const QStringList &Keywords() const { return FKeywords; }

    // --- readers: each returns "" when its token is absent, leaving the position after
    // the white space it skipped ---
    // Skips white space, line continuations and comments; sets LastPosition.
    void SkipSpaces();
    // Skips white space, then consumes all consecutive line-end characters; true if any.
    bool GetEOL();
    // A word that is not a keyword (a keyword is consumed but yields "").
    QString GetIdent();
    // Any word, keywords included.
    QString GetWord();
    // One punctuation character; never skips white space.
    QString GetChar();
    // A string (quoted and #code pieces concatenated) as 'chars', inner quotes undoubled.
    QString GetString();
    // The raw text of a number; a hex prefix other than "$" is rewritten as "$".
    QString GetNumber();
    // The text up to the '>' or ']' that closes an already opened '<'; the position is
    // left on that closing character.
    QString GetKVString();

    // "line:column" of the current position, both 1-based.
    QString GetXYPosition() const;
    // The position of line pt.y(), column pt.x(); -1 when the line does not exist.
    int GetPlainPosition(QPoint pt) const;

private:
    // Character at 1-based position p; 0 outside the text.
    char16_t ch(int p) const
    {
        return (p >= 1 && p <= FSize) ? FText.constData()[p - 1].unicode() : char16_t(0);
    }
    bool isWhiteAt(int p) const;
    bool isLineEndAt(int p) const;
    bool isIdentChar(char16_t c) const;
    bool matchesAt(int p, QStringView marker) const;
    bool lineCommentAt(int p, QStringView marker) const;
    bool continuationAt(int p) const;
    void skipLineComment();
    void skipBlockComment(const QString &open, const QString &close);
    int scanWord(int p) const;
    int scanUnsigned(int p) const;
    bool readQuotedPiece(QString &out);
    bool readControlPiece(QString &out);

    struct FoldHash
    {
        size_t operator()(const QString &s) const;
    };
    struct FoldEqual
    {
        bool operator()(const QString &a, const QString &b) const;
    };

    bool FCaseSensitive = false;
    QString FCommentBlock1;
    QString FCommentBlock11, FCommentBlock12;
    QString FCommentBlock2;
    QString FCommentBlock21, FCommentBlock22;
    QString FCommentLine1;
    QString FCommentLine2;
    QString FHexSequence;
    TkyIdentifierCharset FIdentifierCharset;
    QStringList FKeywords;
    QSet<QString> FKeywordsExact;
    std::unordered_set<QString, FoldHash, FoldEqual> FKeywordsFolded;
    int FLastPosition = 1;
    int FPosition = 1;
    int FSize = 0;
    QString FSkiPChar;
    bool FSkipEOL = true;
    bool FSkipSpace = true;
    QString FStringQuotes;
    QString FText;
    bool FUseY = true;
    QList<int> FYList{0};
    bool FSpecStrChar = false;
};
