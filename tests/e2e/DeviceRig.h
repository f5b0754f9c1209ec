// The rig of an end-to-end run: a devsim process serving a device folder in a fresh temporary
// folder, and Trellup run as a process through a link in a work folder of its own (so its
// working copy of autostart.txt, in the rig's own TMPDIR, never meets another test's) with a
// home folder of its own, where it writes its log. Used from the test thread only.
#pragma once

#include <signal.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DevsimProcess.h"

using devsim_test::ReadHostFile;
using devsim_test::Ucs2;

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes);
// Entry names of a folder, sorted; empty when it does not exist.
std::vector<std::string> entries(const fs::path& folder);
// n bytes of a fixed pattern that differs with seed.
std::string patternBytes(size_t n, unsigned seed = 1);
// The exact start file text naming folder\name.
std::string startFileText(const std::string& folder, const std::string& name);

class DeviceRig {
public:
    DeviceRig();
    ~DeviceRig();

    // Starts devsim with the options (--root and --log are added). False when it did not
    // report its line in time.
    bool start(const std::vector<std::string>& options = {});
    // Ends devsim with the signal and waits for it.
    void stop(int signal = SIGTERM);

    // The drive folder of a letter, created on demand; the work folder of Trellup.
    fs::path drive(char letter);
    const fs::path& work() const { return m_work; }
    const fs::path& temp() const { return m_temp; }    // TMPDIR of every Trellup run
    const std::string& port() const { return m_port; } // "pts/N" for -b

    // Runs Trellup from the work folder with the arguments (program name not included).
    ProcessResult trellup(const std::vector<std::string>& args);
    // As above, with -b set to devsim's line.
    ProcessResult upload(const std::vector<std::string>& args);
    // Starts an upload as above without waiting for it; a port other than devsim's may be given.
    std::unique_ptr<ChildProcess> startUpload(const std::vector<std::string>& args,
                                              const std::string& port = "");

    // The command lines devsim received so far, in order, with its own events ("* reboot").
    std::vector<std::string> commands() const;
    // How many of these start with prefix.
    size_t count(const std::string& prefix) const;
    // Waits until devsim has received a command starting with prefix; false at the deadline.
    bool awaitCommand(const std::string& prefix, int milliseconds) const;
    // Whether what Trellup's runs logged holds text; true where its home could not be replaced
    // here, so that its log cannot be read.
    bool logHolds(const std::string& text) const;

private:
    std::unique_ptr<ChildProcess> startTrellup(const std::vector<std::string>& args) const;

    devsim_test::TempFolder m_base;
    fs::path m_root = fs::path(m_base.Path()) / "device";
    fs::path m_work = fs::path(m_base.Path()) / "work";
    fs::path m_temp = fs::path(m_base.Path()) / "temp";
    fs::path m_home = fs::path(m_base.Path()) / "home";
    fs::path m_log = fs::path(m_base.Path()) / "devsim.log";
    std::string m_port;
    std::unique_ptr<devsim_test::DevsimProcess> m_devsim;
};
