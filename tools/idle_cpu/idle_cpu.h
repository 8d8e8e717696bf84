// Processor time of a running process and of each of its threads, read from /proc.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ThreadCpu {
    pid_t tid = 0;
    std::string name;    // the thread's comm
    double percent = 0;  // of one core over the measured interval
};

struct ProcessCpu {
    pid_t pid = 0;
    double seconds = 0;              // wall time measured
    double percent = 0;              // the whole process, of one core
    std::vector<ThreadCpu> threads;  // in the order they were created (ascending ids)
};

// Measures the process `pid` for `seconds` of wall time: the processor time (user and system)
// each thread spent meanwhile, from /proc/PID/task/TID/stat. False when the process cannot be
// read (or ended before the end of the interval).
bool IdleCpu_Measure(pid_t pid, double seconds, ProcessCpu& result);

// One line for the whole process and one per thread, labelled as the runtime's threads come
// into being: the start-up thread (the process's own id), then SDL's timer thread, the program
// and timer-event threads (named "program" and "timer-event" by the runtime), then SDL's audio
// thread and any others.
std::string IdleCpu_Report(const std::string& title, const ProcessCpu& result);
