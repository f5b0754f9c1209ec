// The device's serial line: a pseudo-terminal pair whose slave side the client opens.
// Serve() runs the receive/reply loop on the calling thread until the stop descriptor
// becomes readable; clients may close and reopen the slave any number of times, and when the
// last one closes it the line's settings are restored, as a device's port would be.
#pragma once

#include <string>
#include <termios.h>

#include "BeneathOpen.h"
#include "DeviceSession.h"
#include "LinePacer.h"

namespace devsim {

class PtyDevice {
public:
    explicit PtyDevice(long baud, bool echo);
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Opens the pair; false with the reason in `error`.
    bool Open(std::string& error);
    const std::string& SlavePath() const { return m_slavePath; }

    // Reads command lines, hands them to the session and sends the replies, until
    // `stopFd` is readable (or hung up). Returns false on an unexpected line error.
    bool Serve(DeviceSession& session, int stopFd);

private:
    bool ReceiveSome(DeviceSession& session);
    bool SendSome();
    void TakeByte(char byte, DeviceSession& session);
    void QueueReply(const std::string& line, const DeviceReply& reply);
    void TakeWatchEvents();
    void RestoreLine() const;

    UniqueFd m_master;
    UniqueFd m_slave; // held open so the pair survives the client's close
    UniqueFd m_watch; // opens and closes of the slave by clients
    int m_clients = 0;
    struct termios m_lineSettings = {};
    std::string m_slavePath;
    bool m_echo;
    LinePacer m_inPacer;
    LinePacer m_outPacer;
    std::string m_line;
    bool m_overlong = false;
    std::string m_out;
    size_t m_outAt = 0;
};

} // namespace devsim
