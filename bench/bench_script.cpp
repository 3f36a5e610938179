// Compiling a 10,000-line PascalScript program to IL: the target is at least 50,000 lines
// per second, so that opening and previewing a report with a large script stays quick.
// --size N compiles a program of about N lines.
#include "kavBenchMain.h"

#include <script/ky_ilparser.h>
#include <script/ky_langs.h>
#include <script/ky_script.h>
#include <script/ky_xml.h>

#include <QString>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// --size N: a program of about N lines.
int targetLines()
{
    return kavBenchSize(10000);
}

// A program of routines and statement blocks of the usual kinds, about targetLines long.
QString pascalProgram(int &lineCount)
{
    QStringList lines{u"program Bench;"_s,
                      u"var i, j, total: Integer;"_s,
                      u"    s: String;"_s,
                      u"    list: array[0..9] of Integer;"_s};
    int routine = 0;
    while (lines.size() < targetLines() / 2) {
        ++routine;
        lines << u"procedure Work%1(a: Integer; var b: Integer);"_s.arg(routine)
              << u"var k: Integer;"_s << u"begin"_s << u"  for k := 1 to a do"_s
              << u"    b := b + k * 2 - (a div 3);"_s
              << u"  if b > 100 then b := 0 else b := b + 1;"_s << u"end;"_s
              << u"function Twice%1(x: Integer): Integer;"_s.arg(routine) << u"begin"_s
              << u"  Result := x * 2; { doubled }"_s << u"end;"_s;
    }
    lines << u"begin"_s << u"  total := 0;"_s;
    int block = 0;
    while (lines.size() < targetLines() - 1) {
        ++block;
        lines << u"  // block %1"_s.arg(block) << u"  if (i mod 3 = 0) and (j <> 5) then"_s
              << u"    total := total + Twice%1(i)"_s.arg(1 + block % routine) << u"  else"_s
              << u"    s := s + 'x' + IntToStr(list[i mod 10]);"_s
              << u"  while j < 10 do j := j + 1;"_s
              << u"  Work%1(i, total);"_s.arg(1 + block % routine)
              << u"  case i of 1: s := 'one'; 2, 3: s := 'few'; else s := 'many'; end;"_s;
    }
    lines << u"end."_s;
    lineCount = int(lines.size());
    return lines.join(u"\r\n"_s) + u"\r\n"_s;
}

void compileToIL(benchmark::State &state)
{
    kyRegisterBuiltinLanguages();
    int lineCount = 0;
    const QString text = pascalProgram(lineCount);
    for (auto _ : state) {
        TkyScript script;
        TkyILParser parser(&script);
        parser.SelectLanguage(u"PascalScript"_s);
        if (!parser.MakeILScript(text)) {
            const QString error = script.ErrorPos() + u": "_s + script.ErrorMsg();
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
        benchmark::DoNotOptimize(parser.ILScript().Root());
    }
    state.counters["lines/s"]
        = benchmark::Counter(double(lineCount), benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(compileToIL)->Unit(benchmark::kMillisecond);
int main(int argc, char **argv)
{
    return kavBenchmarkMain(argc, argv, [] {});
}
