#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv::linux_os {

// One request to sway's (or i3's) IPC socket and its answer, on a fresh connection each time
// so that no state outlives the call. A compositor that does not answer within a quarter of a
// second, or answers with a malformed or oversized message, gives no answer.
class I3Ipc {
  public:
    static constexpr std::uint32_t runCommand = 0;
    static constexpr std::uint32_t getWorkspaces = 1;
    static constexpr std::uint32_t getTree = 4;

    explicit I3Ipc(std::string socket) : socket_(std::move(socket)) {}

    std::optional<std::string> ask(std::uint32_t type, std::string_view payload = {}) const;

  private:
    std::string socket_;
};

// What a compositor's socket may answer at most, and how long it may take: one that does not
// answer at once is taken as not knowing.
constexpr std::size_t compositorAnswerLimit = 64 << 20;
constexpr int compositorAnswerWaitMs = 250;

// Connects to a Unix stream socket with send and receive timeouts of `timeoutMs`; -1 on
// failure. The caller closes the descriptor.
int connectUnixSocket(const std::string& path, int timeoutMs);
bool sendAll(int fd, const char* data, std::size_t size);
// Reads `size` bytes, or to the end when `size` is 0, up to `limit` bytes in all; false on a
// timeout, an error, or more than `limit`.
bool readAll(int fd, std::string& out, std::size_t size, std::size_t limit);

}  // namespace tv::linux_os
