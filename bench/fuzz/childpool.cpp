#include "childpool.h"

#include <QFile>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace FuzzChildren {

QString End::fault(bool expectedExit) const
{
    if (hang)
        return QStringLiteral("hang");
    if (signal)
        return QString::fromLocal8Bit(strsignal(signal));
    if (!expectedExit)
        return QStringLiteral("exit code %1").arg(code);
    if (kMemoryIsMeasured && peakKiB > kMemoryLimitKiB)
        return QStringLiteral("%1 KiB").arg(peakKiB);
    return QString();
}

Pool::Pool(int jobs, std::function<void(const End &)> ended)
    : m_jobs(jobs), m_ended(std::move(ended))
{
}

bool Pool::start(int id, const std::function<void()> &child)
{
    while (int(m_running.size()) >= m_jobs) {
        reap();
        if (int(m_running.size()) >= m_jobs)
            ::usleep(2000);
    }
    std::fflush(nullptr);
    Running running{-1, id, QElapsedTimer()};
    running.started.start();
    running.pid = ::fork();
    if (running.pid == 0) {
        child();
        ::_exit(127);
    }
    if (running.pid < 0)
        return false;
    m_running.push_back(running);
    return true;
}

void Pool::finish()
{
    while (!m_running.empty()) {
        reap();
        if (!m_running.empty())
            ::usleep(2000);
    }
}

void Pool::reap()
{
    for (auto it = m_running.begin(); it != m_running.end();) {
        int status = 0;
        struct rusage usage = {};
        pid_t done = ::wait4(it->pid, &status, WNOHANG, &usage);
        End end;
        end.id = it->id;
        end.ms = it->started.elapsed();
        if (done == 0 && end.ms > kHangMs) {
            ::kill(it->pid, SIGKILL);
            done = ::wait4(it->pid, &status, 0, &usage);
            end.hang = true;
        }
        if (done == 0) {
            ++it;
            continue;
        }
        if (!end.hang && WIFSIGNALED(status))
            end.signal = WTERMSIG(status);
        if (!end.hang && WIFEXITED(status))
            end.code = WEXITSTATUS(status);
        end.peakKiB = usage.ru_maxrss;
        m_slowestMs = std::max(m_slowestMs, end.ms);
        m_peakKiB = std::max(m_peakKiB, end.peakKiB);
        it = m_running.erase(it);
        m_ended(end);
    }
}

void logTo(const QString &log)
{
    const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        ::dup2(fd, 1);
        ::dup2(fd, 2);
    }
}

void keepFault(const QString &name, const QString &input, const QString &log)
{
    QFile::remove(name);
    QFile::copy(input, name);
    QFile::remove(name + ".log");
    QFile::copy(log, name + ".log");
}

} // namespace FuzzChildren
