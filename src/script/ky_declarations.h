#pragma once

// Native declaration strings ("function Copy(S: String; Index, Count: Integer): String")
// turned into an item with its parameters, for registering native functions and methods.

#include <script/ky_variables.h>

#include <QString>

#include <memory>

class TkyScript;

// Parses a declaration:
//   decl   -> ['macro']word name ['(' [group {';' group}] ')'] [':' resulttype] [tail]
//   group  -> {'var' | 'const'} name {[','] name} ':' type ['=' default]
// Returns a plain item with the name, the result type name (functions only; taken from
// the identifier after the last ':'), its kind by StrToVarType, the macro flag, and one
// owned TkyParamItem per parameter in order. The last name of a group gets the group's
// default and is optional when that default is not null. Script (may be null) supplies
// the kinds and the values of identifier defaults; with ExtendedCharset, bytes 128..255
// are identifier characters.
// A malformed declaration (empty, no name, a group without a type, an unterminated list,
// a function without a result type, a bad default) raises EkyError naming the text.
std::unique_ptr<TkyCustomVariable> kyParseDeclaration(const QString &text,
                                                      const TkyScript *script);
