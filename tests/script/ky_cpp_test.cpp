#include "kyScriptTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(CppScratch, Dump)
{
    const QString lang = qEnvironmentVariable("KY_LANG", QStringLiteral("C++Script"));
    QString src = qEnvironmentVariable("KY_SRC");
    src.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    const QString il = kyILText(lang, src);
    std::fputs(il.toUtf8().constData(), stdout);
    std::fputs("\n", stdout);
    EXPECT_FALSE(il.isEmpty());
}
TEST(CppScratch, Units)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &name) {
        if (name == QStringLiteral("a.cpp"))
            return QStringLiteral("#define A 1\n{ }");
        if (name == QStringLiteral("bad.js") || name == QStringLiteral("bad.cpp"))
            return QStringLiteral("{ x = ; }");
        return QStringLiteral("var B");
    });
    for (auto [l, s] : {std::pair{"C++Script", "#include \"a.cpp\", \"b.cpp\"\n{ }"}, {"C++Script", "#include \"bad.cpp\" { }"}, {"JScript", "import \"a.js\", \"b.js\"; x = 1"}, {"JScript", "import \"bad.js\""}})
        std::fputs(kyILText(QString::fromUtf8(l), QString::fromUtf8(s), &script).toUtf8().constData(), stdout);
}
