#pragma once

// TkyILParser: walks a language grammar over script text and writes the intermediate
// program (IL), an XML tree with one vocabulary for every language. Units named in a
// uses-like clause are parsed by nested parsers and inserted as `uses` elements.
//
// Grammar options beyond the tokenizer's (children of `parser`, value in `text`):
//   declarevars "0"  undeclared identifiers become implicit variant variables
//   strictend   "1"  after the program rule only white space, comments and line ends may
//                    follow; other text fails the compile with the grammar's err3 message
//                    at its position (languages without an end marker set this, so a
//                    syntax error cannot silently cut the program short)
//
// Errors: the first recorded error wins; a completed loop clears it when the loop has
// skip="1" or the error came from a term="1" element. An error inside a unit, a limit and
// strictend are final: no loop clears them, so a broken unit never compiles as empty.
// A bracketed report expression (`kvstring`) emits its IL only when it read some text.
//
// Limits: rule nesting deeper than kyMaxRuleDepth levels (or deeper than the thread's
// native stack allows, less a reserve) and texts longer than kyMaxSourceLength characters
// fail the compile with a message and position; the interpreter never recurses without
// bound. At kyMaxRuleDepth the built-in grammars use about 2 MB of stack.

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TkyDesignator;
enum TkyEmitOp : int;
class TkyGrammar;
class TkyParser;
class TkyScript;
class TkyXMLDocument;
class TkyXMLItem;

// Rule levels (rule references active at once) a compile may nest, units included.
inline constexpr int kyMaxRuleDepth = 3000;
// Longest script or unit text in characters (16 M).
inline constexpr qsizetype kyMaxSourceLength = 16 * 1024 * 1024;

// Message of a compile that hit kyMaxRuleDepth.
inline constexpr char16_t kyNestingTooDeep[] = u"Stack overflow: the program is nested too deeply";
// Message of a compile whose text exceeds kyMaxSourceLength.
inline constexpr char16_t kySourceTooLarge[] = u"The program text is too large";

class TkyILParser
{
public:
    // AProgram receives the error report and supplies the unit search; not owned.
    explicit TkyILParser(TkyScript *AProgram);
    ~TkyILParser();
    TkyILParser(const TkyILParser &) = delete;
    TkyILParser &operator=(const TkyILParser &) = delete;

    // Resets the tokenizer and configures it from the language's grammar (keywords,
    // options, the script's ExtendedCharset). EkyError "Language '<name>' not found".
    void SelectLanguage(const QString &LangName);

    // Parses text into ILScript(). Returns true when the program rule matched and no error
    // was recorded; the script's ErrorMsg and ErrorPos ("line:column") get the first
    // recorded error (both empty on success; for the main text ErrorUnit is reset first,
    // and an error inside a unit names it there). When the program rule fails without any
    // error, the result is false with an empty ErrorMsg and ILScript() is an empty program.
    // A leading line "#language Name" (CR LF, LF or CR ended) selects that language.
    // Raises: EkyError for an unknown language or "Invalid language definition" (a rule
    // reference to a missing rule); EFOpenError for a unit file that cannot be read;
    // EkavError when the file policy refuses a unit file.
    bool MakeILScript(const QString &text);

    // The IL of the last successful MakeILScript: root `program`, last child `types`.
    TkyXMLDocument &ILScript();
    // Replaces the IL (IL loaded from a file, to be translated).
    void SetILScript(std::unique_ptr<TkyXMLDocument> IL);

    // Translates the IL into the program's items and statements. Errors in the IL are never
    // raised: the program's ErrorMsg, ErrorPos and ErrorUnit get them, and the result is
    // false; what was built before the error stays. SourceText: the text the IL came from
    // (expressions keep their source for macro arguments), empty when unknown.
    bool ParseILScript(const QString &SourceText = QString());
    // Builds a designator from a `dsgn` element in scope Prog (EkyError on failure).
    std::unique_ptr<TkyDesignator> DoDesignator(const TkyXMLItem &xi, TkyScript &Prog, TkyEmitOp EmitOp);

    // The selected language's grammar (nullptr before SelectLanguage).
    const TkyGrammar *Grammar() const { return FGrammar.get(); }

    const QString &LangName() const { return FLangName; }
    // False when the grammar sets declarevars "0".
    bool NeedDeclareVars() const { return FNeedDeclareVars; }
    // The unit this parser reads (empty for the main text).
    const QString &UnitName() const { return FUnitName; }
    // Units loaded so far (by the name written in the clause).
    const QStringList &UsesList() const { return FUsesList; }
    TkyScript *Program() const { return FProgram; }
    // The tokenizer, configured by SelectLanguage.
    TkyParser &Parser() { return *FParser; }

private:
    struct ILLine;
    class Interpreter;
    friend class Interpreter;

    bool buildIL(std::vector<ILLine> lines, QString &message, QString &pos);
    void addILLine(ILLine &line, std::vector<TkyXMLItem *> &stack);
    void loadUnit(const QString &unitName,
                  int depth,
                  std::unique_ptr<TkyXMLItem> &body,
                  QString &errText,
                  QString &errPos);
    QString unitText(const QString &unitName);
    QString xyOf(int pos) const;

    TkyScript *FProgram;
    std::shared_ptr<const TkyGrammar> FGrammar;
    std::unique_ptr<TkyXMLDocument> FILScript;
    std::unique_ptr<TkyParser> FParser;
    QString FLangName;
    bool FNeedDeclareVars = true;
    bool FStrictEnd = false;
    QString FUnitName;
    QStringList FUsesList;
    int FBaseDepth = 0;                // rule levels already used by the including parsers
    std::vector<int> FLineFeeds;       // positions of the line feeds in the text
    const char *FStackLimit = nullptr; // lowest native stack address the rules may use
};

// Script text as a script's Lines give it: every line followed by CR LF, whatever line
// ends the input had (empty input stays empty).
QString kyScriptLinesText(const QString &text);
