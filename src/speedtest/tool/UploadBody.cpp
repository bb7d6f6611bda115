#include "speedtest/tool/UploadBody.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace tv::netquality {

namespace {

constexpr std::size_t blockSize = 64 * 1024;

const std::array<char, blockSize>& block() {
    static const std::array<char, blockSize> bytes = [] {
        std::array<char, blockSize> b{};
        std::uint64_t x = 0x9E3779B97F4A7C15ULL;
        for (char& c : b) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            c = static_cast<char>(x >> 56);
        }
        return b;
    }();
    return bytes;
}

}  // namespace

UploadBody::UploadBody(qint64 size, QObject* parent) : QIODevice(parent), size_(size) {
    open(QIODevice::ReadOnly);
}

qint64 UploadBody::readData(char* data, qint64 maxSize) {
    qint64 at = pos();
    qint64 count = std::min(maxSize, size_ - at);
    if (count <= 0) {
        return count == 0 ? 0 : -1;
    }
    const auto& bytes = block();
    for (qint64 done = 0; done < count;) {
        auto offset = static_cast<std::size_t>((at + done) % static_cast<qint64>(blockSize));
        auto piece = static_cast<std::size_t>(
            std::min<qint64>(count - done, static_cast<qint64>(blockSize - offset)));
        std::memcpy(data + done, bytes.data() + offset, piece);
        done += static_cast<qint64>(piece);
    }
    return count;
}

}  // namespace tv::netquality
