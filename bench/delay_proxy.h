// A server a round trip away: a proxy on a Unix socket that passes everything on to the real
// server's socket, each chunk held back for a fixed delay in each direction, in order. With 10 ms
// each way, every round trip of a client costs 20 ms, as on a VPN; the wall time of a piece of work
// divided by 20 ms counts its round trips. Header-only, for the benchmark programs.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace torva_bench {

class DelayProxy {
 public:
  // Listens on `listen_path`, passing each connection on to `target_path` with `delay` each way.
  DelayProxy(const std::string& listen_path, const std::string& target_path,
             std::chrono::milliseconds delay)
      : target_path_(target_path), delay_(delay) {
    listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(listen_path);
    unlink(listen_path.c_str());
    if (listener_ < 0 ||
        bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0) {
      throw std::runtime_error("delay proxy: cannot listen on " + listen_path);
    }
    acceptor_ = std::thread([this] { Accept(); });
  }

  ~DelayProxy() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    acceptor_.join();
    for (std::thread& pump : pumps_) pump.join();
  }

  DelayProxy(const DelayProxy&) = delete;
  DelayProxy& operator=(const DelayProxy&) = delete;

 private:
  using Clock = std::chrono::steady_clock;

  static sockaddr_un Address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
  }

  void Accept() {
    while (!stopping_) {
      const int client = accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      const int server = socket(AF_UNIX, SOCK_STREAM, 0);
      const sockaddr_un address = Address(target_path_);
      if (connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(client);
        close(server);
        continue;
      }
      // Each direction closes its own writing end when its reader ends; the pair's last one out
      // closes both sockets.
      auto sockets = std::shared_ptr<int[]>(new int[2]{client, server}, [](int* fds) {
        close(fds[0]);
        close(fds[1]);
        delete[] fds;
      });
      pumps_.emplace_back([this, sockets] {
        Pump(sockets[0], sockets[1]);
        (void)sockets;
      });
      pumps_.emplace_back([this, sockets] {
        Pump(sockets[1], sockets[0]);
        (void)sockets;
      });
    }
  }

  // Copies `from` to `to`, each chunk sent `delay_` after it was read.
  void Pump(int from, int to) {
    struct Chunk {
      Clock::time_point due;
      std::vector<char> bytes;  // empty: the end
    };
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Chunk> queue;
    std::thread writer([&] {
      for (;;) {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return !queue.empty(); });
        Chunk chunk = std::move(queue.front());
        queue.pop_front();
        lock.unlock();
        std::this_thread::sleep_until(chunk.due);
        if (chunk.bytes.empty()) {
          shutdown(to, SHUT_WR);
          return;
        }
        for (std::size_t sent = 0; sent < chunk.bytes.size();) {
          const ssize_t n = write(to, chunk.bytes.data() + sent, chunk.bytes.size() - sent);
          if (n <= 0) break;
          sent += static_cast<std::size_t>(n);
        }
      }
    });
    std::vector<char> buffer(64 * 1024);
    for (;;) {
      const ssize_t n = read(from, buffer.data(), buffer.size());
      Chunk chunk{Clock::now() + delay_, {}};
      if (n > 0) chunk.bytes.assign(buffer.data(), buffer.data() + n);
      {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(chunk));
      }
      ready.notify_one();
      if (n <= 0) break;
    }
    writer.join();
  }

  std::string target_path_;
  std::chrono::milliseconds delay_;
  int listener_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::vector<std::thread> pumps_;
};

}  // namespace torva_bench
