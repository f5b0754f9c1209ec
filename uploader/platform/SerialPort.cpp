// CommModule: opens and configures the terminal device, runs the reader thread that hands
// received chunks to the callback, writes command text, restores and closes the line.
// Init_Port/Deinit_Port run on the main thread, WriteData on the command thread.
#include "SerialPort.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "Interruption.h"
#include "TrellupUtility.h"

// Messages, as macros so that the compiler checks their arguments.
#define MSG_OPEN_FAILED "\r\n[error] opening serial port %s - %s(%d).\n"
#define MSG_DESCRIPTOR "\r\ndescriptor is %d, bsd path-> %s\r\n"
#define MSG_EXCLUSIVE_FAILED "\r\n[error] setting TIOCEXCL on %s - %s(%d).\r\n"
#define MSG_GET_ATTR_FAILED "\r\n[error] getting tty attributes %s - %s(%d).\r\n"
#define MSG_CURRENT_IN_SPEED "\r\nCurrent input baud rate is %d\r\n"
#define MSG_CURRENT_OUT_SPEED "\r\nCurrent output baud rate is %d\r\n"
#define MSG_IN_SPEED_CHANGED "Input baud rate changed to %d\n"
#define MSG_OUT_SPEED_CHANGED "Output baud rate changed to %d\n"
#define MSG_SET_ATTR_FAILED "[error] setting tty attributes %s - %s(%d).\r\n"
#define MSG_DTR_SET_FAILED "[error] asserting DTR %s - %s(%d).\r\n"
#define MSG_DTR_CLEAR_FAILED "[error] clearing DTR %s - %s(%d).\r\n"
#define MSG_HANDSHAKE_SET_FAILED "\r[error] setting handshake lines %s - %s(%d).\r\n"
#define MSG_HANDSHAKE_GET_FAILED "\r\n[error] getting handshake lines %s - %s(%d).\r\n"
#define MSG_HANDSHAKE "\r\nHandshake lines currently set to %d\r\n"
#define MSG_PORT_FAILED "Open port failed.\n"
#define MSG_RXD "\r\n[rxd] %s\r\n"
#define MSG_READ_FAILED "\r\n[error]reading com port - %s(%d).\n"
#define MSG_WRITE_ERROR "\r\nError writting to modem - %s(%d).\r\n"
#define MSG_WRITE_FAILED "\r\n[Error] write failed: <%s>\r\n"
#define MSG_TXD "\r\n[txd] %s\r\n"
#define MSG_RESTORE_FAILED "\r\n[error] resetting tty attributes - %s(%d).\r\n"
#define MSG_PORT_BUSY "port %s is busy: another program has it open\n"
#define MSG_PARITY_DROPPED "%s is a pseudo-terminal, which keeps no parity setting: going on.\n"
#define MSG_LINE_LOST "The line is gone; the command in progress ends now.\n"

namespace {

const int READ_CHUNK = 511;
const int HANDSHAKE_LINES = TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR;
// A write fails only when the line takes no byte at all for this long.
const int WRITE_STALL_MS = 5000;
// Pause before the one retry after a write error.
const useconds_t WRITE_RETRY_US = 100000;

#ifdef CRTSCTS
const tcflag_t HARDWARE_FLOW = CRTSCTS;
#else
const tcflag_t HARDWARE_FLOW = CCTS_OFLOW | CRTS_IFLOW;
#endif

// Prints and logs the same message.
__attribute__((format(printf, 1, 2))) void PrintAndLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    vfprintf(stdout, format, args);
    log_output_v(format, copy);
    va_end(copy);
    va_end(args);
}

// The steps of Init_Port after the open that end it when they fail.
enum OpenStep { OPEN_OK, OPEN_EXCLUSIVE, OPEN_GET_ATTR, OPEN_SET_ATTR };

void ReportOpenFailure(OpenStep step, const char* path) {
    int error = errno;
    switch (step) {
    case OPEN_EXCLUSIVE: PrintAndLog(MSG_EXCLUSIVE_FAILED, path, strerror(error), error); break;
    case OPEN_GET_ATTR: PrintAndLog(MSG_GET_ATTR_FAILED, path, strerror(error), error); break;
    case OPEN_SET_ATTR: PrintAndLog(MSG_SET_ATTR_FAILED, path, strerror(error), error); break;
    case OPEN_OK: break;
    }
}

