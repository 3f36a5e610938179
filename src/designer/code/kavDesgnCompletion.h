#pragma once

// TkavCompletion: what the code editor offers at the caret, without widgets. Given a script
// text, the caret and the language, it lists the words that make sense there: keywords,
// the script library's functions and classes, the report's objects, what the script itself
// declares, or after "Name." the members of what Name stands for.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class TkavClassInfo;
class TkavReport;
class TPersistent;
class TkyScript;

// ORDER: the icon of each kind is taken from the designer's button images by this order.
enum TkavCompletionKind : int {
    ckKeyword,
    ckFunction,
    ckClass,
    ckConstant,
    ckVariable,
    ckObject,
    ckProperty,
    ckMethod,
    ckEvent,
    ckProcedure
};

struct TkavCompletionItem
{
    QString Text;   // the word inserted
    QString Detail; // a declaration or a class name shown beside it (may be empty)
    TkavCompletionKind Kind = ckKeyword;
};

struct TkavCompletionList
{
    int WordStart = 0;  // 0-based offset where the word being typed starts
    QString Prefix;     // the part of that word left of the caret
    bool Members = false; // the caret follows "Name."
    QList<TkavCompletionItem> Items; // sorted case-insensitively, one per name
};

class TkavCompletion
{
public:
    // Without a report only the language and the library are known.
    explicit TkavCompletion(TkavReport *report = nullptr);
    ~TkavCompletion();
    TkavCompletion(const TkavCompletion &) = delete;
    TkavCompletion &operator=(const TkavCompletion &) = delete;

    TkavReport *Report() const { return FReport; }
    void SetReport(TkavReport *report);

    // Every candidate at caret (a 0-based offset into text) for a text in language, filtered
    // by the word left of the caret (any letter case). Nothing inside a comment or a string,
    // nor after a dot that follows no name.
    TkavCompletionList Candidates(const QString &text, int caret, const QString &language);
    // The items of list whose text starts with prefix (any letter case).
    static QList<TkavCompletionItem> Filter(const QList<TkavCompletionItem> &items, const QString &prefix);
    // Start of the identifier that ends at caret (caret itself when none does).
    static int WordStart(const QString &text, int caret);

private:
    struct Declared;
    struct Target;
    TkyScript &library();
    void addGlobals(QList<TkavCompletionItem> &items, const QString &language);
    bool resolve(const QStringList &chain, const QList<Declared> &declared, Target &target);
    void addMembers(QList<TkavCompletionItem> &items, const Target &target);
    void addScriptMembers(QList<TkavCompletionItem> &items, const QString &className);

    TkavReport *FReport = nullptr;
    // A script of its own with the library registered, made on first use: the report's own
    // script is left alone.
    std::unique_ptr<TkyScript> FLibrary;
};
