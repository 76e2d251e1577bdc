// libFuzzer glue of one target, chosen by KORVANE_FUZZ_TARGET at build time.

#include "fuzzentries.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const FuzzTarget *target = nullptr;

// Readers are silent by design; whatever Qt itself prints would only flood
// the fuzzer's output.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(dropMessage);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Images and painting need the application object; it lives for the run.
    static int argc = 1;
    static char name[] = "fuzz_" KORVANE_FUZZ_TARGET;
    static char *argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);

    target = findFuzzTarget(QStringLiteral(KORVANE_FUZZ_TARGET));
    if (!target) {
        std::fprintf(stderr, "no fuzz target %s\n", KORVANE_FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const FuzzFailure failure = target->run(input);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "fuzz_%s: %s\n", target->name, qPrintable(failure));
        std::abort();
    }
    return 0;
}