// The line speed as a number of baud, for the messages.
int SpeedInBaud(speed_t speed) {
    switch (speed) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return static_cast<int>(speed);
    }
}

void RaiseAndDropDtr(int fd, const char* path) {
#if defined(TIOCSDTR) && defined(TIOCCDTR)
    if (ioctl(fd, TIOCSDTR) == -1)
        DebugOutA(MSG_DTR_SET_FAILED, path, strerror(errno), errno);
    if (ioctl(fd, TIOCCDTR) == -1)
        DebugOutA(MSG_DTR_CLEAR_FAILED, path, strerror(errno), errno);
#else
    int dtr = TIOCM_DTR;
    if (ioctl(fd, TIOCMBIS, &dtr) == -1)
        DebugOutA(MSG_DTR_SET_FAILED, path, strerror(errno), errno);
    if (ioctl(fd, TIOCMBIC, &dtr) == -1)
        DebugOutA(MSG_DTR_CLEAR_FAILED, path, strerror(errno), errno);
#endif
}

void SetHandshakeLines(int fd, const char* path) {
    int lines = HANDSHAKE_LINES;
    if (ioctl(fd, TIOCMSET, &lines) == -1)
        DebugOutA(MSG_HANDSHAKE_SET_FAILED, path, strerror(errno), errno);
    if (ioctl(fd, TIOCMGET, &lines) == -1)
        DebugOutA(MSG_HANDSHAKE_GET_FAILED, path, strerror(errno), errno);
    DebugOutA(MSG_HANDSHAKE, lines);
}

// Exclusive use: the terminal's own flag, and a lock that root cannot bypass.
bool TakeExclusiveUse(int fd) {
    return ioctl(fd, TIOCEXCL) != -1 && flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// What the exclusive flag (at open) or the lock reports when another program holds the port.
bool HeldElsewhere(int error) {
    return error == EBUSY || error == EWOULDBLOCK;
}

// Linux numbers the slave sides of pseudo-terminals with majors 136 to 143.
const unsigned PTY_SLAVE_FIRST_MAJOR = 136;
const unsigned PTY_SLAVE_LAST_MAJOR = 143;

bool IsPseudoTerminal(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) &&
           major(info.st_rdev) >= PTY_SLAVE_FIRST_MAJOR &&
           major(info.st_rdev) <= PTY_SLAVE_LAST_MAJOR;
}

// A pseudo-terminal drops even parity, and a C library that reads the settings back then
// reports tcsetattr as failed though everything else took effect.
bool OnlyParityDropped(int fd, const struct termios& wanted) {
    struct termios actual;
    if (!IsPseudoTerminal(fd) || tcgetattr(fd, &actual) != 0)
        return false;
    return (actual.c_cflag | PARENB) == (wanted.c_cflag | PARENB) &&
           actual.c_iflag == wanted.c_iflag && actual.c_oflag == wanted.c_oflag &&
           actual.c_lflag == wanted.c_lflag && cfgetospeed(&actual) == cfgetospeed(&wanted);
}

// Raw 115200 with even parity and RTS/CTS, from the saved settings.
OpenStep ApplyLineSettings(int fd, const struct termios& saved, const char* path) {
    struct termios settings = saved;
    DebugOutA(MSG_CURRENT_IN_SPEED, SpeedInBaud(cfgetispeed(&settings)));
    DebugOutA(MSG_CURRENT_OUT_SPEED, SpeedInBaud(cfgetospeed(&settings)));
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    // CS7 is contained in the CS8 that raw mode set, so the size stays 8 bits; even parity
    // is generated and both directions are paced by RTS/CTS.
    settings.c_cflag |= CS7 | PARENB | HARDWARE_FLOW;
    if (cfsetspeed(&settings, B115200) != 0)
        return OPEN_SET_ATTR;
    DebugOutA(MSG_IN_SPEED_CHANGED, SpeedInBaud(cfgetispeed(&settings)));
    DebugOutA(MSG_OUT_SPEED_CHANGED, SpeedInBaud(cfgetospeed(&settings)));
    if (tcsetattr(fd, TCSANOW, &settings) == 0)
        return OPEN_OK;
    int error = errno;
    if (!OnlyParityDropped(fd, settings)) {
        errno = error;
        return OPEN_SET_ATTR;
    }
    log_output(MSG_PARITY_DROPPED, path);
    return OPEN_OK;
}

