#pragma once

// Script event handlers: the keywords of each script language and the parameter text of
// each event type (texts the designer adds to the resource table), and the generator that
// lists, finds and creates handler procedures in a script's lines.

#include <QString>
#include <QStringList>

// Adds the keyword line of each language (key: the language's name) and the parameter
// lines of each event type (key: the type's name) to the resource table, once.
void kavAddScriptResources();
// The value of keyword (proc, begin, end, lastend, openquote, closequote) for language;
// empty when the language or the keyword is unknown.
QString kavScriptKeyword(const QString &language, const QString &keyword);
// The handler parameter text of eventType ("TkavNotifyEvent") in language; empty when
// unknown.
QString kavEventParams(const QString &eventType, const QString &language);

class TkavScriptGenerator
{
public:
    TkavScriptGenerator(QStringList lines, QString language);

    const QStringList &Lines() const { return FLines; }
    // The names of the procedures whose parameter text is eventType's, in script order.
    QStringList Handlers(const QString &eventType) const;
    // The line (0-based) that starts the procedure name; -1 when there is none.
    int FindHandler(const QString &name) const;
    // The line (0-based) where a new handler goes; -1 when the script has no main block.
    int NewHandlerPlace() const;
    // Inserts the handler name for eventType at NewHandlerPlace and returns that line; -1
    // (nothing inserted) without a place.
    int CreateHandler(const QString &name, const QString &eventType);
    // A new report's script: begin, an empty line and lastend; empty for languages
    // without lastend.
    static QStringList EmptyProgram(const QString &language);

private:
    QString keyword(const QString &name) const { return kavScriptKeyword(FLanguage, name); }
    // Whether each line lies inside a comment, counted from the top.
    QList<bool> commentedLines() const;
    // The text after the proc keyword when the line starts with it (trimmed), else null.
    QString afterProc(const QString &line) const;

    QStringList FLines;
    QString FLanguage;
};
