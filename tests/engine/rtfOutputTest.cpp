// The output RTF file: pieces of every size reach the file whole and in order across its two buffers and the
// background writer, and a failed write is reported when the file is closed, also one that fails or throws on the
// writer's thread.
#include "rtf/rtfOutput.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {
constexpr size_t kMiB = size_t(1) << 20;

// Bytes that differ from place to place, so that a piece written twice, out of order or not at all shows.
std::string pattern(size_t size, size_t seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = char('a' + (i * 7 + seed * 13 + i / 251) % 26);
    return bytes;
}

// Writes the pieces, every third through the room the copy lane uses, and returns what the file should hold.
std::string writePieces(const std::vector<size_t>& sizes) {
    std::string expected;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::string piece = pattern(sizes[i], i);
        if (i % 3 == 2 && sizes[i] > 0 && sizes[i] <= kMiB) {
            char* room = outputRtfRoom(sizes[i]);
            EXPECT_NE(room, nullptr) << "piece " << i;
            if (room == nullptr)
                continue;
            std::memcpy(room, piece.data(), piece.size());
            commitOutputRtf(piece.size());
        } else {
            writeOutputRtf(piece);
        }
        expected += piece;
    }
    return expected;
}

TEST(OutputRtf, PiecesOfEverySizeReachTheFileInOrder) {
    const std::vector<std::vector<size_t>> cases = {
        {},                                                   // nothing: an empty file
        {1, 2, 3},                                            // within one buffer: no writer thread
        {kMiB - 1, 1, 1},                                     // a buffer filled exactly, then the next
        {kMiB, 5},                                            // a piece of a whole buffer goes straight out
        {7, 3 * kMiB + 11, 9},                                // a larger one between small ones
        {600 * 1024, 600 * 1024, 600 * 1024, 600 * 1024, 17}, // buffers taking turns
        {kMiB / 2, kMiB / 2 + 1, 2 * kMiB, kMiB / 3, kMiB / 3, kMiB / 3, kMiB / 3}, // a mix of every way
    };
    for (size_t row = 0; row < cases.size(); ++row) {
        TempFolder folder;
        const fs::path path = folder.file("out.rtf");
        ASSERT_TRUE(openOutputRtfFile(path)) << "row " << row;
        const std::string expected = writePieces(cases[row]);
        ASSERT_TRUE(closeOutputRtfFile()) << "row " << row;
        const std::string written = readFileBytes(path);
        EXPECT_EQ(written.size(), expected.size()) << "row " << row;
        EXPECT_TRUE(written == expected) << "row " << row;
    }
}

// The writer's stand-in: the given call (counted from 1) fails or throws, the others write.
enum class WriteFault { Fails, ThrowsRuntimeError, ThrowsBadAlloc };
std::atomic<int> gWriteCalls{0};
int gFaultyCall = 0;
WriteFault gFault = WriteFault::Fails;

bool faultyWrite(NativeFile& file, const char* data, size_t size) {
    if (++gWriteCalls != gFaultyCall)
        return file.writeAll(data, size);
    switch (gFault) {
    case WriteFault::Fails:
        return false;
    case WriteFault::ThrowsRuntimeError:
        throw std::runtime_error("the disk went away");
    case WriteFault::ThrowsBadAlloc:
        throw std::bad_alloc();
    }
    return false;
}

// Runs `body` with a time limit: a writer that never wakes its waiter hangs the body, and the program ends with a
// message instead of waiting for the test run's own limit.
void withinTimeLimit(const char* what, void (*body)()) {
    std::packaged_task<void()> task(body);
    std::future<void> done = task.get_future();
    std::thread(std::move(task)).detach();
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "%s: the output's writer hangs\n", what);
        std::fflush(stderr);
        std::_Exit(3);
    }
    done.get();
}

// Six pieces of 600 KiB fill three buffers that go to the writer's thread: a fault there on the first, second or
// third of them is reported at the close (later buffers are refused, not waited for), and the next file is whole.
TEST(OutputRtf, AWriteThatFailsOrThrowsOnTheWritersThreadIsReportedAtTheClose) {
    const struct {
        WriteFault fault;
        int call;
    } cases[] = {
        {WriteFault::Fails, 1},
        {WriteFault::Fails, 3},
        {WriteFault::ThrowsRuntimeError, 1},
        {WriteFault::ThrowsRuntimeError, 2},
        {WriteFault::ThrowsRuntimeError, 3},
        {WriteFault::ThrowsBadAlloc, 2},
    };
    static size_t row = 0;
    for (row = 0; row < std::size(cases); ++row) {
        gFault = cases[row].fault;
        gFaultyCall = cases[row].call;
        gWriteCalls = 0;
        withinTimeLimit("faulty write", [] {
            TempFolder folder;
            setOutputRtfBufferWrite(faultyWrite);
            ASSERT_TRUE(openOutputRtfFile(folder.file("out.rtf"))) << "row " << row;
            writePieces(std::vector<size_t>(6, 600 * 1024));
            EXPECT_FALSE(closeOutputRtfFile()) << "row " << row;
            EXPECT_GE(gWriteCalls.load(), gFaultyCall) << "row " << row;
            setOutputRtfBufferWrite(nullptr);
            ASSERT_TRUE(openOutputRtfFile(folder.file("after.rtf"))) << "row " << row;
            const std::string expected = writePieces(std::vector<size_t>(6, 600 * 1024));
            EXPECT_TRUE(closeOutputRtfFile()) << "row " << row;
            EXPECT_TRUE(readFileBytes(folder.file("after.rtf")) == expected) << "row " << row;
        });
    }
}

#ifndef _WIN32
// /dev/full takes the open and refuses every write: the failure, whether it happened on the job's thread or on the
// writer's, is reported at the close, and the next file starts without it.
TEST(OutputRtf, AFailedWriteIsReportedAtTheClose) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    for (size_t size : {size_t(10), 5 * kMiB}) {
        ASSERT_TRUE(openOutputRtfFile("/dev/full")) << size;
        writePieces({size / 2, size / 2});
        EXPECT_FALSE(closeOutputRtfFile()) << size;
    }
    TempFolder folder;
    ASSERT_TRUE(openOutputRtfFile(folder.file("after.rtf")));
    writePieces({3 * kMiB});
    EXPECT_TRUE(closeOutputRtfFile());
    EXPECT_EQ(readFileBytes(folder.file("after.rtf")).size(), 3 * kMiB);
}
#endif
} // namespace