void ReportBusy(const char* path) {
    log_output(MSG_PORT_BUSY, path);
    fprintf(stderr, MSG_PORT_BUSY, path);
}

bool WaitWritable(int fd) {
    struct pollfd entry = {fd, POLLOUT, {}};
    int ready;
    do {
        ready = poll(&entry, 1, WRITE_STALL_MS);
    } while (ready == -1 && errno == EINTR);
    return ready > 0 && (entry.revents & POLLOUT) != 0;
}

} // namespace

CommModule::CommModule()
    : m_nFd(-1), m_SavedSettings(), m_hThread(nullptr), m_nThreadResult(0), m_hStopEvent(nullptr),
      m_pUserData(nullptr), m_pCallback(nullptr), m_WakePipe{-1, -1}, m_bHungUp(false),
      m_bBusy(false) {}

CommModule::~CommModule() {}

void CommModule::SetCallBack(COMM_RECEIVE_CALLBACK callback, void* user) {
    m_pUserData = user;
    __atomic_store_n(&m_pCallback, callback, __ATOMIC_RELEASE);
}

int CommModule::Init_Port(const char* path) {
    m_nFd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    m_bBusy = m_nFd == -1 && HeldElsewhere(errno);
    if (m_nFd == -1) {
        if (m_bBusy)
            ReportBusy(path);
        else
            PrintAndLog(MSG_OPEN_FAILED, path, strerror(errno), errno);
        return -1;
    }
    DebugOutA(MSG_DESCRIPTOR, m_nFd, path);

    OpenStep failure = OPEN_OK;
    if (!TakeExclusiveUse(m_nFd))
        failure = OPEN_EXCLUSIVE;
    else if (tcgetattr(m_nFd, &m_SavedSettings) != 0)
        failure = OPEN_GET_ATTR;
    else
        failure = ApplyLineSettings(m_nFd, m_SavedSettings, path);
    m_bBusy = failure == OPEN_EXCLUSIVE && HeldElsewhere(errno);
    if (m_bBusy)
        ReportBusy(path);
    else if (failure != OPEN_OK)
        ReportOpenFailure(failure, path);
    if (failure == OPEN_SET_ATTR)
        tcsetattr(m_nFd, TCSANOW, &m_SavedSettings); // a partial change is taken back
    if (failure == OPEN_OK) {
        RememberLineSettings(m_nFd, m_SavedSettings);
        RaiseAndDropDtr(m_nFd, path);
        SetHandshakeLines(m_nFd, path);
        if (Initernal_Start())
            return m_nFd;
        ForgetLineSettings();
        tcsetattr(m_nFd, TCSANOW, &m_SavedSettings);
    }
    // Closed once here, and marked closed, so that ClosePort never touches the number again.
    close(m_nFd);
    m_nFd = -1;
    log_output(MSG_PORT_FAILED);
    return -1;
}

