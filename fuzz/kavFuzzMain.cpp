// A libFuzzer executable for the one target named by KAV_FUZZ_TARGET.
#include "kavFuzzTargets.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

TkavFuzzEntry entry = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kavfuzz";
    static char *argv[] = {name, nullptr};
    // Lives until the process ends: libFuzzer exits from inside its loop, and tearing the
    // application down behind it would race with its own exit handlers.
    static QGuiApplication *const app = new QGuiApplication(argc, argv);
    Q_UNUSED(app);
    kavFuzzInit();
    entry = kavFuzzTarget(QStringLiteral(KAV_FUZZ_TARGET));
    if (!entry) {
        std::fprintf(stderr, "no fuzz target %s\n", KAV_FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    entry(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
