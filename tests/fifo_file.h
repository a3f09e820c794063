// A FIFO for the tests that readers refuse one instead of waiting for a writer.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace seasky::test {

// A FIFO at path (removed with the object). A reader that opens it and waits
// for a writer would hang the test: a watchdog thread therefore keeps opening
// it for writing without waiting, which succeeds only while a reader has it
// open, and closes it at once. A reader that waited then reads an empty file,
// and the test fails on its result instead of hanging.
class Fifo {
public:
    explicit Fifo(std::filesystem::path path) : path_(std::move(path)) {
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (made_) watchdog_ = std::thread([this] { Watch(); });
    }
    ~Fifo() {
        stop_.store(true);
        if (watchdog_.joinable()) watchdog_.join();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool made() const { return made_; }
    std::string path() const { return path_.string(); }

private:
    void Watch() {
        while (!stop_.load()) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::filesystem::path path_;
    bool made_ = false;
    std::atomic<bool> stop_{false};
    std::thread watchdog_;
};

}  // namespace seasky::test
