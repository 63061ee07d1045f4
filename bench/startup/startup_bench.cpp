// Runs a bare Qt window, the main window's layout alone and Ventaro in turn,
// each until its window is shown and idle, and prints the median start-up
// time and resident memory of each, and Ventaro's ratios to the bare window.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

struct Run
{
    double ms = 0;
    long rssKb = 0;
    long hwmKb = 0;
};

bool runOnce(const QString &program, const QProcessEnvironment &env, Run &run)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    QByteArray out;
    while (!out.contains('\n')) {
        if (!process.waitForReadyRead(20000))
            return false;
        out += process.readAllStandardOutput();
    }
    run.ms = double(clock.nsecsElapsed()) / 1e6;
    const QList<QByteArray> fields = out.mid(out.indexOf("idle")).trimmed().split(' ');
    if (fields.size() >= 3) {
        run.rssKb = fields.at(1).toLong();
        run.hwmKb = fields.at(2).toLong();
    }
    process.waitForFinished(20000);
    return true;
}

template <typename T>
T median(QList<T> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? T() : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("DISPLAY")) || env.value(QStringLiteral("DISPLAY")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Fresh settings and slot names: a first start.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));

    constexpr int kPrograms = 3;
    const QString programs[kPrograms] = {QStringLiteral(STARTUP_BARE),
                                         QStringLiteral(STARTUP_LAYOUT),
                                         QStringLiteral(STARTUP_VENTARO)};
    const char *names[kPrograms] = {"bare Qt", "layout", "Ventaro"};
    QList<double> ms[kPrograms];
    QList<long> rss[kPrograms];
    QList<long> hwm[kPrograms];
    // One untimed start of each warms the file cache.
    for (const QString &program : programs) {
        Run warm;
        runOnce(program, env, warm);
    }
    for (int i = 0; i < rounds; ++i) {
        for (int p = 0; p < kPrograms; ++p) {
            Run run;
            if (!runOnce(programs[p], env, run)) {
                std::fprintf(stderr, "%s did not report idle\n", qPrintable(programs[p]));
                return 1;
            }
            ms[p] << run.ms;
            rss[p] << run.rssKb;
            hwm[p] << run.hwmKb;
        }
    }
    std::printf(
        "start-up to window shown and idle, median of %d runs (platform %s)\n", rounds,
        qPrintable(env.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("default"))));
    std::printf("%-10s %10s %12s %12s\n", "program", "time ms", "RSS kB", "peak RSS kB");
    for (int p = 0; p < kPrograms; ++p)
        std::printf("%-10s %10.1f %12ld %12ld\n", names[p], median(ms[p]), median(rss[p]),
                    median(hwm[p]));
    std::printf("ratio Ventaro / bare: time %.2f, RSS %.2f\n", median(ms[2]) / median(ms[0]),
                double(median(rss[2])) / double(median(rss[0])));
    std::printf("ratio Ventaro / layout: time %.2f, RSS %.2f\n", median(ms[2]) / median(ms[1]),
                double(median(rss[2])) / double(median(rss[1])));
    return 0;
}
