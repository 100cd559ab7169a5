#include "platform/base/ProcessInfo.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <thread>

TEST(ProcessInfo, ReportsTheMachineAndTheProcessorsThisProcessMayUse) {
    EXPECT_GT(platform::ProcessInfo::physicalMemory(), 64ULL * 1024 * 1024);
    const auto processors = platform::ProcessInfo::activeProcessorCount();
    EXPECT_GE(processors, 1);
    EXPECT_LE(processors, static_cast<std::int64_t>(std::thread::hardware_concurrency()));

    // Narrowing this thread's affinity to one processor is seen at once.
    cpu_set_t saved;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &saved)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(platform::ProcessInfo::activeProcessorCount(), 1);
    ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
}
