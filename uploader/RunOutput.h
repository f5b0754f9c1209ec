// RunOutput: where the upload tool's own text goes. Standard output carries the serial trace
// and progress messages (nothing under -q), failures also reach standard error under -q, the
// progress line is drawn on a terminal, and the final result line always reaches the caller.
// Main thread only.
#pragma once

#include <cstdio>

class RunOutput {
public:
    RunOutput() = default;
    ~RunOutput();
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    // Points standard output at the null device for every layer (the port and the engine print
    // their trace there); the result line keeps the original. False when that fails.
    bool beQuiet();
    bool quiet() const { return m_result != nullptr; }

    // A failure: to the log, to standard output when the tool prints it there, and to standard
    // error under -q.
    void failure(bool printed, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // The final line, on the caller's standard output.
    void result(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Whether an updating progress line stays readable: standard error is a terminal and no
    // trace line is printed on the same terminal.
    bool showsProgress() const;

private:
    FILE* m_result = nullptr; // the original standard output under -q
};
