// The kavrel executable: the host window, or a headless subcommand.
#include <QCoreApplication>
#include <QString>

#include <cstdio>

namespace {

const char usageText[] =
    "Usage: kavrel [COMMAND] [ARGS]\n"
    "\n"
    "Without a command, opens the host window.\n"
    "\n"
    "Commands:\n"
    "  design [FILE.kv3]                      open the host window on a report\n"
    "  script FILE [--language NAME] [--il]   compile and run a script\n"
    "  resave IN.kv3 OUT.kv3                  load a template and save it again\n"
    "  prepare IN.kv3 -o OUT.kw3 [--dump]     run a report\n"
    "  export IN.(kv3|kw3) -o OUT.(pdf|png|svg|txt|csv|html)\n"
    "  --help                                 print this text\n"
    "  --version                              print the version\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == QLatin1String("--version")) {
        std::printf("kavrel %s\n", KAVREL_VERSION);
        return 0;
    }
    std::fputs(usageText, stdout);
    if (args.isEmpty() || args.value(0) == QLatin1String("--help"))
        return 0;
    std::fprintf(stderr, "kavrel: '%s' is not available yet\n", qPrintable(args.value(0)));
    return 2;
}
