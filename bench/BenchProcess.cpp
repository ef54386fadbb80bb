// Timings and timed processes of the benchmarks.
#include "BenchProcess.h"

#include "data/DataSet.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

double TSeries::median() const
{
    if (values.empty())
        return 0;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double TSeries::slowest() const
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void benchFail(const QString& what)
{
    std::fprintf(stderr, "ferdano-bench: %s\n", qPrintable(what));
    std::exit(2);
}

TProcessRun runUntilMarker(const QString& program, const QString& tmpDir, const QByteArray& extraEnv,
                           const char* marker)
{
    QByteArrayList env;
    for (char** e = environ; *e; ++e) {
        const QByteArray kv(*e);
        if (!kv.startsWith("QT_QPA_PLATFORM=") && !kv.startsWith("TMPDIR=") &&
            !kv.startsWith("FERDANO_BENCH_EXIT_"))
            env << kv;
    }
    env << "QT_QPA_PLATFORM=offscreen" << ("TMPDIR=" + QFile::encodeName(tmpDir));
    if (!extraEnv.startsWith("FERDANO_BENCH_EXIT_"))
        env << "FERDANO_BENCH_EXIT_AFTER_PAINT=1";
    if (!extraEnv.isEmpty())
        env << extraEnv;
    std::vector<char*> envp;
    for (QByteArray& kv : env)
        envp.push_back(kv.data());
    envp.push_back(nullptr);
    QByteArray path = QFile::encodeName(program);
    char* argv[] = {path.data(), nullptr};

    int fds[2];
    if (pipe(fds) != 0)
        benchFail(QStringLiteral("pipe"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, path.constData(), &actions, nullptr, argv, envp.data()) != 0)
        benchFail(QStringLiteral("cannot start ") + program);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    TProcessRun run;
    QByteArray out;
    bool seen = false;
    while (!seen) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 60000) <= 0) {
            kill(pid, SIGKILL);
            benchFail(program + QStringLiteral(": no marker within a minute"));
        }
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
        seen = out.contains(marker);
    }
    run.msToMarker = double(t.nsecsElapsed()) / 1e6;
    close(fds[0]);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    if (!seen)
        benchFail(program + QStringLiteral(" ended without the marker: ") + QString::fromLocal8Bit(out));
    run.peakMb = double(ru.ru_maxrss) / 1024.0; // kilobytes on Linux
    return run;
}

TServerConfig testServerConfig(const QString& database)
{
    TServerConfig c;
    c.host = qEnvironmentVariable("FERDANO_TEST_PG");
    const int port = qEnvironmentVariableIntValue("FERDANO_TEST_PG_PORT");
    if (port > 0)
        c.port = port;
    c.user = qEnvironmentVariable("FERDANO_TEST_PG_USER");
    c.database = database;
    return c;
}

void answerAboutHalf(TDataSet& set, int run)
{
    for (int r = 0; r < set.recordCount(); ++r) {
        set.moveTo(r);
        set.edit();
        const QString aa = set.asString(QStringLiteral("AA"));
        set.setValue(QStringLiteral("CC"), (r + run) % 2 ? aa : QStringLiteral("1111"));
        set.post();
    }
}