// Waits until the line has data or a hang-up, or the stop event is set. False when stopping;
// m_bHungUp tells a hang-up from data.
bool CommModule::WaitReadable() {
    struct pollfd entries[2] = {{m_nFd, POLLIN, {}}, {m_WakePipe[0], POLLIN, {}}};
    for (;;) {
        if (WaitForSingleObject(m_hStopEvent, 0) == WAIT_OBJECT_0)
            return false;
        int ready = poll(entries, 2, -1);
        if (ready == -1 && errno == EINTR)
            continue;
        if (entries[1].revents != 0)
            return false;
        m_bHungUp = (entries[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        return true;
    }
}

// Whoever waits for an answer hears at once that none will come.
void CommModule::ReportLineLost() {
    log_output(MSG_LINE_LOST);
    COMM_RECEIVE_CALLBACK callback = __atomic_load_n(&m_pCallback, __ATOMIC_ACQUIRE);
    if (callback != nullptr)
        callback(COMM_LINE_LOST, nullptr, 0, m_pUserData);
}

void CommModule::WakeReader() {
    const char wake = 1;
    ssize_t ignored = write(m_WakePipe[1], &wake, 1);
    (void)ignored;
}

int CommModule::ThreadFunc() {
    char buffer[READ_CHUNK + 1];
    for (;;) {
        if (!WaitReadable())
            return 1;
        ssize_t count = read(m_nFd, buffer, READ_CHUNK);
        if (count > 0) {
            buffer[count] = 0;
            PrintAndLog(MSG_RXD, buffer);
            COMM_RECEIVE_CALLBACK callback = __atomic_load_n(&m_pCallback, __ATOMIC_ACQUIRE);
            if (callback != nullptr)
                callback(COMM_DATA_RECEIVED, buffer, static_cast<unsigned long>(count),
                         m_pUserData);
            continue;
        }
        if (count == -1 && (errno == EAGAIN || errno == EINTR) && !m_bHungUp)
            continue;
        // 0 bytes from a readable line, or no data after a hang-up: the device is gone.
        if (count >= 0 || errno == EAGAIN)
            errno = EIO;
        PrintAndLog(MSG_READ_FAILED, strerror(errno), errno);
        ReportLineLost();
        return 0;
    }
}

int CommModule::WatchProc(void* self) {
    return static_cast<CommModule*>(self)->ThreadFunc();
}

bool CommModule::StartThread() {
    m_hThread = StartThreadHandle(WatchProc, this, &m_nThreadResult);
    return m_hThread != nullptr;
}

bool CommModule::Initernal_Start() {
    if (pipe(m_WakePipe) == -1)
        return false;
    fcntl(m_WakePipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(m_WakePipe[1], F_SETFD, FD_CLOEXEC);
    m_hStopEvent = CreateEvent(nullptr, 1, 0, nullptr);
    if (StartThread())
        return true;
    Initernal_Stop(); // with no thread to join, it only releases the event and the pipe
    return false;
}

void CommModule::Initernal_Stop() {
    SetEvent(m_hStopEvent);
    if (m_WakePipe[1] != -1)
        WakeReader();
    if (m_hThread != nullptr) {
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    CloseHandle(m_hStopEvent);
    m_hStopEvent = nullptr;
    for (int& end : m_WakePipe) {
        if (end != -1)
            close(end);
        end = -1;
    }
}

// Writes the whole text; the line is non-blocking, so a full output buffer is waited out as
// long as the line keeps taking bytes. Fails when no byte goes out for WRITE_STALL_MS, or on a
// second write error in a row.
int CommModule::WriteData(const char* data, const int& length) {
    int written = 0;
    bool retried = false;
    while (written < length) {
        ssize_t result = write(m_nFd, data + written, static_cast<size_t>(length - written));
        if (result > 0) {
            written += static_cast<int>(result);
            retried = false;
            continue;
        }
        if (result == -1 && errno == EINTR)
            continue;
        bool stalled = result == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
        if (stalled && WaitWritable(m_nFd))
            continue;
        if (!stalled) {
            PrintAndLog(MSG_WRITE_ERROR, strerror(errno), errno);
        }
        if (stalled || retried) {
            PrintAndLog(MSG_WRITE_FAILED, data);
            return 0;
        }
        retried = true;
        usleep(WRITE_RETRY_US);
    }
    PrintAndLog(MSG_TXD, data);
    return 1;
}

void CommModule::Deinit_Port() {
    Initernal_Stop();
    ClosePort();
}

void CommModule::ClosePort() {
    if (m_nFd == -1)
        return;
    ForgetLineSettings();
    if (tcsetattr(m_nFd, TCSANOW, &m_SavedSettings) == -1) {
        PrintAndLog(MSG_RESTORE_FAILED, strerror(errno), errno);
    }
    close(m_nFd);
    m_nFd = -1;
}
