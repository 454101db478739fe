#include "platform/StatusReads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

namespace morvanex::platform {
namespace {

// The shared reader gives each file's own result in order, each read once, whether one thread
// reads or two; a stop ends the reads where it comes (the second thread too), never before.
TEST(StatusReads, EachFileOnceInOrderUntilAStop) {
    struct Row {
        std::size_t count;
        std::size_t stopAt;  // the reads after this many see the stop; count: none
    } rows[] = {{100, 100}, {5000, 5000}, {5000, 300}, {5000, 0}};
    for (const Row& row : rows) {
        std::atomic<bool> stop{false};
        std::vector<std::atomic<int>> reads(row.count);
        std::atomic<std::size_t> total{0};
        std::vector<int> results;
        {
            StatusReads statuses(
                row.count,
                [&](std::size_t i) {
                    ++reads[i];
                    if (++total >= row.stopAt) stop = true;
                    return i % 5 == 2 ? ENOENT : 0;
                },
                [&] { return stop.load(); });
            for (std::size_t i = 0; i < row.count; ++i) {
                results.push_back(statuses.Next(i));
                if (results.back() == ECANCELED) break;
            }
        }
        std::size_t readOnce = 0;
        for (std::size_t i = 0; i < row.count; ++i) {
            EXPECT_LE(reads[i].load(), 1) << row.count << " " << i;
            readOnce += reads[i].load();
        }
        EXPECT_LE(readOnce, std::max<std::size_t>(row.stopAt, 1) + 1) << row.count;
        const std::size_t answered = results.size() - (results.back() == ECANCELED ? 1 : 0);
        EXPECT_EQ(answered == row.count, row.stopAt >= row.count) << row.count;
        for (std::size_t i = 0; i < answered; ++i) {
            EXPECT_EQ(results[i], i % 5 == 2 ? ENOENT : 0) << row.count << " " << i;
        }
    }
}

}  // namespace
}  // namespace morvanex::platform
