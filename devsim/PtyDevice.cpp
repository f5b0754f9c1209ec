// Pseudo-terminal serving loop: ppoll on the master (paced by the line rate) and on the
// stop descriptor, CR-terminated command lines in, CR LF framed replies out.
#include "PtyDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace devsim {

namespace {

const char kCr = '\r';
const char kLf = '\n';
const char kFrame[] = "\r\n";
const char kError[] = "ERROR";
const size_t kMaxLine = 2 * DeviceSession::kMaxChunk + 256;
const size_t kReadChunk = 4096;
const std::chrono::milliseconds kIdleTick(50);
// Input waits while this much reply text is still unsent (a client that writes but never
// reads cannot make us grow without bound).
const size_t kMaxPendingOut = 1 << 20;

struct timespec ToTimespec(std::chrono::nanoseconds d) {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
    struct timespec ts;
    ts.tv_sec = static_cast<time_t>(seconds.count());
    ts.tv_nsec = static_cast<long>((d - seconds).count());
    return ts;
}

} // namespace

PtyDevice::PtyDevice(long baud, bool echo) : m_echo(echo), m_inPacer(baud), m_outPacer(baud) {}

bool PtyDevice::Open(std::string& error) {
    char name[256] = {};
    int master, slave;
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_master = UniqueFd(master);
    m_slave = UniqueFd(slave);
    m_slavePath = name;
    // A raw line from the start: with the default echo, our own replies would come back
    // to us as input while no client has set the line up.
    if (::tcgetattr(m_slave.Get(), &m_lineSettings) == 0) {
        ::cfmakeraw(&m_lineSettings);
        ::cfsetspeed(&m_lineSettings, B115200);
        ::tcsetattr(m_slave.Get(), TCSANOW, &m_lineSettings);
    }
    ::fcntl(m_master.Get(), F_SETFL, ::fcntl(m_master.Get(), F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master.Get(), F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave.Get(), F_SETFD, FD_CLOEXEC);
    // Our own hold on the slave hides a client's close from the master, so the closes are
    // watched on the slave's node.
    m_watch = UniqueFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!m_watch.Valid() || ::inotify_add_watch(m_watch.Get(), name, IN_OPEN | IN_CLOSE) < 0) {
        error = std::string("cannot watch the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Settings and the exclusive-use flag are undone only once no client holds the line, never
// under a client that has opened it again already.
void PtyDevice::TakeWatchEvents() {
    alignas(struct inotify_event) char buffer[4096];
    bool closed = false;
    ssize_t got;
    while ((got = ::read(m_watch.Get(), buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(at);
            if (event->mask & IN_OPEN)
                ++m_clients;
            if ((event->mask & IN_CLOSE) && m_clients > 0)
                --m_clients;
            closed = closed || (event->mask & (IN_CLOSE | IN_Q_OVERFLOW));
            at += sizeof(struct inotify_event) + event->len;
        }
    }
    if (closed && m_clients == 0)
        RestoreLine();
}

// A client's exclusive-use request outlives its close while we hold the slave open, and
// would lock the client itself out of its reconnect.
void PtyDevice::RestoreLine() const {
    ::tcsetattr(m_slave.Get(), TCSANOW, &m_lineSettings);
    ::ioctl(m_slave.Get(), TIOCNXCL);
}

bool PtyDevice::Serve(DeviceSession& session, int stopFd) {
    bool hungUp = false;
    for (;;) {
        auto now = LinePacer::Clock::now();
        struct pollfd fds[3] = {
            {stopFd, POLLIN, {}}, {m_watch.Get(), POLLIN, {}}, {m_master.Get(), 0, {}}};
        struct pollfd& master = fds[2];
        std::chrono::nanoseconds wait = kIdleTick;
        if (m_out.size() - m_outAt >= kMaxPendingOut)
            ; // only sending
        else if (m_inPacer.Allowance(1, now) > 0)
            master.events |= POLLIN;
        else
            wait = std::min<std::chrono::nanoseconds>(wait, m_inPacer.Wait(now));
        if (m_outAt < m_out.size()) {
            if (m_outPacer.Allowance(1, now) > 0)
                master.events |= POLLOUT;
            else
                wait = std::min<std::chrono::nanoseconds>(wait, m_outPacer.Wait(now));
        }
        // A hung-up master reports POLLHUP at once; leave it out for one tick, no spinning.
        nfds_t count = hungUp ? 2 : 3;
        struct timespec timeout = ToTimespec(wait);
        int ready = ::ppoll(fds, count, &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            return false;
        if (fds[0].revents != 0)
            return true;
        if (fds[1].revents != 0)
            TakeWatchEvents();
        hungUp = false;
        if (count == 3 && (master.revents & POLLIN) && !ReceiveSome(session))
            hungUp = true;
        if (count == 3 && (master.revents & POLLOUT) && !SendSome())
            hungUp = true;
        if (count == 3 && (master.revents & (POLLHUP | POLLERR)) && !(master.revents & POLLIN))
            hungUp = true;
    }
}

// False when the master reports a hang-up (EIO: no client holds the slave).
bool PtyDevice::ReceiveSome(DeviceSession& session) {
    auto now = LinePacer::Clock::now();
    char buffer[kReadChunk];
    size_t want = m_inPacer.Allowance(sizeof buffer, now);
    ssize_t got = ::read(m_master.Get(), buffer, want);
    if (got < 0)
        return errno == EAGAIN || errno == EINTR;
    m_inPacer.Passed(static_cast<size_t>(got), now);
    for (ssize_t i = 0; i < got; ++i)
        TakeByte(buffer[i], session);
    return true;
}

bool PtyDevice::SendSome() {
    auto now = LinePacer::Clock::now();
    size_t want = m_outPacer.Allowance(m_out.size() - m_outAt, now);
    ssize_t put = ::write(m_master.Get(), m_out.data() + m_outAt, want);
    if (put < 0)
        return errno == EAGAIN || errno == EINTR;
    m_outPacer.Passed(static_cast<size_t>(put), now);
    m_outAt += static_cast<size_t>(put);
    if (m_outAt == m_out.size()) {
        m_out.clear();
        m_outAt = 0;
    }
    return true;
}

// Commands end with CR; LF is ignored so that CR LF works too. An overlong line is
// dropped up to its CR and answered with ERROR.
void PtyDevice::TakeByte(char byte, DeviceSession& session) {
    if (byte == kLf)
        return;
    if (byte != kCr) {
        if (m_line.size() < kMaxLine)
            m_line += byte;
        else
            m_overlong = true;
        return;
    }
    std::string line;
    line.swap(m_line);
    bool overlong = m_overlong;
    m_overlong = false;
    if (line.empty())
        return;
    if (overlong) {
        DeviceReply reply;
        reply.final = kError;
        QueueReply(line, reply);
        return;
    }
    QueueReply(line, session.Handle(line));
}

void PtyDevice::QueueReply(const std::string& line, const DeviceReply& reply) {
    if (m_echo)
        m_out += line + kCr;
    if (reply.silent)
        return;
    for (const std::string& info : reply.lines)
        m_out += kFrame + info + kFrame;
    m_out += kFrame + reply.final + kFrame;
}

} // namespace devsim
