// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What /proc says about a process and every process it started: shared by the
// benchmark and the soak.

#include <sys/types.h>
#include <vector>

namespace bench {

// The process and all its descendants (the engine's zygote, renderers and
// GPU process are children or grandchildren of the program).
std::vector<pid_t> processTree(pid_t root);
// Sum of proportional set sizes, in KiB, from /proc/PID/smaps_rollup.
long long pssKiB(const std::vector<pid_t> &pids);
// Sum of user and system CPU time, in clock ticks.
long long cpuTicks(const std::vector<pid_t> &pids);
// A "Name:   value kB" field of /proc/PID/status, in KiB (0 if absent).
long long statusKiB(pid_t pid, const char *field);

} // namespace bench
